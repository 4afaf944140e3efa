// Parameter files ("/f"): the record format, its line rules and every
// message of a file, with the subjects the user sees.

import { execFileSync } from "node:child_process";

import { en, ja, japanese, posixOnly, fails } from "./options.mjs";

const withFile = (content) => ({ "p.txt": content });

// A parameter-file failure: the messages in order, nothing searched.
function failsWithFile(name, content, lines, extra = {}) {
  return { ...fails(name, ["/f", "p.txt", "/s", "a"], "", extra), files: withFile(content),
           stderr: lines.map((line) => line + "\n").join("") };
}

// A search with the file's entries over standard input.
function searches(name, content, stdin, stdout, extra = {}) {
  const exit = stdout === "" ? 0 : 1;
  return { name, args: ["/f", "p.txt"], files: withFile(content), stdin, stdout, stderr: "", exit,
           ...extra };
}

const longLine = "x".repeat(70000);
const bom = Buffer.from([0xef, 0xbb, 0xbf]);

const failures = [
  fails("a parameter file that does not exist", ["/f", "missing.txt", "/s", "a"],
        "missing.txt" + en.FileNotOpened),
  fails("a folder is not a parameter file", ["/s", "a", "/f", "dir"], "dir" + en.FileNotOpened,
        { files: { "dir/a.txt": "x\n" } }),
  fails("the parameter file name is written as typed", ["/f", "dir/../nothing.txt"],
        "dir/../nothing.txt" + en.FileNotOpened, { files: { "dir/a.txt": "x\n" }, platforms: posixOnly }),

  failsWithFile("an empty trailing line", "/s\nb\n\n", [en.EmptyParameterInFile]),
  failsWithFile("an empty line between records", "/s\nb\n\n/s\nc\n", [en.EmptyParameterInFile]),
  failsWithFile("an empty first line", "\n/s\nb\n", [en.EmptyParameterInFile]),
  failsWithFile("an empty trailing line with CR LF", "/s\r\nb\r\n\r\n", [en.EmptyParameterInFile]),

  failsWithFile("a line that is no option", "/s\nb\nfoo\nc\n", ["foo" + en.ParameterInFileInvalid]),
  failsWithFile("a comment line", "# terms\n/s\nb\n", ["# terms" + en.ParameterInFileInvalid]),
  failsWithFile("no parameter-file option inside a file", "/f\nother.txt\n",
                ["/f" + en.ParameterInFileInvalid]),
  failsWithFile("no display option inside a file", "/n\n", ["/n" + en.ParameterInFileInvalid]),

  failsWithFile("an unknown letter", "/sx\nb\n", ["/sx" + en.ParameterInFileInvalid]),
  failsWithFile("a trailing blank is an unknown letter", "/s \nb\n", ["/s " + en.ParameterInFileInvalid]),
  failsWithFile("the letter v is unknown to replace, CR LF", "/rv\r\nb\r\nc\r\n",
                ["/rv" + en.ParameterInFileInvalid]),
  failsWithFile("every bad option line is reported", "/sx\nb\n/s\nc\n/RQ\nd\ne\n",
                ["/sx" + en.ParameterInFileInvalid, "/RQ" + en.ParameterInFileInvalid]),
  failsWithFile("a bad letter, then a missing term", "/sy\nb\n/s\n",
                ["/sy" + en.ParameterInFileInvalid, en.SearchStringNotSpecifiedInFile]),
  failsWithFile("a bad letter, then a bad option line", "/sy\nb\nbad\n",
                ["/sy" + en.ParameterInFileInvalid, "bad" + en.ParameterInFileInvalid]),

  failsWithFile("a search record without its term at the end", "/s\nb\n/s", [en.SearchStringNotSpecifiedInFile]),
  failsWithFile("a search record with a line feed and no term", "/s\n", [en.SearchStringNotSpecifiedInFile]),
  failsWithFile("an overlong term line", `/s\n${longLine}\n/s\nb\n`, [en.SearchStringNotSpecifiedInFile]),

  failsWithFile("a replace record without terms", "/r\n", [en.SearchAndReplaceNotSpecifiedInFile]),
  failsWithFile("a replace record without terms, CR LF", "/s\r\nb\r\n/r\r\n",
                [en.SearchAndReplaceNotSpecifiedInFile]),

  failsWithFile("a replace record without its replacement", "/r\nb\n", [en.ReplaceStringNotSpecifiedInFile]),
  failsWithFile("a replace record without its replacement, no line end", "/r\nb",
                [en.ReplaceStringNotSpecifiedInFile]),
];

