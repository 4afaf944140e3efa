// The stand-alone requests and the messages on a real console: the language
// follows the console's code page and the user's interface language.
import { helpEnglish, helpJapanese } from "../../cli/cases/frame.mjs";

const ja = "ja_JP.UTF-8";
// Wine under a Japanese locale starts with code page 932 and interface
// language 0x0411, under C.UTF-8 with 437 and 0x0409; chcp switches the code page.
const consoles = [
  { label: "437", japanese: false },
  { label: "932 with Japanese interface", lang: ja, japanese: true },
  { label: "65001 with Japanese interface", lang: ja, codePage: 65001, japanese: true },
  { label: "932 with English interface", codePage: 932, japanese: false },
  { label: "437 with Japanese interface", lang: ja, codePage: 437, japanese: false },
];
const on = ({ lang, codePage }) => ({ ...(lang ? { lang } : {}), ...(codePage ? { codePage } : {}) });

const banner = /^\n Vesk 2\.00 (32|64)bit - [A-Z][a-z]{2} [ 1-3][0-9] \d{4} \d{2}:\d{2}:\d{2}$/;

export default [
  ...consoles.map((c) => ({
    name: `help on a ${c.label} console`, ...on(c), args: ["/?"],
    screen: c.japanese ? helpJapanese : helpEnglish, exit: 0,
  })),
  ...consoles.map((c) => ({
    name: `a message with a subject on a ${c.label} console`, ...on(c), args: ["/s", "x", "/x"],
    screen: c.japanese ? "/x - パラメータが正しくありません。" : "/x - Parameter is invalid.", exit: 0,
  })),
  ...consoles.map((c) => ({
    name: `a message without a subject on a ${c.label} console`, ...on(c), args: ["/s"],
    screen: c.japanese ? "検索文字列が指定されていません。" : "Search string is not specified.", exit: 0,
  })),
  { name: "version on a 437 console", args: ["/ver"], screen: banner, exit: 0 },
  { name: "version on a 932 console", lang: ja, args: ["/VER"], screen: banner, exit: 0 },
  { name: "void on a console writes nothing", lang: ja, args: ["/void"], screen: "", exit: 0,
    timed: "a run that writes nothing (Wine's start)" },
  { name: "a Japanese subject on a 437 console", args: ["/s", "x", "日本.txt"],
    screen: "日本.txt - File or folder was not found.", exit: 0 },
  { name: "a Japanese subject on a 932 console", lang: ja, args: ["/s", "x", "日本.txt"],
    screen: "日本.txt - ファイルまたはフォルダが見つかりませんでした。", exit: 0 },
];
