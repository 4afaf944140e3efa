// The command line: every argument error with its subject, the order of the
// checks, and what the accepted options do to a run.

// The catalogue texts of the command line and of parameter files, as the
// user sees them; subjects are written directly before the texts that begin
// with " - ".
export const en = {
  ParameterInvalid: " - Parameter is invalid.",
  EmptyParameter: "Empty parameter is specified.",
  ParametersConflict: " - Parameter is not able to use together.",
  ParameterAlreadySpecified: " - Parameter is already specified.",
  SearchOrReplaceNotSpecified: "Search or replace parameter is not specified.",
  SearchStringNotSpecified: "Search string is not specified.",
  SearchAndReplaceNotSpecified: "Search and replace strings are not specified.",
  ReplaceStringNotSpecified: "Replace string is not specified.",
  FileNameInvalid: " - File name or folder name is invalid.",
  ParameterFileNotSpecified: "Parameter file is not specified.",
  FileNotOpened: " - File was not able to open.",
  EmptyParameterInFile: "Empty parameter is specified in parameter file.",
  ParameterInFileInvalid: " - Parameter in parameter file is invalid.",
  SearchStringNotSpecifiedInFile: "Search string is not specified in parameter file.",
  SearchAndReplaceNotSpecifiedInFile: "Search and replace strings are not specified in parameter file.",
  ReplaceStringNotSpecifiedInFile: "Replace string is not specified in parameter file.",
  LineTooLongInFile: " - Line in parameter file is too long.",
  InvalidRegex: " - Invalid regular expressions.",
  FileOrFolderNotSpecified: "File or folder is not specified.",
};

export const ja = {
  ParameterInvalid: " - パラメータが正しくありません。",
  EmptyParameter: "空のパラメータが指定されています。",
  ParametersConflict: " - パラメータは一緒に使うことはできません。",
  ParameterAlreadySpecified: " - パラメータはすでに指定されています。",
  SearchOrReplaceNotSpecified: "検索または置換のパラメータが指定されていません。",
  SearchStringNotSpecified: "検索文字列が指定されていません。",
  SearchAndReplaceNotSpecified: "検索および置換文字列が指定されていません。",
  ReplaceStringNotSpecified: "置換文字列が指定されていません。",
  FileNameInvalid: " - ファイル名またはフォルダ名が正しくありません。",
  ParameterFileNotSpecified: "パラメータファイルが指定されていません。",
  FileNotOpened: " - ファイルを開けませんでした。",
  EmptyParameterInFile: "パラメータファイル内で空のパラメータが指定されています。",
  ParameterInFileInvalid: " - パラメータファイル内のパラメータが正しくありません。",
  SearchStringNotSpecifiedInFile: "パラメータファイル内の検索文字列が指定されていません。",
  SearchAndReplaceNotSpecifiedInFile: "パラメータファイル内の検索および置換文字列が指定されていません。",
  ReplaceStringNotSpecifiedInFile: "パラメータファイル内の置換文字列が指定されていません。",
  LineTooLongInFile: " - パラメータファイル内の行が長すぎます。",
  InvalidRegex: " - 正規表現が正しくありません。",
  FileOrFolderNotSpecified: "ファイルまたはフォルダが指定されていません。",
};

export const japanese = { LANG: "ja_JP.UTF-8" };
export const posixOnly = ["posix"];

// One error line on standard error, nothing on standard output, exit code 0.
export function fails(name, args, message, extra = {}) {
  return { name, args, stdout: "", stderr: message + "\n", exit: 0, ...extra };
}

const conflict = "/c /l /n /q" + en.ParametersConflict;

