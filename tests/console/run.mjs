// Runs the console cases of tests/console/cases/*.mjs: the Windows build of
// Vesk under Wine with a real console. Wine started inside a tmux pane gives
// the program a console (GetConsoleMode succeeds, the code page and the
// interface language follow the locale); the screen is read back with
// `tmux capture-pane`, and files the output was redirected to are compared
// byte for byte.
//
// A case file exports an array of cases (or a function of p that returns
// one; p.dir is the case folder as Windows sees it, ending in "\"). A case:
//   name      unique text
//   lang      the locale Wine runs in: "C.UTF-8" (default: console code page
//             437, ANSI code page 1252, interface language 0x0409) or
//             "ja_JP.UTF-8" (932, 932, 0x0411)
//   codePage  the console code page, set with chcp before the program runs
//   args      Vesk's arguments; run directly, or by cmd when codePage is set
//             (then plain ASCII only: cmd reads its batch file in the
//             console's code page)
//   batch     instead of args: lines of a batch file (ASCII) that cmd runs
//             after "@echo off" (and chcp); "vesk" there is the program
//   env       extra environment
//   files     { "name": string (UTF-8) | Buffer }, made in a fresh folder
//   keys      [{ type: text, key: tmux key name, enter: bool, screen }]:
//             typed in order; after each, the whole screen must become
//             `screen` before the next is typed
//   screen    the whole screen at the end: text with "\n" line ends | RegExp
//   joinRows  true: compare the screen with its rows joined (Wine's console
//             breaks a line wider than the pane into rows itself, which the
//             terminal cannot tell from line ends)
//   outputs   { "name": Buffer | string (UTF-8) }: files written by the
//             command, byte for byte
//   exit      exit code of the command (default 0)
//   width, height   of the pane (default 250 x 50; keep wider than any line)
//   timeout   ms until the command must have ended (default 60,000)
//   timed     text: report how long the run took under that label
// Screens compare without blanks at the ends of lines and without empty
// lines at the end: the terminal does not keep them apart.
//
// Usage: node run.mjs --exe PATH [--filter TEXT] [--keep]   (VESK_THREADS is passed on)

import { spawnSync } from "node:child_process";
import fs from "node:fs";
import os from "node:os";
import path from "node:path";
import { setTimeout as sleep } from "node:timers/promises";
import { fileURLToPath } from "node:url";

import { loadCases } from "../cases.mjs";
import { startWine, wineLoader } from "../wine.mjs";

const here = path.dirname(fileURLToPath(import.meta.url));
const wineEnvironment = {
  PATH: process.env.PATH,
  HOME: process.env.HOME,
  LANG: "C.UTF-8",
  WINEDEBUG: "-all",
  ...(process.env.WINEPREFIX ? { WINEPREFIX: process.env.WINEPREFIX } : {}),
  // The leg may run on one thread as the command-line cases do.
  ...(process.env.VESK_THREADS ? { VESK_THREADS: process.env.VESK_THREADS } : {}),
};

function parseArguments(argv) {
  const options = { exe: null, filter: null, keep: false };
  for (let i = 0; i < argv.length; i++) {
    if (argv[i] === "--exe") options.exe = path.resolve(argv[++i]);
    else if (argv[i] === "--filter") options.filter = argv[++i];
    else if (argv[i] === "--keep") options.keep = true;
    else throw new Error(`unknown argument ${argv[i]}`);
  }
  if (!options.exe) throw new Error("--exe is required");
  return options;
}

const windowsPath = (dir) => "Z:" + dir.replaceAll("/", "\\");
const shellQuote = (text) => `'${text.replaceAll("'", "'\\''")}'`;

// One argument as cmd passes it on and the C runtime splits it again.
function cmdQuote(arg) {
  if (arg.includes('"')) throw new Error(`no double quotes in cmd arguments: ${arg}`);
  const escaped = arg.replaceAll("%", "%%");
  if (arg !== "" && !/[\s&|<>^()]/.test(arg)) return escaped;
  return `"${escaped.replace(/(\\+)$/, "$1$1")}"`;
}

