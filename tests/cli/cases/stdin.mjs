// Standard input in every display mode, and the reading and reporting rules
// that show only end to end.

// Cases whose output or input holds text beyond ASCII run where the ANSI
// code page is UTF-8 (the C.UTF-8 locale); under Wine it is not.
const posix = ["posix"];
const lines = "one foo\ntwo\nthree foo foo\n";
const long = (n, c = "a") => c.repeat(n);

export default [
  { name: "stdin search", args: ["/s", "foo"], stdin: lines, stdout: "one foo\nthree foo foo\n", exit: 1 },
  { name: "stdin search with line numbers", args: ["/n", "/s", "foo"], stdin: lines,
    stdout: "1: one foo\n3: three foo foo\n", exit: 1 },
  { name: "stdin count counts lines, not matches", args: ["/c", "/s", "foo"], stdin: lines, stdout: "2\n", exit: 1 },
  { name: "stdin count without hits", args: ["/c", "/s", "zzz"], stdin: lines, stdout: "0\n", exit: 0 },
  { name: "stdin count only when found, nothing found", args: ["/ce", "/s", "zzz"], stdin: lines, stdout: "", exit: 0 },
  { name: "stdin count only when found", args: ["/ce", "/s", "two"], stdin: lines, stdout: "1\n", exit: 1 },
  { name: "stdin list", args: ["/l", "/s", "foo"], stdin: lines, stdout: "(CON)\n", exit: 1 },
  { name: "stdin list without hits lists nothing when found", args: ["/lv", "/s", "foo"], stdin: lines, stdout: "", exit: 1 },
  { name: "stdin list of no hits", args: ["/lv", "/s", "zzz"], stdin: lines, stdout: "(CON)\n", exit: 0 },
  { name: "stdin quiet", args: ["/q", "/s", "foo"], stdin: lines, stdout: "", exit: 1 },
  { name: "stdin inverted", args: ["/sv", "foo"], stdin: lines, stdout: "two\n", exit: 1 },
  { name: "empty stdin", args: ["/c", "/s", ""], stdin: "", stdout: "0\n", exit: 0 },
  { name: "empty stdin in line mode writes nothing", args: ["/s", ""], stdin: "", stdout: "", exit: 0 },

  { name: "replacement writes every line", args: ["/r", "foo", "bar"], stdin: lines,
    stdout: "one bar\ntwo\nthree bar bar\n", exit: 1 },
  { name: "replacement quiet writes nothing", args: ["/q", "/r", "foo", "bar"], stdin: lines, stdout: "", exit: 1 },
  { name: "replacement count counts changed lines", args: ["/c", "/r", "o", "0"], stdin: lines, stdout: "3\n", exit: 1 },
  { name: "replacement removing a whole line is counted but not written", args: ["/c", "/r", "^two\\n", ""],
    stdin: lines, stdout: "1\n", exit: 1 },
  { name: "replacement removing a whole line", args: ["/n", "/r", "^two\\n", ""], stdin: lines,
    stdout: "1: one foo\n3: three foo foo\n", exit: 1 },
  { name: "replacement groups and formats", args: ["/r", "(\\w+) (\\w+)", "$2 $1 [$&] $$"], stdin: "ab cd\n",
    stdout: "cd ab [ab cd] $\n", exit: 1 },
  { name: "replacement at the line end is not doubled", args: ["/r", "$", "X"], stdin: "abc\nlast",
    stdout: "abcX\nlastX", exit: 1 },
  { name: "search then replace selects and rewrites", args: ["/s", "foo", "/r", "o", "0"], stdin: lines,
    stdout: "0ne f00\nthree f00 f00\n", exit: 1 },
  { name: "escapes in the replacement", args: ["/re", " ", "\\t"], stdin: "a b\n", stdout: "a\tb\n", exit: 1 },
  { name: "literal replacement keeps dollars", args: ["/rl", ".", "$1"], stdin: "a.b\n", stdout: "a$1b\n", exit: 1 },

  { name: "CR LF is read as LF before matching", args: ["/s", "\\r"], stdin: "a\r\nb\r\n", stdout: "", exit: 0 },
  { name: "CR LF lines come out with LF", args: ["/s", "a$"], stdin: "xa\r\nb\r\n", stdout: "xa\n", exit: 1 },
  { name: "a lone CR stays in the line", args: ["/s", "a\\rb"], stdin: "a\rb\n", stdout: "a\rb\n", exit: 1 },
  { name: "a NUL cuts the line's text but the line keeps its line feed", args: ["/n", "/s", "."],
    stdin: Buffer.from("ab\0cd\nef\n"), stdout: "1: ab\n2: ef\n", exit: 1 },
  // A line that a NUL leaves empty is a line all the same: counted, listed and selected alike.
  { name: "a line a NUL empties is counted as it is shown", args: ["/c", "/sv", "zzz"],
    stdin: Buffer.from("a\n\0\nb\n"), stdout: "3\n", exit: 1 },
  { name: "a line a NUL empties is shown as it is counted", args: ["/n", "/sv", "zzz"],
    stdin: Buffer.from("a\n\0\nb\n"), stdout: "1: a\n2: \n3: b\n", exit: 1 },
  { name: "a line a NUL empties is an empty line to ^", args: ["/c", "/s", "^"],
    stdin: Buffer.from("a\n\0\nb\n"), stdout: "3\n", exit: 1 },
  { name: "Ctrl-Z ends code-page input", args: ["/n", "/s", "."], stdin: Buffer.from("ab\ncd\x1aef\ngh\n"),
    stdout: "1: ab\n2: cd", exit: 1 },
  { name: "the last line without a line feed is kept as it is", args: ["/s", "b"], stdin: "a\nb", stdout: "b", exit: 1 },
  { name: "a 70,000-character line is two numbered pieces", args: ["/c", "/s", "^"],
    stdin: long(70000) + "\nz\n", stdout: "3\n", exit: 1 },
  { name: "the second piece has its own number", args: ["/n", "/s", "b"], stdin: long(65535) + "bbb\n",
    stdout: "2: bbb\n", exit: 1 },
  { name: "exactly 65,535 units and a line feed give an empty second piece", args: ["/n", "/s", "^$"],
    stdin: long(65535) + "\nx\n", stdout: "2: \n", exit: 1 },
  { name: "UTF-16 with an encoding option", args: ["/u16", "/n", "/s", "日本", "u.txt"],
    files: { "u.txt": Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from("x\n日本語\n", "utf16le")]) },
    stdout: "2: 日本語\n", exit: 1, platforms: posix },
  // 61 00 0A | 00 62 00 0A | 00: each piece ends at the byte 0x0A and keeps
  // only what stands before its first zero byte, so "b" is never seen.
  { name: "UTF-16 without an encoding option is read as bytes", args: ["/n", "/s", "[ab]", "u.txt"],
    files: { "u.txt": Buffer.from("a\nb\n", "utf16le") }, stdout: "1: a\n", exit: 1 },
  { name: "/u8 file with a UTF-16 byte-order mark", args: ["/u8", "/s", "語", "u.txt"],
    files: { "u.txt": Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from("日本語\n", "utf16le")]) },
    stdout: "日本語\n", exit: 1, platforms: posix },
  { name: "/u file without a byte-order mark is UTF-16", args: ["/u", "/s", "b", "u.txt"],
    files: { "u.txt": Buffer.from("a\nb\n", "utf16le") }, stdout: "b\n", exit: 1 },
  { name: "invalid UTF-8 reads as replacement characters", args: ["/u8", "/s", "\\uFFFD", "u.txt"],
    files: { "u.txt": Buffer.from([0x61, 0xff, 0x62, 0x0a]) }, stdout: "a\uFFFDb\n", exit: 1, platforms: posix },
  { name: "ideographic space is white space", args: ["/s", "月曜日\\s午前"], stdin: "次回は月曜日\u3000午前十時から\n",
    stdout: "次回は月曜日\u3000午前十時から\n", exit: 1, platforms: posix },
  // The term comes from a parameter file: arguments reach the program as UTF-8 here.
  { name: "Shift_JIS input under a Shift_JIS locale", args: ["/f", "p.txt"], env: { LANG: "ja_JP.SJIS" },
    files: { "p.txt": Buffer.from([0x2f, 0x73, 0x0a, 0x95, 0x5c, 0x0a]) }, platforms: posix,
    stdin: Buffer.from([0x95, 0x5c, 0x0a, 0x5c, 0x0a]), stdout: Buffer.from([0x95, 0x5c, 0x0a]), exit: 1 },
  { name: "a Shift_JIS trail byte is not a backslash", args: ["/c", "/sl", "\\"], env: { LANG: "ja_JP.SJIS" },
    platforms: posix, stdin: Buffer.from([0x95, 0x5c, 0x0a, 0x5c, 0x0a]), stdout: "1\n", exit: 1 },

  { name: "the engine giving up on a line is reported and the run goes on", args: ["/n", "/s", "(a|aa)+[bd]", "long.txt"],
    files: { "long.txt": long(65535, "a") + "\nad\n" },
    stdout: "3: ad\n", stderr: "long.txt(1) - Regular expression is too complex for this line; the line was skipped.\n", exit: 1 },
  { name: "(a+)+b on a long line ends cleanly", args: ["/s", "(a+)+b"], stdin: long(65535) + "\n", stdout: "", exit: 0 },
  { name: "(.*)*x on a long line ends cleanly", args: ["/s", "(.*)*x"], stdin: long(65535) + "\n", stdout: "", exit: 0 },
  { name: "standard input that is a folder cannot be read", args: ["/c", "/s", "x"], stdin: { path: "." },
    platforms: ["posix"], stdout: "0\n", stderr: "(CON) - File could not be read to its end.\n", exit: 0 },
  { name: "closed standard input cannot be read", args: ["/s", "x"], stdin: { closed: true },
    platforms: ["posix"], stdout: "", stderr: "(CON) - File could not be read to its end.\n", exit: 0 },
  // Output that is not taken ends the run at once with one message, exit code 0.
  ...["full", "closed", "head"].map((to) => ({
    name: `standard output ${to}: one message and the end`, args: ["/n", "/s", "."], stdoutTo: to,
    stdin: "line\n".repeat(100000), platforms: ["posix"], stdout: "",
    stderr: "Output could not be written.\n", exit: 0 })),
  { name: "an invalid pattern", args: ["/s", "a(b"], stdin: "x\n", stderr: "a(b - Invalid regular expressions.\n" },
  { name: "an invalid pattern made literal is fine", args: ["/sl", "a(b"], stdin: "a(b\n", stdout: "a(b\n", exit: 1 },
];