const argumentErrors = [
  fails("empty argument alone", [""], en.EmptyParameter),
  fails("empty argument in option position", ["/s", "a", ""], en.EmptyParameter),
  fails("empty argument before the search", ["", "/s", "a"], en.EmptyParameter),

  fails("search option as the only argument", ["/s"], en.SearchStringNotSpecified),
  fails("search option as the last argument", ["/n", "/s", "a", "/si"], en.SearchStringNotSpecified),
  fails("bad search letter as the last argument: the term is missed first", ["/sx"],
        en.SearchStringNotSpecified),

  fails("replace option as the last argument", ["/s", "a", "/r"], en.SearchAndReplaceNotSpecified),
  fails("bad replace letter as the last argument", ["/rv"], en.SearchAndReplaceNotSpecified),
  fails("replace option with one term", ["/r", "a"], en.ReplaceStringNotSpecified),
  fails("bad replace letter with one term", ["/rx", "a"], en.ReplaceStringNotSpecified),

  fails("parameter-file option as the last argument", ["/s", "a", "/f"], en.ParameterFileNotSpecified),
  fails("parameter-file option in capitals as the last argument", ["/F"], en.ParameterFileNotSpecified),

  fails("unknown search letter", ["/sx", "a"], "/sx" + en.ParameterInvalid),
  fails("unknown search letter keeps the spelling typed", ["/SIX", "a"], "/SIX" + en.ParameterInvalid),
  fails("the letter e belongs to replace", ["/se", "a"], "/se" + en.ParameterInvalid),
  fails("a word beginning with /s is a search option", ["/search", "a"],
        "/search" + en.ParameterInvalid),
  fails("the letter v belongs to search", ["/rv", "a", "b"], "/rv" + en.ParameterInvalid),
  fails("unknown replace letter after good ones", ["/rie!", "a", "b"], "/rie!" + en.ParameterInvalid),
  fails("a blank is no letter", ["/s ", "a"], "/s " + en.ParameterInvalid),

  fails("unknown option", ["/s", "a", "/x"], "/x" + en.ParameterInvalid),
  fails("parameter-file option with a letter", ["/fx", "p.txt", "/s", "a"], "/fx" + en.ParameterInvalid),
  fails("count option with a list letter", ["/cv", "/s", "a"], "/cv" + en.ParameterInvalid),
  fails("unknown encoding", ["/u32", "/s", "a", "f.txt"], "/u32" + en.ParameterInvalid),
  fails("a lone slash", ["/s", "a", "/"], "/" + en.ParameterInvalid),
  fails("help among other arguments", ["/?", "/?"], "/?" + en.ParameterInvalid),

  fails("second target", ["/s", "a", "one.txt", "two.txt"], "two.txt" + en.ParameterInvalid),
  fails("second target before the options", ["one", "two", "/s", "a"], "two" + en.ParameterInvalid),
  fails("a second target is checked before its characters", ["/s", "a", "one", "t<o"],
        "t<o" + en.ParameterInvalid),

  fails("less-than in the target", ["/s", "a", "a<b"], "a<b" + en.FileNameInvalid),
  fails("greater-than in the target", ["/s", "a", ">b"], ">b" + en.FileNameInvalid),
  fails("vertical bar in the target", ["/s", "a", "a|b"], "a|b" + en.FileNameInvalid),
  fails("double quote in the target", ["/s", "a", 'a"b'], 'a"b' + en.FileNameInvalid),
  fails("forward slash in the target on Windows", ["/s", "a", "sub/a.txt"],
        "sub/a.txt" + en.FileNameInvalid, { platforms: ["wine"] }),

  fails("encoding given twice", ["/u", "/u16", "/s", "a", "f.txt"], "/u" + en.ParameterAlreadySpecified),
  fails("UTF-8 given twice", ["/s", "a", "/u8", "f.txt", "/u8"], "/u" + en.ParameterAlreadySpecified),
  fails("UTF-16 after UTF-8 names /u", ["/U8", "/U16", "/s", "a", "f.txt"],
        "/u" + en.ParameterAlreadySpecified),
];

const closingChecks = [
  fails("count with list", ["/c", "/l", "/s", "a"], conflict),
  fails("line numbers with quiet", ["/n", "/q", "/s", "a"], conflict),
  fails("count only if found with list of files without hits", ["/ce", "/lv", "/s", "a"], conflict),
  fails("all four display options", ["/q", "/n", "/l", "/c", "/s", "a"], conflict),
  fails("conflict is checked before the missing target", ["/c", "/n", "/d", "/s", "a"], conflict),
  fails("conflict is checked before the missing entries", ["/c", "/q"], conflict),
  fails("a later argument error wins over a display conflict", ["/c", "/l", "/s", "a", "/x"],
        "/x" + en.ParameterInvalid),
  fails("a later missing term wins over a display conflict", ["/n", "/q", "/s"],
        en.SearchStringNotSpecified),

  fails("subfolders without a target", ["/d", "/s", "a"], en.FileOrFolderNotSpecified),
  fails("subfolders alone: the target is missed before the entries", ["/d"], en.FileOrFolderNotSpecified),
  fails("an encoding without a target", ["/s", "a", "/u"], en.FileOrFolderNotSpecified),
  fails("UTF-8 alone", ["/u8"], en.FileOrFolderNotSpecified),

  fails("a target and no entries", ["file.txt"], en.SearchOrReplaceNotSpecified),
  fails("display option and no entries", ["/n"], en.SearchOrReplaceNotSpecified),
  fails("target with subfolders and no entries", ["/d", "dir"], en.SearchOrReplaceNotSpecified),

  fails("pattern that does not compile", ["/s", "("], "(" + en.InvalidRegex),
  fails("replace pattern that does not compile", ["/s", "a", "/ri", "a[", "b"], "a[" + en.InvalidRegex),
  fails("the first bad pattern is named", ["/s", "a)", "/s", "(b"], "a)" + en.InvalidRegex),
  fails("a bad pattern is found before any target is looked at", ["/s", "(", "missing.txt"],
        "(" + en.InvalidRegex),
];

