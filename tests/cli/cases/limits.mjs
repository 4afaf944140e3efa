// What the engine and the entries may cost: every line ends within its time,
// search entries are decided where backtracking would take too long, a
// replacement cannot grow a line without bound, and a run without memory
// ends with a message.

const posix = ["posix"];
const tooComplex = (subject) =>
  `${subject} - Regular expression is too complex for this line; the line was skipped.\n`;
const tooLong = (subject) =>
  `${subject} - Replacing would make the line too long; the line was left unchanged.\n`;
const longest = "a".repeat(65535) + "\n";

// Literal search records, in a parameter file, none of which a line of
// digits holds.
function literalRecords(count) {
  const records = [];
  for (let i = 0; i < count; i++) records.push(`/sl\nword${i.toString(36)}\n`);
  return records.join("");
}

// The deepest nesting a pattern may have, in lookaheads the automaton
// decides (recursively): on a worker thread, whose stack is small.
const nested = 248;
const deepestAutomaton = "(x+x+)+" + "(?=[xyz]".repeat(nested) + "[yz]" + ")".repeat(nested);

export default [
  { name: "the deepest lookaheads decided by the automaton on a worker",
    args: ["/c", "/f", "p.txt", "x.txt"], env: { VESK_THREADS: "2" },
    files: { "p.txt": `/s\n${deepestAutomaton}\n`, "x.txt": ("z" + "x".repeat(30) + "\n").repeat(300) },
    stdout: "0\n", exit: 0 },
  // Work spread over every start position of the longest line.
  { name: "(a)*[b-c] on the longest line is decided", args: ["/c", "/s", "(a)*[b-c]", "a.txt"],
    files: { "a.txt": longest }, stdout: "0\n", exit: 0 },
  { name: "(a)*\\1[b-c] ignoring case on the longest line gives up in time",
    args: ["/c", "/si", "(a)*\\1[b-c]", "a.txt"], files: { "a.txt": longest }, stdout: "0\n",
    stderr: tooComplex("a.txt(1)"), exit: 0 },
  { name: "(a)*\\1[b-c] on the longest line gives up in time", args: ["/c", "/s", "(a)*\\1[b-c]", "a.txt"],
    files: { "a.txt": longest }, stdout: "0\n", stderr: tooComplex("a.txt(1)"), exit: 0 },
  { name: "a replacement with (a)*[b-c] on the longest line gives up in time",
    args: ["/c", "/r", "(a)*[b-c]", "x", "a.txt"], files: { "a.txt": longest }, stdout: "0\n",
    stderr: tooComplex("a.txt(1)"), exit: 0 },
  // Many hard lines: those without y or z are skipped on their bytes, the
  // others are decided by the automaton.
  { name: "(x+x+)+[yz] on 2,000 lines of x's", args: ["/c", "/s", "(x+x+)+[yz]", "x.txt"],
    files: { "x.txt": ("x".repeat(30) + "\n").repeat(2000) }, stdout: "0\n", exit: 0 },
  { name: "(x+x+)+[yz] on 2,000 lines that hold a z", args: ["/c", "/s", "(x+x+)+[yz]", "x.txt"],
    files: { "x.txt": ("z" + "x".repeat(30) + "\n").repeat(1999) + "xxz\n" }, stdout: "1\n", exit: 1 },
  { name: "(x+x+)+[yz] inverted on 2,000 lines that hold a z", args: ["/c", "/sv", "(x+x+)+[yz]", "x.txt"],
    files: { "x.txt": ("z" + "x".repeat(30) + "\n").repeat(1999) + "xxz\n" }, stdout: "1999\n", exit: 1 },
  // A line may grow to 1,048,576 units by replacement, no further.
  { name: "$' for every character of a long line leaves it as it was",
    args: ["/n", "/r", "a", "$'", "a.txt"], files: { "a.txt": "ab\n" + "a".repeat(30000) + "\n" },
    stdout: "1: b\nb\n2: " + "a".repeat(30000) + "\n", stderr: tooLong("a.txt(2)"), exit: 1 },
  // 61,680 a's and the line feed: "$'" is 61,680 units, 16 of them and the
  // rest of the line 1,048,560, and 16 b's make 1,048,576.
  { name: "a line that grows to the limit exactly", args: ["/c", "/r", "^a", "$'".repeat(16) + "b".repeat(16)],
    stdin: "a".repeat(61680) + "\n", stdout: "1\n", exit: 1 },
  { name: "a line that would grow one unit beyond the limit",
    args: ["/c", "/r", "^a", "$'".repeat(16) + "b".repeat(17)], stdin: "a".repeat(61680) + "\n",
    stdout: "0\n", stderr: tooLong("(CON)(1)"), exit: 0 },
  // Entries are small: 200,000 literal records take a fraction of a second.
  { name: "200,000 literal search records", args: ["/c", "/f", "p.txt", "t.txt"],
    files: { "p.txt": literalRecords(200000), "t.txt": "123\n456\n" }, stdout: "0\n", exit: 0 },
  { name: "200,000 literal search records without memory for them",
    args: ["/c", "/f", "p.txt", "t.txt"], addressSpace: 48 << 20, platforms: posix,
    files: { "p.txt": literalRecords(200000), "t.txt": "123\n" }, stderr: "Not enough memory.\n", exit: 0 },
];