// The tmux server is our own (its own socket in the run's folder), so no
// other session on the machine is touched.
function makeTmux(root) {
  const socket = path.join(root, "tmux.sock");
  const config = path.join(root, "tmux.conf");
  fs.writeFileSync(config, "set -g history-limit 200000\nset -g status off\n");
  const env = { PATH: process.env.PATH, HOME: process.env.HOME, LANG: "C.UTF-8", TERM: "xterm" };
  return (...args) => {
    const result = spawnSync("tmux", ["-u", "-S", socket, "-f", config, ...args], { env, encoding: "utf8" });
    if (result.status !== 0) throw new Error(`tmux ${args[0]}: ${result.stderr}`);
    return result.stdout;
  };
}

function normalizeScreen(text) {
  const lines = text.split("\n").map((line) => line.trimEnd());
  while (lines.length > 0 && lines[lines.length - 1] === "") lines.pop();
  return lines.join("\n");
}

const capture = (tmux, session) => normalizeScreen(tmux("capture-pane", "-p", "-J", "-S", "-", "-E", "-", "-t", session));

function screenProblem(actual, want) {
  if (want instanceof RegExp) return want.test(actual) ? null : `screen does not match ${want}`;
  return actual === normalizeScreen(want) ? null : "screen differs";
}

// Columns a text takes on the terminal: East Asian wide characters take two.
function columns(text) {
  let width = 0;
  for (const c of text) {
    const code = c.codePointAt(0);
    const wide = (code >= 0x1100 && code <= 0x115f) || (code >= 0x2e80 && code <= 0xa4cf) ||
                 (code >= 0xac00 && code <= 0xd7a3) || (code >= 0xf900 && code <= 0xfaff) ||
                 (code >= 0xfe30 && code <= 0xfe4f) || (code >= 0xff00 && code <= 0xff60) ||
                 (code >= 0xffe0 && code <= 0xffe6) || code >= 0x20000;
    width += wide ? 2 : 1;
  }
  return width;
}

// Wine's console breaks a line wider than the pane itself, and the terminal
// cannot tell its rows from line ends: such a case needs a wider pane or joinRows.
function checkPaneWidth(testCase) {
  if (testCase.joinRows) return;
  const width = testCase.width ?? 250;
  const screens = [testCase.screen, ...(testCase.keys ?? []).map((step) => step.screen)];
  for (const screen of screens.filter((s) => typeof s === "string")) {
    for (const line of screen.split("\n")) {
      if (columns(line) >= width) throw new Error(`${testCase.name}: a line of the screen is wider than the pane`);
    }
  }
}

function batchFile(testCase, exeFolder) {
  const lines = ["@echo off", `set PATH=${windowsPath(exeFolder)};%PATH%`];
  if (testCase.codePage) lines.push(`chcp ${testCase.codePage} >nul`);
  if (testCase.batch) lines.push(...testCase.batch);
  else lines.push(["vesk", ...testCase.args].map(cmdQuote).join(" "));
  const text = lines.join("\r\n") + "\r\n";
  if (!/^[\x00-\x7f]*$/.test(text)) throw new Error(`${testCase.name}: a batch file holds ASCII only`);
  return text;
}

// The pane runs this script: Wine keeps Ctrl-Z as the suspend key unless the
// terminal has none; the exit code lands in a file, which is more reliable
// than tmux's pane status; the pane then stays for the screen to be read.
function caseScript(testCase, dir, control) {
  const exe = path.join(control, "vesk.exe");
  let command;
  if (testCase.batch || testCase.codePage) {
    fs.writeFileSync(path.join(control, "case.bat"), batchFile(testCase, control));
    command = [wineLoader(), "cmd", "/c", windowsPath(path.join(control, "case.bat"))];
  } else {
    command = [wineLoader(), exe, ...testCase.args];
  }
  const env = { ...wineEnvironment, LANG: testCase.lang ?? "C.UTF-8", ...testCase.env };
  return [
    "stty susp undef -ixon",
    `cd ${shellQuote(dir)}`,
    "unset LC_ALL LC_CTYPE LC_MESSAGES LANGUAGE",
    ...Object.entries(env).map(([k, v]) => `export ${k}=${shellQuote(v)}`),
    command.map(shellQuote).join(" "),
    `echo $? > ${shellQuote(control)}/rc.tmp && mv ${shellQuote(control)}/rc.tmp ${shellQuote(control)}/rc`,
    "exec sleep 3600",
    "",
  ].join("\n");
}