const inJapanese = [
  ["empty argument", ["/s", "a", ""], ja.EmptyParameter],
  ["search term missing", ["/s"], ja.SearchStringNotSpecified],
  ["replace terms missing", ["/r"], ja.SearchAndReplaceNotSpecified],
  ["replacement missing", ["/r", "a"], ja.ReplaceStringNotSpecified],
  ["parameter file missing", ["/f"], ja.ParameterFileNotSpecified],
  ["unknown letter", ["/sv", "a", "/rl", "a", "b", "/rz", "a", "b"], "/rz" + ja.ParameterInvalid],
  ["unknown option", ["/s", "a", "/ver"], "/ver" + ja.ParameterInvalid],
  ["second target", ["/s", "a", "t1", "t2"], "t2" + ja.ParameterInvalid],
  ["forbidden character", ["/s", "a", "x|y"], "x|y" + ja.FileNameInvalid],
  ["encoding twice", ["/u16", "/u", "/s", "a", "f"], "/u" + ja.ParameterAlreadySpecified],
  ["display conflict", ["/l", "/n", "/s", "a"], "/c /l /n /q" + ja.ParametersConflict],
  ["target missing", ["/d", "/s", "a"], ja.FileOrFolderNotSpecified],
  ["entries missing", ["/q"], ja.SearchOrReplaceNotSpecified],
  ["bad pattern", ["/s", "[a"], "[a" + ja.InvalidRegex],
].map(([name, args, message]) =>
  fails(`${name} in Japanese`, args, message, { env: japanese, platforms: posixOnly }));

// Runs that get past parsing: what the options did shows in the result.
const accepted = [
  { name: "a search for the text /r reads standard input", args: ["/s", "/r"],
    stdin: "a/r\nb\n/R\n", stdout: "a/r\n", stderr: "", exit: 1 },
  { name: "terms may begin with a slash", args: ["/r", "/d", "/c"], stdin: "a/d\n", stdout: "a/c\n",
    stderr: "", exit: 1 },
  { name: "an empty term matches every line", args: ["/s", ""], stdin: "a\n\nb\n", stdout: "a\n\nb\n",
    stderr: "", exit: 1 },
  { name: "options and letters ignore case", args: ["/SIL", "A.B"], stdin: "xa.by\naxb\n",
    stdout: "xa.by\n", stderr: "", exit: 1 },
  { name: "letters repeat in any order", args: ["/sLIi", "A.B"], stdin: "axb\nA.b\n",
    stdout: "A.b\n", stderr: "", exit: 1 },
  { name: "inverted search", args: ["/sv", "a"], stdin: "a\nb\n", stdout: "b\n", stderr: "", exit: 1 },
  { name: "replace letters", args: ["/RLE", "$", "\\t$1"], stdin: "a$b\n", stdout: "a\t$1b\n",
    stderr: "", exit: 1 },
  { name: "entries apply in command-line order", args: ["/r", "a", "b", "/r", "b", "c"],
    stdin: "ab\n", stdout: "cc\n", stderr: "", exit: 1 },
  { name: "count with count-if-found is one display option", args: ["/c", "/ce", "/s", "a"],
    stdin: "a\nb\na\n", stdout: "2\n", stderr: "", exit: 1 },
  { name: "count-if-found writes nothing without hits", args: ["/CE", "/s", "a"], stdin: "b\n",
    stdout: "", stderr: "", exit: 0 },
  { name: "count writes zero without hits", args: ["/C", "/s", "a"], stdin: "b\n", stdout: "0\n",
    stderr: "", exit: 0 },
  { name: "list with list-without-hits is one display option", args: ["/l", "/lv", "/s", "a"],
    stdin: "b\n", stdout: "(CON)\n", stderr: "", exit: 0 },
  { name: "line numbers", args: ["/s", "b", "/N"], stdin: "a\nb\n", stdout: "2: b\n", stderr: "", exit: 1 },
  { name: "quiet", args: ["/Q", "/s", "a", "/q"], stdin: "a\n", stdout: "", stderr: "", exit: 1 },
  { name: "a target may come first", args: ["in.txt", "/s", "x"], files: { "in.txt": "x\ny\n" },
    stdout: "x\n", stderr: "", exit: 1 },
  { name: "a target with a blank", args: ["/s", "x", "my file.txt"], files: { "my file.txt": "x\n" },
    stdout: "x\n", stderr: "", exit: 1 },
  { name: "a wildcard target passes the character check", args: ["/s", "x", "m?.*"],
    files: { "my.txt": "x\n" }, stdout: "my.txt: x\n", stderr: "", exit: 1 },
  { name: "a relative path is a target on POSIX", args: ["/s", "x", "sub/a.txt"],
    files: { "sub/a.txt": "x\n" }, stdout: "x\n", stderr: "", exit: 1, platforms: posixOnly },
  { name: "a backslash path is a target on Windows", args: ["/s", "x", "sub\\a.txt"],
    files: { "sub/a.txt": "x\n" }, stdout: "x\n", stderr: "", exit: 1, platforms: ["wine"] },
  { name: "subfolders with a target", args: ["/D", "/s", "x", "sub"], files: { "sub/a.txt": "x\n" },
    stdout: "<.>\na.txt: x\n", stderr: "", exit: 1 },
  { name: "UTF-16 input named by /u16", args: ["/u16", "/s", "b", "w.txt"],
    files: { "w.txt": Buffer.from("a\nb\n", "utf16le") }, stdout: "b\n", stderr: "", exit: 1 },
];

export default [...argumentErrors, ...closingChecks, ...inJapanese, ...accepted];
