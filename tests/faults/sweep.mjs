// Every allocation and every read that fails: the fault-injection build
// (VESK_FAULTS, see platform/faults.h) fails the N-th allocation (and every
// later one, or only that one) or the K-th read of a file, for N and K from
// 1 up, over a set of representative runs. Each run must end without a
// crash, a hang or a sanitizer's report, and soundly:
// - allocations: the same as the run without failures (recovered), or its
//   messages, then "Not enough memory.", with standard output a prefix of
//   its output (cut short, nothing corrupted);
// - reads: the input ends where the read failed, with "name - File could
//   not be read to its end.", and everything else is as when the file ends
//   there: the lines before it exactly, the files after it, the exit code.
// N runs through the first values in turn, then a sample spread up to the
// last allocation of the run: as many as --seconds allows (a full sweep of
// every run would take a quarter of an hour under the sanitizers).
//
// Usage: node sweep.mjs --exe PATH [--seconds S] [--keep]

import { spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

function parseArguments(argv) {
  const options = { exe: null, seconds: 90, keep: false };
  for (let i = 0; i < argv.length; i++) {
    if (argv[i] === "--exe") options.exe = path.resolve(argv[++i]);
    else if (argv[i] === "--seconds") options.seconds = Number(argv[++i]);
    else if (argv[i] === "--keep") options.keep = true;
    else throw new Error(`unknown argument ${argv[i]}`);
  }
  if (!options.exe) throw new Error("--exe is required");
  return options;
}

// --- The runs and their files ---

function lines(count, make) {
  return Array.from({ length: count }, (_, i) => make(i)).join("");
}

const kText = lines(400, (i) => `${i % 7 === 0 ? "foo " : ""}line ${i} of text, bar ${i % 3} 東京 ${"o".repeat(i % 5)}\n`);

function files() {
  return {
    "a.txt": kText,
    "tree/one.txt": kText,
    "tree/sub/two.txt": kText.slice(0, 5000),
    "tree/sub/deeper/three.txt": "nothing here\n".repeat(50) + "foo at last\n",
    "tree/other/four.txt": lines(300, (i) => `foo ${i}\n`),
    "params.txt": "/s\nfoo\n/r\no+\n0\n/sv\nbar 1\n",
    "wide.txt": Buffer.concat([Buffer.from([0xff, 0xfe]), Buffer.from(kText, "utf16le")]),
    "hard.txt": lines(200, (i) => (i % 2 ? "z" : "") + "x".repeat(30) + "\n"),
    "big.txt": kText.repeat(40),
  };
}

// Each with the thread count it runs with: the walk with workers, so that
// failures meet them too.
const kRuns = [
  { name: "search", args: ["/n", "/s", "foo|東京 1", "a.txt"] },
  { name: "replace", args: ["/r", "o+", "<$&>", "/rl", "bar", "BAR", "a.txt"] },
  { name: "walk with threads", args: ["/d", "/sl", "foo", "tree"], threads: "2" },
  { name: "blocks with threads", args: ["/n", "/r", "o+", "0", "big.txt"], threads: "2" },
  { name: "parameter file", args: ["/c", "/f", "params.txt", "a.txt"] },
  { name: "UTF-16 input", args: ["/u16", "/si", "東京 [0-9]", "wide.txt"] },
  { name: "decided by the automaton", args: ["/c", "/s", "(x+x+)+[yz]", "hard.txt"] },
];

function writeFiles(dir) {
  for (const [name, content] of Object.entries(files())) {
    fs.mkdirSync(path.join(dir, path.dirname(name)), { recursive: true });
    fs.writeFileSync(path.join(dir, name), content);
  }
}

// --- Running ---

const kSanitizerReport = /AddressSanitizer|LeakSanitizer|UndefinedBehaviorSanitizer|runtime error:/;

function run(exe, dir, testRun, faults) {
  const log = path.join(dir, "faults.log");
  fs.rmSync(log, { force: true });
  const env = { PATH: process.env.PATH, LANG: "C.UTF-8", VESK_THREADS: testRun.threads ?? "1",
                VESK_FAULT_LOG: log, ASAN_OPTIONS: "detect_leaks=1", ...faults };
  const result = spawnSync(exe, testRun.args, { cwd: dir, env, timeout: 20_000, maxBuffer: 1 << 28 });
  return {
    stdout: result.stdout ?? Buffer.alloc(0),
    stderr: result.stderr?.toString("utf8") ?? "",
    status: result.status,
    signal: result.signal,
    timedOut: result.error?.code === "ETIMEDOUT",
    log: fs.existsSync(log) ? fs.readFileSync(log, "utf8") : "",
  };
}

// What no run may do, whatever failed.
function unsound(outcome) {
  if (outcome.timedOut) return "did not end within 20 s";
  if (outcome.signal) return `ended by ${outcome.signal}`;
  if (kSanitizerReport.test(outcome.stderr)) return `sanitizer report:\n${outcome.stderr.slice(0, 2000)}`;
  if (outcome.status !== 0 && outcome.status !== 1) return `exit code ${outcome.status}`;
  return null;
}

function stderrLines(text) {
  return text.split("\n").filter((line) => line !== "");
}

// --- Allocations ---

function checkAllocationFailure(full, outcome) {
  const problem = unsound(outcome);
  if (problem) return problem;
  if (!outcome.log.includes("failed")) return null;  // the run ended before the N-th
  const recovered = outcome.stdout.equals(full.stdout) && outcome.stderr === full.stderr &&
                    outcome.status === full.status;
  if (recovered) return null;
  const messages = stderrLines(outcome.stderr);
  if (messages.at(-1) !== "Not enough memory.") return `no "Not enough memory." at the end of:\n${outcome.stderr}`;
  const before = messages.slice(0, -1);
  const fullMessages = stderrLines(full.stderr);
  if (before.some((line, i) => line !== fullMessages[i])) return `messages other than the full run's:\n${outcome.stderr}`;
  if (!full.stdout.subarray(0, outcome.stdout.length).equals(outcome.stdout)) {
    return `standard output is not a prefix of the full run's (${outcome.stdout.length} bytes)`;
  }
  if (outcome.status !== 0) return `exit code ${outcome.status} after "Not enough memory."`;
  return null;
}

// Every N up to `exhaustive`, then a sample spread geometrically up to the
// last allocation the run makes.
function allocationPoints(total, exhaustive, sampled) {
  const points = [];
  for (let n = 1; n <= Math.min(total, exhaustive); n++) points.push(n);
  if (total > exhaustive) {
    const ratio = (total / exhaustive) ** (1 / sampled);
    let n = exhaustive;
    for (let i = 0; i < sampled; i++) {
      n = Math.max(n + 1, Math.round(n * ratio));
      if (n > total) break;
      points.push(n);
    }
    if (points.at(-1) !== total) points.push(total);
  }
  return points;
}

function allocationsOf(exe, dir, testRun) {
  // A plan that never fails still counts; the count is logged at exit.
  const counted = run(exe, dir, testRun, { VESK_FAULT_ALLOC: "1000000000000:once" });
  const match = /allocations (\d+)/.exec(counted.log);
  if (!match) throw new Error(`${testRun.name}: the build does not count allocations (VESK_FAULTS off?)`);
  return Number(match[1]);
}

// --- Reads ---

// The same run where the file ends at the offset of the failed read.
function expectedAfterReadFailure(exe, dir, testRun, log) {
  const match = /read \d+ failed at (\d+) of (.*)/.exec(log);
  if (!match) return { problem: `no failed read in the log: ${log}` };
  const [, offset, failedPath] = match;
  const relative = path.relative(dir, failedPath);
  const copy = fs.mkdtempSync(path.join(path.dirname(dir), "cut-"));
  fs.cpSync(dir, copy, { recursive: true });
  fs.truncateSync(path.join(copy, relative), Number(offset));
  const outcome = run(exe, copy, testRun, {});
  fs.rmSync(copy, { recursive: true, force: true });
  return { outcome, relative };
}

function checkReadFailure(exe, dir, testRun, outcome) {
  const problem = unsound(outcome);
  if (problem) return problem;
  if (!outcome.log.includes("failed")) return null;
  const { outcome: cut, relative, problem: noLog } = expectedAfterReadFailure(exe, dir, testRun, outcome.log);
  if (noLog) return noLog;
  const message = `${relative.split(path.sep).join("/")} - File could not be read to its end.`;
  const messages = stderrLines(outcome.stderr);
  const reported = messages.findIndex((line) => line.endsWith(message));
  if (reported < 0) return `no "… ${message}" among:\n${outcome.stderr}`;
  // A parameter file that ends early ends the run: only the message counts.
  if (relative === "params.txt") return null;
  messages.splice(reported, 1);
  if (messages.join("\n") !== stderrLines(cut.stderr).join("\n")) {
    return `messages besides the read's differ from the file cut there:\n${outcome.stderr}\nvs\n${cut.stderr}`;
  }
  if (!outcome.stdout.equals(cut.stdout)) return "standard output differs from the file cut where the read failed";
  if (outcome.status !== cut.status) return `exit code ${outcome.status}, with the file cut ${cut.status}`;
  return null;
}

// --- The sweep ---

function main() {
  const options = parseArguments(process.argv.slice(2));
  const root = fs.mkdtempSync(path.join(os.tmpdir(), "vesk-faults-"));
  const dir = path.join(root, "files");
  writeFiles(dir);
  const started = Date.now();
  const tally = { allocationPoints: 0, allocationFailures: 0, readPoints: 0, readFailures: 0, problems: 0 };
  const report = (testRun, what, problem) => {
    tally.problems++;
    console.log(`FAIL ${testRun.name} (vesk ${testRun.args.join(" ")}), ${what}: ${problem}`);
  };
  // Time is shared out by the runs; each allocation point costs two runs
  // (one a mode), and reads a few more.
  const fullRuns = kRuns.map((testRun) => {
    const full = run(options.exe, dir, testRun, {});
    const problem = unsound(full);
    if (problem) throw new Error(`${testRun.name} fails without any fault: ${problem}`);
    return { full, total: allocationsOf(options.exe, dir, testRun) };
  });
  const runSeconds = (Date.now() - started) / 1000 / (2 * kRuns.length);
  const perRun = Math.max(12, Math.floor(options.seconds / runSeconds / kRuns.length / 2.2));
  kRuns.forEach((testRun, index) => {
    const { full, total } = fullRuns[index];
    const exhaustive = Math.floor((perRun * 2) / 3);
    const points = allocationPoints(total, exhaustive, perRun - exhaustive);
    console.log(`${testRun.name}: ${total} allocations, ${points.length} of them failed in turn`);
    for (const n of points) {
      for (const mode of ["", ":once"]) {
        const outcome = run(options.exe, dir, testRun, { VESK_FAULT_ALLOC: `${n}${mode}` });
        tally.allocationPoints++;
        if (outcome.log.includes("failed")) tally.allocationFailures++;
        const problem = checkAllocationFailure(full, outcome);
        if (problem) report(testRun, `allocation ${n}${mode} of ${total}`, problem);
      }
    }
    for (let k = 1; ; k++) {
      const outcome = run(options.exe, dir, testRun, { VESK_FAULT_READ: String(k) });
      tally.readPoints++;
      if (!outcome.log.includes("failed")) break;  // the run made fewer reads
      tally.readFailures++;
      const problem = checkReadFailure(options.exe, dir, testRun, outcome);
      if (problem) report(testRun, `read ${k}`, problem);
    }
  });
  if (tally.problems === 0 && !options.keep) fs.rmSync(root, { recursive: true, force: true });
  const seconds = ((Date.now() - started) / 1000).toFixed(0);
  console.log(`allocation failures: ${tally.allocationFailures} made at ${tally.allocationPoints} points; ` +
              `read failures: ${tally.readFailures} made at ${tally.readPoints} points; ` +
              `${kRuns.length} runs, ${seconds} s`);
  console.log(`${tally.allocationFailures + tally.readFailures - tally.problems} passed, ${tally.problems} failed`);
  // A sweep that made no failure proves nothing.
  const empty = tally.allocationFailures === 0 || tally.readFailures === 0;
  if (empty) console.log("no failure was made: is this the fault-injection build?");
  process.exit(tally.problems === 0 && !empty ? 0 : 1);
}

main();