const ordering = [
  { ...fails("a file error ends the argument loop", ["/f", "p.txt", "/x", "/s", "("], "",
             { files: withFile("/s\nb\n/q\n") }), stderr: "/q" + en.ParameterInFileInvalid + "\n" },
  { ...fails("a file error wins over a display conflict", ["/c", "/l", "/f", "p.txt"], "",
             { files: withFile("/s\n") }), stderr: en.SearchStringNotSpecifiedInFile + "\n" },
  { ...fails("the run ends after a file with bad letters", ["/f", "p.txt", "/s", "("], "",
             { files: withFile("/sa\nb\n/sb\nc\n") }),
    stderr: `/sa${en.ParameterInFileInvalid}\n/sb${en.ParameterInFileInvalid}\n` },
  { ...fails("the second of two files fails", ["/f", "good.txt", "/f", "p.txt"], "",
             { files: { "good.txt": "/s\nb\n", "p.txt": "/r\nb\n" } }),
    stderr: en.ReplaceStringNotSpecifiedInFile + "\n" },
  fails("an empty file brings no entries", ["/f", "p.txt"], en.SearchOrReplaceNotSpecified,
        { files: withFile("") }),
  fails("file patterns are validated", ["/f", "p.txt"], "b(" + en.InvalidRegex,
        { files: withFile("/s\nb(\n") }),
  // Every record after it would be lost: the line is reported and the run ends.
  fails("an overlong option line ends the run, naming its line", ["/f", "p.txt", "/x"],
        "p.txt(3)" + en.LineTooLongInFile, { files: withFile(`/s\nb\n${longLine}\n/sz\nc\n`) }),
  { ...fails("an overlong option line after an inverted search", ["/f", "p.txt", "f.txt"], "",
             { files: { ...withFile(`/sv\nzzz\n${longLine}\n/s\nbar\n`), "f.txt": "foo\nbar\n" } }),
    stderr: "p.txt(3)" + en.LineTooLongInFile + "\n" },
  // A file that is one endless line (POSIX: a link to /dev/zero).
  fails("a parameter file of one endless line", ["/f", "zero"], "zero(1)" + en.LineTooLongInFile,
        { files: { zero: { symlink: "/dev/zero" } }, platforms: posixOnly }),
  fails("an overlong option line in Japanese", ["/f", "p.txt"], "p.txt(1)" + ja.LineTooLongInFile,
        { files: withFile(`${longLine}\n`), env: japanese, platforms: posixOnly }),
];

const inJapanese = [
  fails("a parameter file that cannot be opened in Japanese", ["/f", "none.txt"], "none.txt" + ja.FileNotOpened,
        { env: japanese, platforms: posixOnly }),
  ...[
    ["an empty line", "/s\nb\n\n", [ja.EmptyParameterInFile]],
    ["a line that is no option", "x\n", ["x" + ja.ParameterInFileInvalid]],
    ["unknown letters", "/sq\nb\n/rq\nb\nc\n", ["/sq" + ja.ParameterInFileInvalid, "/rq" + ja.ParameterInFileInvalid]],
    ["a missing search term", "/s\n", [ja.SearchStringNotSpecifiedInFile]],
    ["missing replace terms", "/r\n", [ja.SearchAndReplaceNotSpecifiedInFile]],
    ["a missing replacement", "/r\nb\n", [ja.ReplaceStringNotSpecifiedInFile]],
  ].map(([name, content, lines]) =>
    failsWithFile(`${name} in a parameter file in Japanese`, content, lines,
                  { env: japanese, platforms: posixOnly })),
];