// Wine's console puts the terminal out of canonical mode once it runs; keys
// typed before that would be echoed by the terminal itself.
async function waitForConsole(tmux, session, deadline) {
  const tty = tmux("display-message", "-p", "-t", session, "#{pane_tty}").trim();
  while (Date.now() < deadline) {
    const settings = spawnSync("stty", ["-F", tty, "-a"], { encoding: "utf8" }).stdout ?? "";
    if (/(^|\s)-icanon(\s|$)/.test(settings)) return true;
    await sleep(50);
  }
  return false;
}

async function waitForScreen(tmux, session, want, deadline, rows = (text) => text) {
  let actual = capture(tmux, session);
  while (screenProblem(rows(actual), want) && Date.now() < deadline) {
    await sleep(100);
    actual = capture(tmux, session);
  }
  return actual;
}

async function typeKeys(tmux, session, keys, problems) {
  if (!(await waitForConsole(tmux, session, Date.now() + 20_000))) {
    problems.push("Wine's console never took the terminal");
    return;
  }
  for (const step of keys) {
    const sent = [];
    if (step.type !== undefined) sent.push("-l", step.type);
    if (sent.length) tmux("send-keys", "-t", session, ...sent);
    if (step.key) tmux("send-keys", "-t", session, step.key);
    if (step.enter) tmux("send-keys", "-t", session, "Enter");
    const actual = await waitForScreen(tmux, session, step.screen, Date.now() + 20_000);
    const problem = screenProblem(actual, step.screen);
    if (problem) {
      problems.push(`after typing ${JSON.stringify(step.type ?? step.key)}: ${problem}` +
                    `\n  want: ${JSON.stringify(normalizeScreen(step.screen))}\n  got:  ${JSON.stringify(actual)}`);
      return;
    }
  }
}

async function waitForExit(control, deadline) {
  const file = path.join(control, "rc");
  while (Date.now() < deadline) {
    if (fs.existsSync(file)) return Number(fs.readFileSync(file, "utf8").trim());
    await sleep(50);
  }
  return null;
}

function compareOutputs(dir, outputs = {}, problems) {
  for (const [name, wantSpec] of Object.entries(outputs)) {
    const want = Buffer.isBuffer(wantSpec) ? wantSpec : Buffer.from(wantSpec, "utf8");
    const file = path.join(dir, name);
    if (!fs.existsSync(file)) {
      problems.push(`${name} was not written`);
      continue;
    }
    const actual = fs.readFileSync(file);
    if (!actual.equals(want)) {
      problems.push(`${name} differs\n  want: ${JSON.stringify(want.toString("latin1"))}` +
                    `\n  got:  ${JSON.stringify(actual.toString("latin1"))}`);
    }
  }
}

