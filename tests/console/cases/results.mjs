// Results and messages on the console as wide text, in redirected files as
// code-page bytes with CR LF, and in order when they meet.
import { encode, redirected } from "../text.mjs";

const ja = "ja_JP.UTF-8";
const complexJapanese = " - 正規表現の照合が複雑すぎるため、この行を飛ばしました。";
const complexEnglish = " - Regular expression is too complex for this line; the line was skipped.";
// The engine gives up on line 2 with this pattern (its back-reference keeps
// the automaton that decides other search entries out); lines 1 and 3 match.
// Line 2 holds "ad", so no skipping on the bytes can pass it by unmatched.
const pattern = "(a|aa)+\\1[bd]|ad";
const tooComplex = `"${pattern}"`;
const withLongLine = (first, last) => `${first}\n${"a".repeat(20000)}xad\n${last}\n`;
const japaneseLines = withLongLine("ad 日本", "ad 語");
const latinLines = withLongLine("ad café", "ad naïve");
const japaneseResults = `1: ad 日本\nlong.txt(2)${complexJapanese}\n3: ad 語\n`;

const tenThousand = Array.from({ length: 10000 }, (_, i) => `line ${i + 1} 行 ${"x".repeat(i % 50)}\n`).join("");
// Digits make a lost or repeated piece of the line visible.
const longLine = "0123456789".repeat(6553) + "abcde";

export default [
  { name: "Japanese lines of a /u8 file on a 437 console", args: ["/n", "/u8", "/s", "語", "u8.txt"],
    files: { "u8.txt": "日本語の行\nascii\n語彙 abc\n" }, screen: "1: 日本語の行\n3: 語彙 abc", exit: 1 },
  // The ANSI code page is 932 and the console's 437: only a wide write shows these.
  { name: "Japanese lines of a CP932 file on a 437 console", lang: ja, codePage: 437,
    args: ["/n", "/s", "\\u8868|\\u80fd", "sjis.txt"],
    files: { "sjis.txt": encode("表示する abc\nxyz\n能力\n", "CP932") }, screen: "1: 表示する abc\n3: 能力", exit: 1 },

  { name: "too complex between results on a 437 console", args: ["/n", "/s", pattern, "long.txt"],
    files: { "long.txt": encode(latinLines, "CP1252") },
    screen: `1: ad café\nlong.txt(2)${complexEnglish}\n3: ad naïve`, exit: 1 },
  { name: "too complex between results on a 932 console", lang: ja, args: ["/n", "/s", pattern, "long.txt"],
    files: { "long.txt": encode(japaneseLines, "CP932") }, screen: japaneseResults, exit: 1 },

  { name: "results on the console, messages to a file", lang: ja,
    batch: [`vesk /n /s ${tooComplex} long.txt 2> err.txt`], files: { "long.txt": encode(japaneseLines, "CP932") },
    screen: "1: ad 日本\n3: ad 語", outputs: { "err.txt": redirected(`long.txt(2)${complexJapanese}\n`, "CP932") }, exit: 1 },
  { name: "results to a file, messages on the console", lang: ja,
    batch: [`vesk /n /s ${tooComplex} long.txt > out.txt`], files: { "long.txt": encode(japaneseLines, "CP932") },
    screen: `long.txt(2)${complexJapanese}`, outputs: { "out.txt": redirected("1: ad 日本\n3: ad 語\n", "CP932") }, exit: 1 },
  { name: "results and messages to one file in order, code page 932", lang: ja,
    batch: [`vesk /n /s ${tooComplex} long.txt > all.txt 2>&1`], files: { "long.txt": encode(japaneseLines, "CP932") },
    screen: "", outputs: { "all.txt": redirected(japaneseResults, "CP932") }, exit: 1 },
  { name: "results and messages to one file in order, code page 65001", lang: ja, codePage: 65001,
    batch: [`vesk /n /s ${tooComplex} long.txt > all.txt 2>&1`], files: { "long.txt": encode(japaneseLines, "CP932") },
    screen: "", outputs: { "all.txt": redirected(japaneseResults, "UTF-8") }, exit: 1 },
  { name: "results and messages to one file in order, code page 437", batch: [`vesk /n /s ${tooComplex} long.txt > all.txt 2>&1`],
    files: { "long.txt": encode(latinLines, "CP1252") }, screen: "",
    outputs: { "all.txt": redirected(`1: ad café\nlong.txt(2)${complexEnglish}\n3: ad naïve\n`, "CP1252") }, exit: 1 },
  // The ANSI code page stays 1252 whatever the console's: it has no Japanese.
  { name: "Japanese results redirected on a 932 console of a 1252 system", codePage: 932,
    batch: ["vesk /n /u8 /s abc u8.txt > out.txt"], files: { "u8.txt": "日本 abc\nxyz\ncafé abc\n" }, screen: "",
    outputs: { "out.txt": Buffer.from("1: ?? abc\r\n3: caf\xe9 abc\r\n", "latin1") }, exit: 1 },
  { name: "messages to a file while results go to a file too", lang: ja,
    batch: [`vesk /n /s ${tooComplex} long.txt > out.txt 2> err.txt`], files: { "long.txt": encode(japaneseLines, "CP932") },
    screen: "", outputs: { "out.txt": redirected("1: ad 日本\n3: ad 語\n", "CP932"),
                           "err.txt": redirected(`long.txt(2)${complexJapanese}\n`, "CP932") }, exit: 1 },

  { name: "10,000 result lines all reach the console", args: ["/u8", "/s", "^line", "many.txt"],
    files: { "many.txt": tenThousand }, screen: tenThousand, exit: 1, timeout: 120_000,
    timed: "10,000 result lines to the console" },
  { name: "a line of 65,535 characters reaches the console whole", args: ["/s", "abcde$", "long.txt"],
    files: { "long.txt": longLine + "\n" }, screen: longLine, joinRows: true, exit: 1 },
];
