// Holds the program's regular-expression dialect against JavaScript's RegExp.
//
// vesk_regex_diff generates the cases from a seed and answers them in our
// dialect; this script answers the same cases with `new RegExp(pattern, "m" +
// flags)` and compares, per line, whether a search entry selects it and where
// the leftmost match starts and ends. Exclusions are explained in
// regex_diff.cpp. It also holds the automaton (PCRE2's DFA matcher, which
// decides search entries where backtracking gives up) to backtracking's
// selection, on every valid case.
//
// A line on which PCRE2 gave up (its step limit, on exponential patterns such
// as "(|){50}.\\B" that V8 happens to answer) is counted, not compared; more
// than one such line in a thousand fails the run.
//
// Usage: node run.mjs --exe path/to/vesk_regex_diff [--emulator PROGRAM] [--seed N] [--count M] [--verbose]

import { spawnSync } from 'node:child_process';
import { parseArgs } from 'node:util';

const { values: args } = parseArgs({
  options: {
    exe: { type: 'string' },
    emulator: { type: 'string' },
    seed: { type: 'string', default: '20260611' },
    count: { type: 'string', default: '4000' },
    verbose: { type: 'boolean', default: false },
  },
});
if (!args.exe) {
  console.error('usage: node run.mjs --exe path/to/vesk_regex_diff [--seed N] [--count M]');
  process.exit(2);
}

const command = args.emulator ? [args.emulator, args.exe] : [args.exe];
const generated = spawnSync(command[0], [...command.slice(1), '--seed', args.seed, '--count', args.count], {
  encoding: 'utf8',
  maxBuffer: 1 << 30,
});
if (generated.status !== 0) {
  console.error(`${args.exe} failed: ${generated.stderr || generated.error}`);
  process.exit(1);
}

const cases = generated.stdout.split('\n').filter((line) => line !== '').map((line) => JSON.parse(line));

const tally = {
  cases: cases.length,
  lines: 0,
  bothInvalid: 0,
  lookbehindRejected: 0,
  endsNotCompared: 0,
  gaveUp: 0,
  automatonCompared: 0,
  mismatches: 0,
};
const reports = [];

function mismatch(c, what, details = {}) {
  tally.mismatches += 1;
  if (reports.length < 30) {
    reports.push(JSON.stringify({ pattern: c.pattern, flags: c.flags, what, ...details }));
  }
}

// Where both decide, the automaton selects what backtracking selects, on
// every line and on the lines joined into a longer one; JavaScript plays no
// part in this comparison.
function compareAutomaton(c) {
  for (const answer of [...c.results, c.joined]) {
    if (answer.automaton === null || answer.backtracking === null) continue;
    tally.automatonCompared += 1;
    if (answer.automaton !== answer.backtracking) mismatch(c, 'automaton', { answer });
  }
}

function javaScriptAnswer(regexp, matchesEmpty, line) {
  const m = regexp.exec(line);
  const match = m === null ? null : [m.index, m.index + m[0].length];
  // A search entry's rule: a match that matches the empty text and starts at
  // the end of the line does not select it.
  const selected = m !== null && !(matchesEmpty && m.index === line.length);
  return { selected, match };
}

for (const c of cases) {
  let regexp = null;
  try {
    regexp = new RegExp(c.pattern, 'm' + c.flags);
  } catch {
    regexp = null;
  }
  if (regexp === null) {
    if (c.valid) mismatch(c, 'accepted here, a syntax error in JavaScript');
    else tally.bothInvalid += 1;
    continue;
  }
  if (c.valid) compareAutomaton(c);
  if (!c.valid) {
    // PCRE2 needs a fixed length in lookbehinds; JavaScript does not.
    if (c.lookbehind) {
      tally.lookbehindRejected += 1;
      if (args.verbose) console.log(`lookbehind rejected: ${c.pattern}`);
    } else {
      mismatch(c, 'rejected here, valid JavaScript');
    }
    continue;
  }
  const matchesEmpty = regexp.test('');
  if (matchesEmpty !== c.matchesEmpty) {
    mismatch(c, 'matches the empty text', { ours: c.matchesEmpty, js: matchesEmpty });
  }
  if (!c.compareEnd) tally.endsNotCompared += 1;
  c.lines.forEach((line, i) => {
    tally.lines += 1;
    const ours = c.results[i];
    const js = javaScriptAnswer(regexp, matchesEmpty, line);
    if (ours.match === 'gave up') {
      tally.gaveUp += 1;
      if (args.verbose) console.log(`gave up: ${c.pattern} on ${JSON.stringify(line)}`);
      return;
    }
    const same =
      ours.selected === js.selected &&
      (ours.match === null) === (js.match === null) &&
      (ours.match === null ||
        (ours.match[0] === js.match[0] && (!c.compareEnd || ours.match[1] === js.match[1])));
    if (!same) mismatch(c, 'line', { line, ours, js });
  });
}

for (const report of reports) console.log(report);
console.log(JSON.stringify(tally));
const tooManyGaveUp = tally.gaveUp * 1000 > tally.lines;
if (tooManyGaveUp) console.log('too many lines on which the engine gave up');
process.exit(tally.mismatches === 0 && !tooManyGaveUp ? 0 : 1);
