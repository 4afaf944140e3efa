// The stand-alone requests, the message language and the output encodings.

export const helpEnglish = `Search and replace strings in files.

Vesk [/c[e] | /l[v] | /n | /q] /s[ilv] search-string... /r[eil] search-string replace-string... /f parameter-file... [[/d] [/u[8|16]] file]
     /c Display count of search result
        e Display only if target search found
     /l Display only file name
        v Display file name of search not found
     /n Display row number also
     /q No display
     /s Search string
        i Ignore case
        l Do not use regular expression
        v Search do not match
     /r Replace string
        e Use escape character for replace string
        i Ignore case
        l Do not use regular expression
     /f Read parameter file
     /d Include subfolders
     /u Handle Unicode file
        8  Use UTF-8
        16 Use UTF-16

Returns exit code 1 if target search found.
`;

export const helpJapanese = `ファイル内の文字列の検索や置換をします。

Vesk [/c[e] | /l[v] | /n | /q] /s[ilv] 検索文字列... /r[eil] 検索文字列 置換文字列... /f パラメータファイル... [[/d] [/u[8|16]] ファイル]
     /c 検索結果のカウントを表示する
        e 検索対象が見つかった場合のみ表示する
     /l ファイル名のみ表示する
        v 検索対象が見つからなかったファイル名を表示
     /n 行番号も表示する
     /q 結果を表示しない
     /s 文字列を検索する
        i 英文字大小文字を区別しない
        l 正規表現を使わない
        v 一致しないものを検索する
     /r 文字列を置換える
        e 置換文字列にエスケープ文字を使う
        i 英文字大小文字を区別しない
        l 正規表現を使わない
     /f パラメータファイルを読み込む
     /d サブフォルダも含める
     /u Unicode のファイルを扱う
        8  UTF-8 を使用する
        16 UTF-16 を使用する

検索対象が見つかった場合終了コード 1 を返します。
`;

// The stamp of the build tools: "Mar  7 2025 09:05:00".
const banner = /^\n Vesk 2\.00 (32|64)bit - [A-Z][a-z]{2} [ 1-3][0-9] \d{4} \d{2}:\d{2}:\d{2} \n$/;

const japanese = { LANG: "ja_JP.UTF-8" };
const shiftJis = { LANG: "ja_JP.SJIS" };
const posix = ["posix"];

export default [
  { name: "help", args: ["/?"], stdout: helpEnglish, stderr: "", exit: 0 },
  { name: "help in Japanese", args: ["/?"], env: japanese, stdout: helpJapanese, platforms: posix },
  { name: "help in English under a Japanese locale without a Japanese codeset", args: ["/?"],
    env: { LANG: "ja_JP.EUC-JP" }, stdout: helpEnglish, platforms: posix },
  { name: "help in English under another language with UTF-8", args: ["/?"],
    env: { LANG: "de_DE.UTF-8" }, stdout: helpEnglish, platforms: posix },
  { name: "LC_ALL wins over LANG", args: ["/?"], env: { LANG: "C.UTF-8", LC_ALL: "ja_JP.UTF-8" },
    stdout: helpJapanese, platforms: posix },
  { name: "help in Japanese redirected as Shift_JIS", args: ["/?"], env: shiftJis,
    stdout: Buffer.from(execIconv(helpJapanese, "CP932")), platforms: posix },
  ...["/void", "/VOID", "/Void"].map((arg) => ({ name: `void ${arg}`, args: [arg], stdout: "", stderr: "" })),
  ...["/ver", "/VER", "/vEr"].map((arg) => ({ name: `version ${arg}`, args: [arg], stdout: banner, stderr: "" })),
  { name: "no arguments", args: [], stderr: "Search or replace parameter is not specified.\n" },
  { name: "no arguments in Japanese", args: [], env: japanese, platforms: posix,
    stderr: "検索または置換のパラメータが指定されていません。\n" },
  { name: "no arguments in Japanese, Shift_JIS", args: [], env: shiftJis, platforms: posix,
    stderr: Buffer.from(execIconv("検索または置換のパラメータが指定されていません。\n", "CP932")) },
  { name: "help with another argument is a bad parameter", args: ["/?", "/s"],
    stderr: "/? - Parameter is invalid.\n" },
  { name: "help after another argument", args: ["/s", "x", "/?"], stderr: "/? - Parameter is invalid.\n" },
  { name: "void with another argument", args: ["/void", "x"], stderr: "/void - Parameter is invalid.\n" },
  { name: "version with another argument in Japanese", args: ["/ver", "/ver"], env: japanese,
    stderr: "/ver - パラメータが正しくありません。\n", platforms: posix },
  { name: "help with a trailing blank is not help", args: ["/? "], stderr: "/?  - Parameter is invalid.\n" },
];

// Encodes text in a code page with the system's iconv, so expected bytes are
// not written by hand.
import { execFileSync } from "node:child_process";
function execIconv(text, codeset) {
  return execFileSync("iconv", ["-f", "UTF-8", "-t", codeset], { input: text });
}
