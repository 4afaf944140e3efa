// Files and folders that change while Vesk reads them, at 1, 2 and 8
// threads. Vesk's output goes into a pipe that is left unread until Vesk
// waits on it, in the middle of its input; then the input changes, and the
// pipe is read to the end:
// - a file cut short (well after what Vesk has read ahead) ends where it was
//   cut, and one that grows is read to its new end: the same lines at every
//   thread count, what read returned;
// - a large sparse file cut to nothing ends at once;
// - folders deleted, renamed or replaced by a file after their parent was
//   listed are each reported as "name - Folder could not be listed.".
//
// Usage: node changing.mjs --exe PATH [--emulator PROGRAM]

import { spawn } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

const kThreadCounts = ["1", "2", "8"];
const kLine = (i) => `foo ${String(i).padStart(10, "0")}\n`;  // 15 bytes
const kLineBytes = 15;

function parseArguments(argv) {
  const options = { exe: null, emulator: null };
  for (let i = 0; i < argv.length; i++) {
    if (argv[i] === "--exe") options.exe = path.resolve(argv[++i]);
    else if (argv[i] === "--emulator") options.emulator = argv[++i];
    else throw new Error(`unknown argument ${argv[i]}`);
  }
  if (!options.exe) throw new Error("--exe is required");
  return options;
}

function lines(from, count) {
  return Array.from({ length: count }, (_, i) => kLine(from + i)).join("");
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Runs Vesk with its output in a pipe that is not read until `change` has
// run, a second after the start (Vesk waits on the full pipe by then).
async function runChanging(program, dir, args, threads, change) {
  const child = spawn(program[0], [...program.slice(1), ...args], {
    cwd: dir, env: { PATH: process.env.PATH, LANG: "C.UTF-8", VESK_THREADS: threads },
    stdio: ["ignore", "pipe", "pipe"],
  });
  child.stdout.pause();
  const stderr = [];
  child.stderr.on("data", (chunk) => stderr.push(chunk));
  const ended = new Promise((resolve) => child.on("close", (status, signal) => resolve({ status, signal })));
  await sleep(1000);
  change();
  const started = Date.now();
  const stdout = [];
  child.stdout.on("data", (chunk) => stdout.push(chunk));
  child.stdout.resume();
  const timer = setTimeout(() => child.kill("SIGKILL"), 20_000);
  const { status, signal } = await ended;
  clearTimeout(timer);
  return { stdout: Buffer.concat(stdout), stderr: Buffer.concat(stderr).toString("utf8"), status, signal,
           seconds: (Date.now() - started) / 1000 };
}

// What each scenario makes, changes, and expects.
const scenarios = [
  {
    name: "a file cut short while it is read",
    make: (dir) => fs.writeFileSync(path.join(dir, "big.txt"), lines(0, 2_000_000)),
    args: ["/sl", "foo", "big.txt"],
    change: (dir) => fs.truncateSync(path.join(dir, "big.txt"), 1_300_000 * kLineBytes),
    expect: { stdout: lines(0, 1_300_000), stderr: "", status: 1 },
  },
  {
    name: "a file that grows while it is read",
    make: (dir) => fs.writeFileSync(path.join(dir, "big.txt"), lines(0, 1_000_000)),
    args: ["/sl", "foo", "big.txt"],
    change: (dir) => fs.appendFileSync(path.join(dir, "big.txt"), lines(1_000_000, 300_000)),
    expect: { stdout: lines(0, 1_300_000), stderr: "", status: 1 },
  },
  {
    // Read, not mapped: the 4 GiB it had are not gone through.
    name: "a large sparse file cut to nothing while it is read",
    make: (dir) => {
      fs.writeFileSync(path.join(dir, "sparse.txt"), lines(0, 200_000));
      fs.truncateSync(path.join(dir, "sparse.txt"), 4 * 1024 ** 3);
    },
    args: ["/sl", "foo", "sparse.txt"],
    change: (dir) => fs.truncateSync(path.join(dir, "sparse.txt"), 0),
    check: (outcome) => outcome.seconds < 5 && lines(0, 200_000).startsWith(outcome.stdout.toString("latin1")) &&
                        outcome.stderr === "",
  },
  {
    // The files of the first folders fill the pipe before the last three
    // are listed, with any number of threads listing ahead.
    name: "folders deleted, renamed and replaced by a file during a walk",
    make: (dir) => {
      fs.writeFileSync(path.join(dir, "a.txt"), lines(0, 200_000));
      for (let i = 0; i < 40; i++) {
        fs.mkdirSync(path.join(dir, `f${String(i).padStart(2, "0")}`));
        fs.writeFileSync(path.join(dir, `f${String(i).padStart(2, "0")}`, "x.txt"), "foo\n");
      }
      for (const name of ["gone", "moved", "swapped"]) {
        fs.mkdirSync(path.join(dir, name));
        fs.writeFileSync(path.join(dir, name, "y.txt"), "foo\n");
      }
    },
    args: ["/d", "/sl", "foo", "."],
    change: (dir) => {
      fs.rmSync(path.join(dir, "gone"), { recursive: true });
      fs.renameSync(path.join(dir, "moved"), path.join(dir, "zz-moved"));
      fs.rmSync(path.join(dir, "swapped"), { recursive: true });
      fs.writeFileSync(path.join(dir, "swapped"), "foo\n");
    },
    check: (outcome, dir) => ["gone", "moved", "swapped"].every((name) =>
      outcome.stderr.includes(`${dir}/${name}/ - Folder could not be listed.\n`)) &&
      outcome.stderr.split("\n").filter((l) => l).length === 3 && outcome.status === 1,
  },
];

function difference(outcome, expect) {
  if (outcome.signal) return `ended by ${outcome.signal}`;
  if (outcome.status !== expect.status) return `exit ${outcome.status}, want ${expect.status}`;
  if (outcome.stderr !== expect.stderr) return `stderr ${JSON.stringify(outcome.stderr.slice(0, 300))}`;
  const want = Buffer.from(expect.stdout, "latin1");
  if (!outcome.stdout.equals(want)) return `stdout of ${outcome.stdout.length} bytes, want ${want.length}`;
  return null;
}

async function main() {
  const options = parseArguments(process.argv.slice(2));
  const program = options.emulator ? [options.emulator, options.exe] : [options.exe];
  const root = fs.realpathSync(fs.mkdtempSync(path.join(os.tmpdir(), "vesk-changing-")));
  let failed = 0;
  let passed = 0;
  for (const scenario of scenarios) {
    for (const threads of kThreadCounts) {
      const dir = path.join(root, `${scenarios.indexOf(scenario)}-${threads}`);
      fs.mkdirSync(dir);
      scenario.make(dir);
      const outcome = await runChanging(program, dir, scenario.args, threads, () => scenario.change(dir));
      const problem = scenario.expect ? difference(outcome, scenario.expect)
                                      : scenario.check(outcome, dir) ? null : `stderr ${JSON.stringify(outcome.stderr.slice(0, 300))}, ` +
                                        `exit ${outcome.status}, ${outcome.stdout.length} bytes out, ${outcome.seconds} s`;
      if (problem) {
        failed++;
        console.log(`FAIL ${scenario.name}, ${threads} thread(s): ${problem}`);
      } else {
        passed++;
      }
      fs.rmSync(dir, { recursive: true, force: true });
    }
  }
  fs.rmSync(root, { recursive: true, force: true });
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 ? 0 : 1);
}

main();
