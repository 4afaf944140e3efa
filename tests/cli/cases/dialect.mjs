// Where the dialect differs from JavaScript's RegExp, as the README, the
// Japanese manual and the manual page list it: each case pins Vesk's answer,
// and the JavaScript answer the documents give is checked here, with this
// Node.js, when the file loads.

const invalid = (pattern) => `${pattern} - Invalid regular expressions.\n`;
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
const longest = 32765;

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
  { name: "parentheses 251 deep are refused", args: ["/s", nest(251)], stdin: "a\n",
    stderr: invalid(nest(251)), exit: 0 },
  { name: "the longest plain term", args: ["/f", "p.txt"], files: { "p.txt": `/sl\n${"x".repeat(longest)}\n` },
    stdin: "x".repeat(longest) + "\n", stdout: "x".repeat(longest) + "\n", exit: 1 },
  { name: "a plain term one character longer is refused", args: ["/f", "p.txt"],
    files: { "p.txt": `/sl\n${"x".repeat(longest + 1)}\n` }, stdin: "x\n",
    stderr: invalid("x".repeat(longest + 1)), exit: 0 },
  { name: "a missing group gives nothing (JavaScript: [a0])", args: ["/r", "(a)", "[$10|$0|$<x>]"],
    stdin: "a\n", stdout: "[|$0|$<x>]\n", exit: 1 },
];