async function runCase(tmux, options, testCase, dir, control, session) {
  checkPaneWidth(testCase);
  fs.copyFileSync(options.exe, path.join(control, "vesk.exe"));
  fs.writeFileSync(path.join(control, "run.sh"), caseScript(testCase, dir, control));
  const problems = [];
  const started = Date.now();
  const deadline = started + (testCase.timeout ?? 60_000);
  tmux("new-session", "-d", "-s", session, "-x", String(testCase.width ?? 250),
       "-y", String(testCase.height ?? 50), `bash ${shellQuote(path.join(control, "run.sh"))}`);
  try {
    if (testCase.keys) await typeKeys(tmux, session, testCase.keys, problems);
    const exit = problems.length ? null : await waitForExit(control, deadline);
    const elapsed = (Date.now() - started) / 1000;
    if (exit === null) {
      problems.push(`did not end within ${(deadline - started) / 1000} s; screen:\n${capture(tmux, session)}`);
      return { problems, elapsed };
    }
    if (exit !== (testCase.exit ?? 0)) problems.push(`exit code ${exit}, want ${testCase.exit ?? 0}`);
    if (testCase.screen !== undefined) {
      // What the program wrote last may still be on its way to the pane.
      const rows = testCase.joinRows ? (text) => text.replaceAll("\n", "") : (text) => text;
      const actual = rows(await waitForScreen(tmux, session, testCase.screen, Date.now() + 10_000, rows));
      const problem = screenProblem(actual, testCase.screen);
      if (problem) {
        const want = testCase.screen instanceof RegExp ? String(testCase.screen) : normalizeScreen(testCase.screen);
        problems.push(`${problem}\n  want: ${abbreviate(want)}\n  got:  ${abbreviate(actual)}`);
      }
    }
    compareOutputs(dir, testCase.outputs, problems);
    return { problems, elapsed };
  } finally {
    tmux("kill-session", "-t", session);
  }
}

function abbreviate(text) {
  const json = JSON.stringify(text);
  return json.length <= 4000 ? json : `${json.slice(0, 2000)} ... ${json.slice(-2000)} (${text.length} characters)`;
}

function createFiles(dir, files = {}) {
  for (const [relative, content] of Object.entries(files)) {
    const full = path.join(dir, relative);
    fs.mkdirSync(path.dirname(full), { recursive: true });
    fs.writeFileSync(full, content);
  }
}

async function main() {
  const options = parseArguments(process.argv.slice(2));
  startWine(options.exe, wineEnvironment);
  const root = fs.realpathSync(fs.mkdtempSync(path.join(os.tmpdir(), "vesk-console-")));
  const tmux = makeTmux(root);
  // Every case runs in the same folder, made afresh, so a case may name it.
  const dir = path.join(root, "case");
  const control = path.join(root, "control");
  const cases = await loadCases(path.join(here, "cases"), { dir: windowsPath(dir) + "\\" });
  const names = new Set();
  const timings = [];
  let passed = 0;
  let failed = 0;
  let index = 0;
  try {
    for (const testCase of cases) {
      if (names.has(testCase.name)) throw new Error(`duplicate case name: ${testCase.name}`);
      names.add(testCase.name);
      if (options.filter && !testCase.name.includes(options.filter)) continue;
      fs.mkdirSync(dir);
      fs.mkdirSync(control);
      createFiles(dir, testCase.files);
      const { problems, elapsed } = await runCase(tmux, options, testCase, dir, control, "case");
      if (testCase.timed) timings.push(`${testCase.timed}: ${elapsed.toFixed(2)} s`);
      if (problems.length === 0) {
        passed++;
      } else {
        failed++;
        console.log(`FAIL ${testCase.file}: ${testCase.name}\n  ${problems.join("\n  ")}`);
      }
      if (options.keep) {
        fs.renameSync(dir, path.join(root, `c${index}`));
        fs.renameSync(control, path.join(root, `c${index}-control`));
      } else {
        fs.rmSync(dir, { recursive: true, force: true });
        fs.rmSync(control, { recursive: true, force: true });
      }
      index++;
    }
  } finally {
    try {
      tmux("kill-server");
    } catch {
      // No session is left, so the server has gone already.
    }
    if (options.keep) console.log(`case folders kept in ${root}`);
    else fs.rmSync(root, { recursive: true, force: true });
  }
  for (const line of timings) console.log(`time: ${line}`);
  console.log(`${passed} passed, ${failed} failed`);
  process.exit(failed === 0 && passed > 0 ? 0 : 1);
}

await main();