// Encodes text in a code page with the system's iconv.
function encoded(text, codeset) {
  return execFileSync("iconv", ["-f", "UTF-8", "-t", codeset], { input: text });
}

const reading = [
  searches("a file with LF line ends", "/s\nb\n", "a\nb\n", "b\n"),
  // A byte-order mark says what the file is written in, and is no text; Ctrl-Z
  // is then an ordinary character, as in files read with /u8.
  ...[["UTF-8", Buffer.concat([bom, Buffer.from("/s\n語\x1a\n")])],
      ["UTF-16LE", Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from("/s\n語\x1a\n", "utf16le")])],
      ["UTF-16BE", Buffer.concat([Buffer.from([0xfe, 0xff]), Buffer.from("/s\n語\x1a\n", "utf16le").swap16()])]]
    .map(([name, bytes]) => ({
      name: `a ${name} byte-order mark says the file's encoding`, args: ["/f", "p.txt", "/u8", "t.txt"],
      files: { "p.txt": bytes, "t.txt": "日本語\x1a\nb\n語\n" }, stdout: "日本語\x1a\n", exit: 1,
      platforms: posixOnly })),
  searches("a file with CR LF line ends", "/r\r\nb\r\nc\r\n", "a\nb\n", "a\nc\n"),
  searches("the last line needs no line end", "/s\nb", "a\nb\n", "b\n"),
  searches("replace options in capitals", "/RIL\nA.B\nx\n", "a.b axb\nA.B\n", "x axb\nx\n"),
  searches("search options in capitals", "/S\nb\n/SVI\nA\n", "a\nb\nab\n", "b\n"),
  searches("a term line beginning with /s is a term", "/s\n/s\n", "x/s\ny\n", "x/s\n"),
  searches("an empty term line is an empty term", "/s\n\n", "a\n\n", "a\n\n"),
  searches("blanks and quotes belong to the term", "/s\n\"a \n", "\"a b\n\"ab\n", "\"a b\n"),
  searches("replace escapes", "/re\n,\n\\t\n", "a,b\n", "a\tb\n"),
  searches("an inverted search", "/sv\nb\n", "a\nb\n", "a\n"),
  searches("a Ctrl-Z byte ends the file", "/s\nb\n\x1a/s\nzzz\n", "b\n", "b\n"),
  searches("a NUL byte ends the line's text", "/s\nb\0zzz\n", "b\n", "b\n"),
  { name: "a file named twice contributes its entries twice", args: ["/f", "p.txt", "/F", "p.txt"],
    files: withFile("/r\na\nab\n"), stdin: "a\n", stdout: "abb\n", stderr: "", exit: 1 },
  { name: "file entries stand at the place of their option",
    args: ["/r", "a", "b", "/f", "p.txt", "/r", "c", "d"], files: withFile("/r\nb\nc\n"),
    stdin: "a\n", stdout: "d\n", stderr: "", exit: 1 },
  { name: "two files in order", args: ["/f", "one.txt", "/f", "two.txt"],
    files: { "one.txt": "/r\na\nb\n", "two.txt": "/r\nb\nc\n" }, stdin: "ab\n", stdout: "cc\n",
    stderr: "", exit: 1 },
  searches("a UTF-8 term under a UTF-8 locale", "/s\ncaf\u00e9\n", "cafe\ncaf\u00e9!\n", "caf\u00e9!\n",
           { platforms: posixOnly }),
  { name: "a Shift_JIS term under a Shift_JIS locale", args: ["/f", "p.txt"],
    files: withFile(encoded("/s\n検索\n", "CP932")), env: { LANG: "ja_JP.SJIS" },
    stdin: encoded("検索する\nほか\n", "CP932"), stdout: encoded("検索する\n", "CP932"), stderr: "",
    exit: 1, platforms: posixOnly },
];

export default [...failures, ...ordering, ...inJapanese, ...reading];
