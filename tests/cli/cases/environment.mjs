// When the environment pushes back: output that goes into a file Vesk would
// read, a VESK_THREADS that says no number, a pipe that is non-blocking.

const posix = ["posix"];
// A file the output is appended to keeps what it held, byte for byte.
const isOutput = (subject) => `${subject} - File is the output, so it was not searched.\n`;
const isOutputJa = (subject) => `${subject} - 出力先のファイルのため、検索しませんでした。\n`;
const threadsWarning = (value) => `VESK_THREADS=${value} is not a number from 1 to 64; the default is used.\n`;

const outputCases = [
  { name: "a walk passes over the file its output goes to", args: ["/d", "/s", "foo", "."],
    files: { "a.txt": "foo 1\n", "result.txt": "", "sub/b.txt": "foo 2\n" }, stdoutTo: { file: "result.txt" },
    stdout: "<.>\na.txt: foo 1\n\n<sub>\nb.txt: foo 2\n",
    stderr: (p) => isOutput(`${p.dir}result.txt`), exit: 1 },
  { name: "a wildcard passes over the file its output goes to", args: ["/s", "foo", "*.txt"],
    files: { "a.txt": "foo\n", "out.txt": "" }, stdoutTo: { file: "out.txt" },
    stdout: "a.txt: foo\n", stderr: (p) => isOutput(`${p.dir}out.txt`), exit: 1 },
  { name: "a named file appended to by its own output is not read", args: ["/s", "foo", "self.txt"],
    files: { "self.txt": "foo\n" }, stdoutTo: { file: "self.txt", append: true },
    stdout: /^foo\n$/, stderr: (p) => isOutput(`${p.dir}self.txt`), exit: 0 },
  { name: "standard input that is the output file is not read", args: ["/s", "foo"],
    files: { "self.txt": "foo\n" }, stdin: { path: "self.txt" }, stdoutTo: { file: "self.txt", append: true },
    stdout: /^foo\n$/, stderr: isOutput("(CON)"), exit: 0 },
  { name: "the output file in Japanese", args: ["/s", "foo", "self.txt"], env: { LANG: "ja_JP.UTF-8" },
    files: { "self.txt": "foo\n" }, stdoutTo: { file: "self.txt", append: true }, platforms: posix,
    stdout: "foo\n", stderr: (p) => isOutputJa(`${p.dir}self.txt`), exit: 0 },
  { name: "a file of the walk that is not the output is read", args: ["/s", "foo", "a.txt"],
    files: { "a.txt": "foo\n", "other.txt": "" }, stdoutTo: { file: "other.txt" }, stdout: "foo\n", exit: 1 },
];

// Only plain decimal numbers from 1 to 64 count; the run goes on with the default.
const badThreads = ["0", "65", "2x", " 2", "08", "", "-1", "1e3", "-18446744073709551615", "+4"];
const threadCases = [
  ...badThreads.map((value) => ({
    name: `VESK_THREADS=${JSON.stringify(value)} is reported`, args: ["/s", "a"], stdin: "a\nb\n",
    env: { VESK_THREADS: value }, stdout: "a\n", stderr: threadsWarning(value), exit: 1 })),
  ...["1", "7", "64"].map((value) => ({
    name: `VESK_THREADS=${value} is taken silently`, args: ["/c", "/s", "a"], stdin: "a\nb\n",
    env: { VESK_THREADS: value }, stdout: "1\n", stderr: "", exit: 1 })),
  { name: "VESK_THREADS reported in Japanese", args: ["/s", "a"], stdin: "a\n", platforms: posix,
    env: { VESK_THREADS: "x", LANG: "ja_JP.UTF-8" }, stdout: "a\n",
    stderr: "VESK_THREADS=x は 1 から 64 までの数ではないため、既定の数を使います。\n", exit: 1 },
];

const pipeCases = [
  // Nothing to read yet is no error: the read waits for the writer.
  { name: "a non-blocking pipe is waited for", args: ["/n", "/s", "foo"], platforms: posix,
    stdin: { nonBlocking: "a\nfoo\n" }, stdout: "2: foo\n", stderr: "", exit: 1 },
];

export default [...outputCases, ...threadCases, ...pipeCases];
