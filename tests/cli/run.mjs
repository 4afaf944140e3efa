// Runs the command-line cases of tests/cli/cases/*.mjs against one build of
// Vesk: the POSIX build directly or under an emulator (--emulator, e.g.
// qemu-i386-static for the i386 build), or a Windows build under Wine (--wine).
//
// A case file exports an array of cases (or a function of the platform
// object p that returns one). A case:
//   name      unique text
//   args      array of arguments (strings)
//   files     { "rel/path": string | Buffer | {dir:true, mode?} | {fifo:true}
//               | {symlink:"target"} | {content, mode} }   created in a fresh folder
//   env       extra environment (LANG defaults to C.UTF-8)
//   stdin     string | Buffer | {path: "rel/path"} (that file or folder opened as
//             standard input) | {closed: true} (no standard input at all; POSIX only)
//             | {nonBlocking: "text"} (a pipe made non-blocking before the
//             program starts, the text written into it a moment later; POSIX only)
//   stdout, stderr   string | Buffer | RegExp | (p) => string|Buffer; "\n" line ends
//             (a RegExp is matched against the text with CR LF read as LF)
//   skipAsRoot true when the case cannot hold for root (unreadable files)
//   unprivileged true to run as the user nobody when the tests run as root,
//             so that permissions hold (POSIX only)
//   setup     a bash command run in the case folder after the files are made
//             (POSIX only), for what node cannot make, such as paths longer
//             than the system takes in one call
//   stdoutTo  "full" (/dev/full), "closed" (no standard output at all) or
//             "head" (a pipe whose reader leaves after one line); POSIX only.
//             Or {file: "rel/path", append?: true}: a file of the case folder
//             (made or emptied, or appended to), whose content after the run
//             is compared as stdout
//   exit      0 | 1
//   platforms ["posix", "wine"] (default: both)
//   addressSpace  bytes of address space the program may have (prlimit --as);
//             such a case runs only on a native build without sanitizers, whose
//             shadow memory needs more
// p = { wine, sep, dir }: dir is the case folder's full path as the program
// sees it, ending in the separator.
//
// Usage: node run.mjs --exe PATH [--wine | --emulator PROGRAM] [--filter TEXT]

import { spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { fileURLToPath } from "node:url";

import { loadCases } from "../cases.mjs";
import { startWine, wineLoader } from "../wine.mjs";

const here = path.dirname(fileURLToPath(import.meta.url));

function parseArguments(argv) {
  const options = { exe: null, wine: false, emulator: null, filter: null };
  for (let i = 0; i < argv.length; i++) {
    if (argv[i] === "--exe") options.exe = path.resolve(argv[++i]);
    else if (argv[i] === "--wine") options.wine = true;
    else if (argv[i] === "--emulator") options.emulator = argv[++i];
    else if (argv[i] === "--filter") options.filter = argv[++i];
    else throw new Error(`unknown argument ${argv[i]}`);
  }
  if (!options.exe) throw new Error("--exe is required");
  return options;
}

function platformOf(options, dir) {
  if (!options.wine) return { wine: false, sep: "/", dir: dir + "/" };
  return { wine: true, sep: "\\", dir: "Z:" + dir.replaceAll("/", "\\") + "\\" };
}

function asBuffer(value) {
  return Buffer.isBuffer(value) ? value : Buffer.from(value, "utf8");
}

// Redirected output on Windows is text mode: every LF leaves as CR LF.
function toCrLf(buffer) {
  const bytes = [];
  for (const b of buffer) {
    if (b === 0x0a) bytes.push(0x0d);
    bytes.push(b);
  }
  return Buffer.from(bytes);
}

function expected(value, p) {
  const resolved = typeof value === "function" ? value(p) : value;
  const buffer = asBuffer(resolved ?? "");
  return p.wine ? toCrLf(buffer) : buffer;
}

// Modes are set after everything is created, so that a folder can be locked
// with its files inside.
function createFiles(dir, files = {}) {
  const modes = [];
  for (const [relative, entry] of Object.entries(files)) {
    const full = path.join(dir, relative);
    fs.mkdirSync(path.dirname(full), { recursive: true });
    if (typeof entry === "string" || Buffer.isBuffer(entry)) fs.writeFileSync(full, entry);
    else if (entry.dir) {
      fs.mkdirSync(full, { recursive: true });
      if (entry.mode !== undefined) modes.push([full, entry.mode]);
    }
    else if (entry.fifo) spawnSync("mkfifo", [full]);
    else if (entry.symlink !== undefined) fs.symlinkSync(entry.symlink, full);
    else {
      fs.writeFileSync(full, entry.content ?? "");
      if (entry.mode !== undefined) modes.push([full, entry.mode]);
    }
  }
  for (const [full, mode] of modes.reverse()) fs.chmodSync(full, mode);
}

function environment(extra = {}) {
  const env = { PATH: process.env.PATH, HOME: process.env.HOME, LANG: "C.UTF-8" };
  if (process.env.WINEPREFIX) env.WINEPREFIX = process.env.WINEPREFIX;
  // The cases hold for every thread count; the runs of the test command set it.
  if (process.env.VESK_THREADS) env.VESK_THREADS = process.env.VESK_THREADS;
  return { ...env, WINEDEBUG: "-all", ...extra };
}

const kNobody = 65534;

function runsUnprivileged(testCase) {
  return testCase.unprivileged && process.getuid?.() === 0;
}

// The command, its arguments and the spawn options for standard input.
function commandFor(options, testCase, dir) {
  const runner = options.wine ? wineLoader() : options.emulator;
  let command = runner ?? options.exe;
  let args = runner ? [options.exe, ...testCase.args] : testCase.args;
  const stdin = testCase.stdin;
  const spawn = { input: "", stdio: undefined };
  const stdoutTo = {
    full: 'exec "$0" "$@" >/dev/full',
    closed: 'exec "$0" "$@" >&-',
    // The exit code is the program's, not head's.
    head: '"$0" "$@" | head -n 1 >/dev/null; exit ${PIPESTATUS[0]}',
  }[testCase.stdoutTo];
  if (stdoutTo) {
    args = ["-c", stdoutTo, command, ...args];
    command = "/bin/bash";
  }
  if (testCase.addressSpace) {
    args = [`--as=${testCase.addressSpace}`, "--", command, ...args];
    command = "prlimit";
  }
  if (stdin?.closed) {
    args = ["-c", 'exec "$0" "$@" <&-', command, ...args];
    command = "/bin/sh";
  } else if (stdin?.nonBlocking !== undefined) {
    // The flag belongs to the pipe's open file, which the program inherits.
    const nonBlocking = "perl -MFcntl -e 'fcntl(STDIN, F_SETFL, fcntl(STDIN, F_GETFL, 0) | O_NONBLOCK)'";
    args = ["-c", `{ sleep 0.3; printf %s "$VESK_TEST_INPUT"; } | { ${nonBlocking}; exec "$0" "$@"; }`,
            command, ...args];
    command = "/bin/bash";
    spawn.env = { VESK_TEST_INPUT: stdin.nonBlocking };
  } else if (stdin?.path !== undefined) {
    spawn.stdio = [fs.openSync(path.join(dir, stdin.path), "r"), "pipe", "pipe"];
  } else if (stdin !== undefined) {
    spawn.input = asBuffer(stdin);
  }
  const outputFile = testCase.stdoutTo?.file;
  if (outputFile !== undefined) {
    spawn.stdio ??= ["pipe", "pipe", "pipe"];
    spawn.stdio[1] = fs.openSync(path.join(dir, outputFile), testCase.stdoutTo.append ? "a" : "w");
    spawn.outputFile = path.join(dir, outputFile);
  }
  return { command, args, spawn };
}

function runCase(options, testCase, dir, p) {
  const { command, args, spawn } = commandFor(options, testCase, dir);
  const unprivileged = runsUnprivileged(testCase) ? { uid: kNobody, gid: kNobody } : {};
  const result = spawnSync(command, args, {
    cwd: dir,
    env: environment({ ...testCase.env, ...spawn.env }),
    input: spawn.stdio?.[0] !== "pipe" && spawn.stdio ? undefined : spawn.input,
    stdio: spawn.stdio,
    timeout: 60_000,
    maxBuffer: 256 * 1024 * 1024,
    ...unprivileged,
  });
  for (const stream of spawn.stdio ?? []) if (typeof stream === "number") fs.closeSync(stream);
  if (spawn.outputFile) result.stdout = fs.readFileSync(spawn.outputFile);
  const problems = [];
  // EPIPE: the program ended without reading all of its input (an error in
  // its arguments, say), which is its right.
  if (result.error && result.error.code !== "EPIPE") problems.push(`could not run: ${result.error.message}`);
  const compare = (what, actual, wantSpec) => {
    if (wantSpec instanceof RegExp) {
      const text = Buffer.from(actual ?? "").toString("utf8").replaceAll("\r\n", "\n");
      if (!wantSpec.test(text)) problems.push(`${what} ${JSON.stringify(text)} does not match ${wantSpec}`);
      return;
    }
    const want = expected(wantSpec, p);
    const got = Buffer.from(actual ?? "");
    if (!got.equals(want)) {
      // Around the first difference only: some cases hold lines of 65,535 bytes.
      let at = 0;
      while (at < want.length && at < got.length && want[at] === got[at]) at++;
      const around = (b) => JSON.stringify(b.subarray(Math.max(0, at - 60), at + 60).toString("latin1"));
      problems.push(`${what} differs at byte ${at} (sizes ${want.length} and ${got.length})` +
                    `\n  want: ...${around(want)}\n  got:  ...${around(got)}`);
    }
  };
  compare("stdout", result.stdout, testCase.stdout);
  compare("stderr", result.stderr, testCase.stderr);
  const wantExit = testCase.exit ?? 0;
  if (result.status !== wantExit) {
    problems.push(`exit code ${result.status} (signal ${result.signal}), want ${wantExit}`);
  }
  return problems;
}

// A build with a sanitizer calls its runtime's start.
function sanitized(exe) {
  const code = fs.readFileSync(exe);
  return code.includes("__asan_init") || code.includes("__tsan_init");
}

function appliesTo(testCase, options) {
  const platforms = testCase.platforms ?? ["posix", "wine"];
  if (testCase.skipAsRoot && process.getuid?.() === 0) return false;
  if (testCase.addressSpace && (options.wine || options.emulator || options.sanitized)) return false;
  return platforms.includes(options.wine ? "wine" : "posix") &&
         (!options.filter || testCase.name.includes(options.filter));
}

async function main() {
  const options = parseArguments(process.argv.slice(2));
  options.sanitized = sanitized(options.exe);
  if (options.wine) startWine(options.exe, environment());
  const root = fs.realpathSync(fs.mkdtempSync(path.join(os.tmpdir(), "vesk-cli-")));
  fs.chmodSync(root, 0o755);  // cases that run as nobody enter it too
  const cases = await loadCases(path.join(here, "cases"), platformOf(options, path.join(root, "case")));
  const names = new Set();
  let passed = 0;
  let failed = 0;
  let index = 0;
  for (const testCase of cases) {
    if (names.has(testCase.name)) throw new Error(`duplicate case name: ${testCase.name}`);
    names.add(testCase.name);
    if (!appliesTo(testCase, options)) continue;
    const dir = path.join(root, `c${index++}`);
    fs.mkdirSync(dir);
    createFiles(dir, testCase.files);
    if (testCase.setup) spawnSync("/bin/bash", ["-c", testCase.setup], { cwd: dir });
    const problems = runCase(options, testCase, dir, platformOf(options, dir));
    if (problems.length === 0) {
      passed++;
    } else {
      failed++;
      console.log(`FAIL ${testCase.file}: ${testCase.name}\n  ${problems.join("\n  ")}`);
    }
  }
  // rm, not fs.rmSync: some cases make paths longer than one system call takes.
  spawnSync("rm", ["-rf", root]);
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 && passed > 0 ? 0 : 1);
}

await main();
