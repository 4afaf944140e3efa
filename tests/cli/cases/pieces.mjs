// A piece ends at 65,535 units, but never inside a character: a character
// that would straddle the limit starts the next piece, so a line that no
// entry changes comes out byte for byte and the character can be found.

const posix = ["posix"];
const head = "a".repeat(65534);

// [name, option, file bytes, what is searched for, output bytes, environment]
const kinds = [
  ["UTF-8 as the ANSI code page", [], Buffer.from(head + "日本語\n"), "日本語", Buffer.from(head + "日本語\n")],
  ["UTF-8 with /u8, outside the basic plane", ["/u8"], Buffer.from(head + "🎵x\n"), "🎵", Buffer.from(head + "🎵x\n")],
  ["UTF-16 with /u16, outside the basic plane", ["/u16"], Buffer.from(head + "🎵x\n", "utf16le"), "🎵",
    Buffer.from(head + "🎵x\n")],
  ["Shift_JIS as the ANSI code page", [], Buffer.concat([Buffer.from(head), Buffer.from([0x93, 0x8c, 0x8b, 0x9e, 0x0a])]),
    "/f", Buffer.concat([Buffer.from(head), Buffer.from([0x93, 0x8c, 0x8b, 0x9e, 0x0a])]), { LANG: "ja_JP.SJIS" }],
];

export default kinds.flatMap(([name, option, bytes, term, output, env]) => {
  // A Shift_JIS term comes from a parameter file in Shift_JIS.
  const search = term === "/f" ? ["/f", "t.txt"] : ["/s", term];
  const files = { "f.txt": bytes, "t.txt": Buffer.from([0x2f, 0x73, 0x0a, 0x93, 0x8c, 0x8b, 0x9e]) };
  return [
    { name: `${name}: a line no entry changes comes out as it was read`, args: ["/rl", "zzz", "y", ...option, "f.txt"],
      files, env, stdout: output, exit: 0, platforms: posix },
    { name: `${name}: the character on the limit is found`, args: ["/c", ...search, ...option, "f.txt"],
      files, env, stdout: "1\n", exit: 1, platforms: posix },
    { name: `${name}: the character starts the second piece`, args: ["/n", ...search, ...option, "f.txt"],
      files, env, stdout: Buffer.concat([Buffer.from("2: "), output.subarray(65534)]), exit: 1, platforms: posix },
  ];
});
