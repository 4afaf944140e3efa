// Keyboard input answered line by line, and Vesk in batch files.
import { encode } from "../text.mjs";

const ja = "ja_JP.UTF-8";
const enter = (type, screen) => ({ type, enter: true, screen });
// Ctrl-Z then Enter ends keyboard input; the console echoes it as ^Z.
const ctrlZ = (screen) => ({ key: "C-z", enter: true, screen });

export default [
  { name: "typed lines are answered one by one", args: ["/n", "/s", "foo"],
    keys: [
      enter("one foo", "one foo\n1: one foo"),
      enter("two", "one foo\n1: one foo\ntwo"),
      enter("three foo", "one foo\n1: one foo\ntwo\nthree foo\n3: three foo"),
      ctrlZ("one foo\n1: one foo\ntwo\nthree foo\n3: three foo\n^Z"),
    ], exit: 1 },
  { name: "typed Japanese lines are replaced one by one", lang: ja, args: ["/r", "foo", "バー"],
    keys: [
      enter("日本 foo", "日本 foo\n日本 バー"),
      enter("語 foo foo", "日本 foo\n日本 バー\n語 foo foo\n語 バー バー"),
      ctrlZ("日本 foo\n日本 バー\n語 foo foo\n語 バー バー\n^Z"),
    ], exit: 1 },
  { name: "Ctrl-Z alone ends the input at once", args: ["/c", "/s", "x"],
    keys: [ctrlZ("^Z\n0")], screen: "^Z\n0", exit: 0 },

  { name: "a batch file branches on the exit code, pipes and discards output",
    files: { "a.txt": "abc\nfoo bar\n" },
    batch: [
      "vesk /s foo a.txt > nul",
      "if errorlevel 1 echo found foo",
      "vesk /s zzz a.txt > nul",
      "if errorlevel 1 (echo found zzz) else (echo no zzz)",
      "type a.txt | vesk /n /s bar",
      "if errorlevel 1 echo piped bar found",
      "vesk /s x missing.txt > nul",
      "if not errorlevel 1 echo missing is no find",
      "vesk /c /s o a.txt",
    ],
    screen: "found foo\nno zzz\n2: foo bar\npiped bar found\nmissing.txt - File or folder was not found.\n" +
            "missing is no find\n1",
    exit: 1 },
  { name: "a CP932 file piped to Vesk on a Japanese console", lang: ja,
    files: { "sjis.txt": encode("表示 abc\nxyz\n能力 abc\n", "CP932") },
    batch: ["type sjis.txt | vesk /s abc", "echo rc %errorlevel%", "type sjis.txt | vesk /s qqq > nul",
            "echo rc %errorlevel%"],
    screen: "表示 abc\n能力 abc\nrc 1\nrc 0", exit: 0 },
];
