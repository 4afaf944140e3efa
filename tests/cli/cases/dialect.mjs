// Where the dialect differs from JavaScript's RegExp, as the README, the
// Japanese manual and the manual page list it: each case pins Vesk's answer,
// and the JavaScript answer the documents give is checked here, with this
// Node.js, when the file loads.

const invalid = (pattern) => `${pattern} - Invalid regular expressions.\n`;
const tooLarge = (pattern) => `${pattern} - Regular expression is too large for the engine.\n`;
const posix = ["posix"];

function javaScript(ok, what) {
  if (!ok) throw new Error(`dialect.mjs: JavaScript no longer answers as documented: ${what}`);
}
const replaceFirst = (pattern, text, format) => text.replace(new RegExp(pattern), format);
const accepted = (pattern) => {
  try {
    return new RegExp(pattern) instanceof RegExp;
  } catch {
    return false;
  }
};

const refusedLookbehinds = ["(?<=a?)x", "(?<=a+)x", "(?<=a{1,2})x", "(?<=(a|bc))x", "(b)(?<=\\1)c"];
const nest = (n) => "(".repeat(n) + "a" + ")".repeat(n);
const longest = 65535;  // a line piece: the longest text a term can meet

javaScript(!/s/i.test("\u017f") && !/k/i.test("\u212a"), "s and the long s, k and the Kelvin sign differ under i");
for (const p of [...refusedLookbehinds, "a{65536}", nest(251)]) javaScript(accepted(p), `${p.slice(0, 20)} is valid`);
javaScript(replaceFirst("^(?:|a)*", "aaa", "[$&]") === "[aaa]", "^(?:|a)* matches aaa");
javaScript(replaceFirst("(?:(?=(abc)))?a", "abc", "[$1]") === "[]bc", "(?:(?=(abc)))?a leaves $1 empty");
javaScript(replaceFirst("(?:(?=(a)))?\\1b", "ab", "[$&]") === "a[b]", "(?:(?=(a)))?\\1b matches b only");
javaScript(replaceFirst("(z)((a+)?(b+)?(c))*", "zaacbbbcac", "[$4]") === "[]", "$4 is empty");
javaScript(replaceFirst("(a)", "a", "[$10]") === "[a0]", "$10 with one group is group 1 and a 0");

export default [
  { name: "i folds s with the long s (JavaScript: no match)", args: ["/si", "s"], stdin: "\u017f\n",
    stdout: "\u017f\n", exit: 1, platforms: posix },
  { name: "i folds k with the Kelvin sign (JavaScript: no match)", args: ["/si", "k"], stdin: "\u212a\n",
    stdout: "\u212a\n", exit: 1, platforms: posix },
  { name: "a lookbehind whose alternatives each have one length", args: ["/s", "(?<=a|bc)x"], stdin: "bcx\n",
    stdout: "bcx\n", exit: 1 },
  { name: "a lookbehind with a group of equal-length alternatives", args: ["/s", "(?<=(?:ab|cd))x"],
    stdin: "cdx\n", stdout: "cdx\n", exit: 1 },
  ...refusedLookbehinds.map((pattern) => ({
    name: `lookbehind ${pattern} is refused (JavaScript accepts it)`, args: ["/s", pattern], stdin: "bcx\n",
    stderr: invalid(pattern), exit: 0,
  })),
  // The first match is empty; the next may start there only if it is not.
  { name: "an empty repetition ends the match (JavaScript: [aaa])", args: ["/r", "^(?:|a)*", "[$&]"],
    stdin: "aaa\n", stdout: "[][a]aa\n", exit: 1 },
  { name: "an empty repetition keeps its capture (JavaScript: []bc)", args: ["/r", "(?:(?=(abc)))?a", "[$1]"],
    stdin: "abc\n", stdout: "[abc]bc\n", exit: 1 },
  { name: "an empty repetition moves the start through a back-reference (JavaScript: a[b])",
    args: ["/r", "(?:(?=(a)))?\\1b", "[$&]"], stdin: "ab\n", stdout: "[ab]\n", exit: 1 },
  { name: "a group keeps an earlier repetition's value (JavaScript: [])",
    args: ["/r", "(z)((a+)?(b+)?(c))*", "[$4]"], stdin: "zaacbbbcac\n", stdout: "[bbb]\n", exit: 1 },
  { name: "a repeat count of 65,535 is accepted", args: ["/s", "a{65535}"], stdin: "a\n", exit: 0 },
  { name: "a repeat count above 65,535 is refused", args: ["/s", "a{65536}"], stdin: "a\n",
    stderr: invalid("a{65536}"), exit: 0 },
  { name: "parentheses nest 250 deep", args: ["/s", nest(250)], stdin: "a\n", stdout: "a\n", exit: 1 },
  { name: "parentheses 251 deep are too many for the engine", args: ["/s", nest(251)], stdin: "a\n",
    stderr: tooLarge(nest(251)), exit: 0 },
  // Plain terms of any length a line holds work, literal or not, in either
  // case mode (k folds with the Kelvin sign, so PCRE2 takes /sli here). A
  // term as long as a piece meets the line's text without its line feed,
  // which is a piece of its own; parameter files are read in pieces of
  // bytes, so the Kelvin sign's three bytes leave room for fewer k's.
  ...[
    ["/sl", `${"k".repeat(longest - 1)}x`, `${"k".repeat(longest - 1)}x`],
    ["/s", `${"k".repeat(longest - 1)}x`, `${"k".repeat(longest - 1)}x`],
    ["/sli", `${"k".repeat(longest - 1)}X`, `${"K".repeat(longest - 1)}x`],
    ["/sli", `${"k".repeat(longest - 3)}\u212a`, `${"K".repeat(longest - 3)}k`],
  ].map(([option, term, line]) => ({
    name: `a plain term as long as a line (${option}, ending in U+${term.charCodeAt(term.length - 1).toString(16)})`,
    args: ["/f", "p.txt"], files: { "p.txt": `${option}\n${term}\n` },
    stdin: `${line}\n${"x".repeat(longest - 3)}\n`, stdout: line.length === longest ? line : `${line}\n`,
    exit: 1, platforms: term.endsWith("\u212a") ? posix : undefined,
  })),
  // A pattern is held by PCRE2's compiled code of 64 K units: 40,000 dots need more.
  { name: "a pattern larger than the engine holds", args: ["/f", "p.txt"],
    files: { "p.txt": `/s\n${".".repeat(40000)}\n` }, stdin: "x\n",
    stderr: tooLarge(".".repeat(40000)), exit: 0 },
  { name: "a missing group gives nothing (JavaScript: [a0])", args: ["/r", "(a)", "[$10|$0|$<x>]"],
    stdin: "a\n", stdout: "[|$0|$<x>]\n", exit: 1 },
];
