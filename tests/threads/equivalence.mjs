// What Vesk writes must not depend on how many threads do the work. Seeded,
// generated cases (files and standard input, long lines around the piece
// limit, files of several megabytes, Ctrl-Z, every display mode, chained,
// inverted and replace entries, lines the engine gives up on, walks over
// several folders) run with VESK_THREADS=1, with 2, 3 and 8 threads, and
// with the default, which switches between the main thread alone and
// workers as it measures the work (within the larger files, where entries
// that replace or match expressions make workers pay); standard output,
// standard error and the exit code must be byte for byte the same, and so
// must both streams written into one pipe, where their interleaving shows.
//
// Usage: node equivalence.mjs --exe PATH [--emulator PROGRAM] [--cases N] [--seed N] [--keep]
//   (VESK_THREADS_CASES sets the number of cases too, for a longer soak.)

import { spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";

const kThreadCounts = ["2", "3", "8", "default"];
const kPieceUnits = 65535;

function parseArguments(argv) {
  const options = { exe: null, emulator: null, cases: Number(process.env.VESK_THREADS_CASES || 60), seed: 1, keep: false };
  for (let i = 0; i < argv.length; i++) {
    if (argv[i] === "--exe") options.exe = path.resolve(argv[++i]);
    else if (argv[i] === "--emulator") options.emulator = argv[++i];
    else if (argv[i] === "--cases") options.cases = Number(argv[++i]);
    else if (argv[i] === "--seed") options.seed = Number(argv[++i]);
    else if (argv[i] === "--keep") options.keep = true;
    else throw new Error(`unknown argument ${argv[i]}`);
  }
  if (!options.exe) throw new Error("--exe is required");
  return options;
}

// A small seeded generator, so that a failing seed can be run again.
function randomFrom(seed) {
  let state = BigInt(seed) * 0x9E3779B97F4A7C15n + 1n;
  const next = () => {
    state = (state * 6364136223846793005n + 1442695040888963407n) & 0xFFFFFFFFFFFFFFFFn;
    return Number(state >> 33n) / 2 ** 31;
  };
  return {
    below: (n) => Math.floor(next() * n),
    chance: (p) => next() < p,
    pick: (list) => list[Math.floor(next() * list.length)],
  };
}

const kWords = ["foo", "Foo", "bar", "int", "x", "key", "a.b", "(x)", "$1", "東京", "会議", "é", "🎵", "  ", "\t"];
const kFiller = ["lorem", "ipsum", "dolor", "sit", "amet", "data", "ソース", "line", "42", "-", "~"];

function words(random, count) {
  const parts = [];
  for (let i = 0; i < count; i++) parts.push(random.chance(0.3) ? random.pick(kWords) : random.pick(kFiller));
  return parts.join(random.chance(0.8) ? " " : "");
}

// Lines of x's on which a replacement of "(x+x+)+[yz]" makes the engine give up.
const kHardLine = Buffer.from("x".repeat(26) + "\n");

// One line's bytes with its line end; now and then long or odd.
function line(random) {
  const roll = random.below(1000);
  let text;
  if (roll < 6) text = "q".repeat(kPieceUnits - 2 + random.below(5)) + random.pick(kWords);
  else if (roll < 10) text = words(random, 5).padEnd(70000 + random.below(70000), "z");
  else if (roll < 14) text = `${words(random, 3)}\0${words(random, 2)}`;
  else text = words(random, random.below(12));
  const end = random.chance(0.1) ? "\r\n" : "\n";
  return Buffer.from(text + end, "utf8");
}

function content(random, size, hard) {
  const chunks = [];
  let bytes = 0;
  while (bytes < size) {
    const next = line(random);
    chunks.push(next);
    bytes += next.length;
  }
  if (hard) {
    for (let i = 0; i < 2; i++) chunks.splice(random.below(chunks.length + 1), 0, kHardLine);
  }
  let all = Buffer.concat(chunks);
  if (random.chance(0.3)) all = all.subarray(0, Math.max(0, all.length - 1));  // no final line feed
  // Ctrl-Z ends input in a code page, wherever it stands.
  if (random.chance(size > 4_000_000 ? 0.5 : 0.1)) all[random.below(all.length)] = 0x1a;
  return all;
}

// A file size: mostly small, sometimes several blocks of the parallel search,
// enough that one task passes its output on in chunks, or enough for the
// default to measure the work several times and switch on its way.
function fileSize(random) {
  const roll = random.below(20);
  if (roll < 8) return random.below(2000);
  if (roll < 16) return 20000 + random.below(400000);
  if (roll < 18) return 1_000_000 + random.below(2_500_000);
  return 4_200_000 + random.below(6_000_000);
}

const kDisplays = [[], [], ["/n"], ["/c"], ["/ce"], ["/l"], ["/lv"], ["/q"]];

function entries(random, hard) {
  const list = [];
  const count = 1 + random.below(3);
  for (let i = 0; i < count; i++) {
    const word = random.pick(kWords);
    switch (random.below(9)) {
      case 0: list.push("/s", word); break;
      case 1: list.push("/sl", word); break;
      case 2: list.push("/sil", word); break;
      case 3: list.push("/svl", word); break;
      case 4: list.push("/rl", word, "<$&>"); break;
      case 5: list.push("/r", "o+", "0"); break;
      case 6: list.push("/s", "^.{0,3}$"); break;
      case 7: list.push("/s", "[a-z]+ [0-9]"); break;
      default: list.push("/sl", "q"); break;
    }
  }
  // First, so that every line reaches it.
  if (hard) list.unshift("/r", "(x+x+)+[yz]", "Y");
  return list;
}

// A case: files in a folder tree, and the command line that searches them.
function makeCase(seed) {
  const random = randomFrom(seed);
  const hard = random.chance(0.1);
  const files = {};
  const kind = random.pick(["file", "file", "stdin-pipe", "stdin-file", "walk", "wildcard"]);
  const fileCount = kind === "walk" || kind === "wildcard" ? 2 + random.below(9) : 1;
  const folders = ["", "sub/", "sub/inner/", "other/"];
  for (let i = 0; i < fileCount; i++) {
    const folder = kind === "walk" ? random.pick(folders) : "";
    files[`${folder}f${i}.txt`] = content(random, fileSize(random), hard);
  }
  const args = [...random.pick(kDisplays), ...entries(random, hard)];
  if (kind === "file") args.push("f0.txt");
  if (kind === "walk") args.push("/d", random.chance(0.5) ? "*.txt" : ".");
  if (kind === "wildcard") args.push("*.txt");
  // Shift_JIS goes through its own conversion tables, which every thread shares.
  const lang = random.chance(0.25) ? "ja_JP.SJIS" : "C.UTF-8";
  return { seed, kind, files, args, lang };
}

function writeCase(dir, testCase) {
  for (const [name, bytes] of Object.entries(testCase.files)) {
    fs.mkdirSync(path.join(dir, path.dirname(name)), { recursive: true });
    fs.writeFileSync(path.join(dir, name), bytes);
  }
}

// The program is the executable, behind its emulator if there is one.
// Standard output and standard error into pipes of their own.
function environment(testCase, threads) {
  const env = { PATH: process.env.PATH, LANG: testCase.lang };
  if (threads !== "default") env.VESK_THREADS = threads;
  return env;
}

function runApart(program, dir, testCase, threads) {
  const env = environment(testCase, threads);
  const fromFile = testCase.kind === "stdin-file";
  const input = fromFile ? fs.openSync(path.join(dir, "f0.txt"), "r") : "pipe";
  const result = spawnSync(program[0], [...program.slice(1), ...testCase.args], {
    cwd: dir, env, maxBuffer: 1 << 30, timeout: 120_000,
    input: testCase.kind === "stdin-pipe" ? testCase.files["f0.txt"] : fromFile ? undefined : "",
    stdio: [input, "pipe", "pipe"],
  });
  if (fromFile) fs.closeSync(input);
  return result;
}

// Both streams into one pipe: the shell joins them, so their order shows.
function runTogether(program, dir, testCase, threads) {
  const env = environment(testCase, threads);
  const quoted = [...program, ...testCase.args].map((a) => `'${a.replaceAll("'", "'\\''")}'`).join(" ");
  const redirect = testCase.kind === "stdin-file" ? " < f0.txt" : testCase.kind === "stdin-pipe" ? "" : " < /dev/null";
  return spawnSync("/bin/sh", ["-c", `${quoted}${redirect} 2>&1`], {
    cwd: dir, env, maxBuffer: 1 << 30, timeout: 120_000,
    input: testCase.kind === "stdin-pipe" ? testCase.files["f0.txt"] : undefined,
  });
}

// Input the program leaves unread (after a Ctrl-Z) cannot be written to it:
// that is no failure of the run.
function failure(result) {
  return result.error?.code === "EPIPE" ? undefined : result.error;
}

function outcomeOf(program, dir, testCase, threads) {
  const separate = runApart(program, dir, testCase, threads);
  const together = runTogether(program, dir, testCase, threads);
  return {
    stdout: separate.stdout, stderr: separate.stderr, status: separate.status,
    together: together.stdout, togetherStatus: together.status,
    error: failure(separate) ?? failure(together),
  };
}

function firstDifference(a, b) {
  let at = 0;
  while (at < a.length && at < b.length && a[at] === b[at]) at++;
  return `at byte ${at} of ${a.length} and ${b.length}: ` +
         `${JSON.stringify(a.subarray(at, at + 60).toString("latin1"))} vs ${JSON.stringify(b.subarray(at, at + 60).toString("latin1"))}`;
}

function differences(one, many, threads) {
  const found = [];
  if (many.error) found.push(`${threads} threads: could not run: ${many.error.message}`);
  for (const stream of ["stdout", "stderr", "together"]) {
    if (!one[stream].equals(many[stream])) found.push(`${threads} threads, ${stream} ${firstDifference(one[stream], many[stream])}`);
  }
  if (one.status !== many.status) found.push(`${threads} threads: exit ${many.status}, one thread ${one.status}`);
  if (one.togetherStatus !== many.togetherStatus) found.push(`${threads} threads: exit ${many.togetherStatus} with one pipe`);
  return found;
}

function main() {
  const options = parseArguments(process.argv.slice(2));
  const program = options.emulator ? [options.emulator, options.exe] : [options.exe];
  const root = fs.mkdtempSync(path.join(os.tmpdir(), "vesk-threads-"));
  let failed = 0;
  const tally = { withOutput: 0, withMessages: 0, blocks: 0 };
  for (let seed = options.seed; seed < options.seed + options.cases; seed++) {
    const testCase = makeCase(seed);
    const dir = path.join(root, `case${seed}`);
    writeCase(dir, testCase);
    const one = outcomeOf(program, dir, testCase, "1");
    if (one.error) throw new Error(`seed ${seed}: could not run: ${one.error.message}`);
    if (one.stdout.length > 0) tally.withOutput++;
    if (one.stderr.length > 0) tally.withMessages++;
    const problems = kThreadCounts.flatMap((t) => differences(one, outcomeOf(program, dir, testCase, t), t));
    if (problems.length > 0) {
      failed++;
      console.log(`FAIL seed ${seed} (${testCase.kind}): vesk ${testCase.args.join(" ")}\n  ${problems.join("\n  ")}\n  files in ${dir}`);
    } else if (!options.keep) {
      fs.rmSync(dir, { recursive: true, force: true });
    }
  }
  if (failed === 0 && !options.keep) fs.rmSync(root, { recursive: true, force: true });
  console.log(`${options.cases - failed} cases the same with 1, ${kThreadCounts.join(", ")} threads, ${failed} differ ` +
              `(${tally.withOutput} with output, ${tally.withMessages} with messages)`);
  // Agreement proves little unless the cases write results and messages.
  const thinCover = options.cases >= 40 && (tally.withOutput < options.cases / 3 || tally.withMessages === 0);
  if (thinCover) console.log("the generated cases wrote too few results or no messages");
  process.exit(failed === 0 && !thinCover ? 0 : 1);
}

main();
