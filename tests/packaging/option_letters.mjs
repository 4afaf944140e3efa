// Every option and option letter of the help text, as the program itself
// prints it for /?, is documented in README.md, README.ja.md and the manual
// page; and the copies of the help text in the two READMEs are the
// program's own, in English and in Japanese.
// An option letter counts as documented by a combined option (/si, /sil,
// /u16) or by the help's bracket form (/s[ilv], /u[8|16]).
// Usage: node option_letters.mjs --exe path/to/vesk
import { spawnSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { parseArgs } from 'node:util';

const { values: args } = parseArgs({ options: { exe: { type: 'string' } } });
if (!args.exe) {
  console.error('usage: node option_letters.mjs --exe path/to/vesk');
  process.exit(2);
}
const root = path.resolve(path.dirname(new URL(import.meta.url).pathname), '../..');

function help(locale) {
  const env = { ...process.env, LC_ALL: locale };
  const run = spawnSync(args.exe, ['/?'], { encoding: 'utf8', env });
  if (run.status !== 0 || !run.stdout) throw new Error(`${args.exe} /? failed: ${run.stderr || run.error}`);
  return run.stdout;
}

// Options and their letters: "     /s ..." opens an option, "        i ..." is a letter of it.
function optionsOf(helpText) {
  const options = new Map();
  let current = null;
  for (const line of helpText.split('\n')) {
    const option = /^ {5}\/(\S+) /.exec(line);
    const letter = /^ {8}(\S+) /.exec(line);
    if (option) options.set((current = option[1]), []);
    else if (letter && current) options.get(current).push(letter[1]);
  }
  return options;
}

// The manual page's text without its font changes and escapes.
function plainRoff(text) {
  return text
    .replace(/\\f(\[[^\]]*\]|.)/g, '')
    .replace(/\\&/g, '')
    .replace(/\\\(dq/g, '"')
    .replace(/\\-/g, '-')
    .replace(/\\e/g, '\\');
}

function documents(option, letters, letter, text) {
  const escaped = option.replace(/[.*+?^${}()|[\]\\]/g, '\\$&');
  const single = letters.every((l) => l.length === 1);
  for (const m of text.matchAll(new RegExp(`(?<![\\w/])/${escaped}(\\[[^\\]\\s]*\\]|[a-z0-9]*)`, 'gi'))) {
    const suffix = m[1].toLowerCase();
    if (letter === null) {
      if (suffix === '' || suffix.startsWith('[')) return true;
    } else if (suffix.startsWith('[')) {
      const inside = suffix.slice(1, -1);
      if ((single ? [...inside] : inside.split('|')).includes(letter)) return true;
    } else if (single ? [...suffix].includes(letter) && [...suffix].every((c) => letters.includes(c)) : suffix === letter) {
      return true;
    }
  }
  return false;
}

// The help text from its usage line on, as a block of whole lines.
function holdsHelp(text, helpText) {
  const lines = helpText.split('\n');
  const from = lines.findIndex((l) => l.startsWith('Vesk ['));
  const block = lines.slice(from).join('\n').trimEnd();
  return from >= 0 && text.includes(`\n${block}\n`);
}

const english = help('C');
const japanese = help('ja_JP.UTF-8');
const options = optionsOf(english);
const docs = [
  { name: 'README.md', text: fs.readFileSync(path.join(root, 'README.md'), 'utf8'), help: english },
  { name: 'README.ja.md', text: fs.readFileSync(path.join(root, 'README.ja.md'), 'utf8'), help: japanese },
  { name: 'packaging/vesk.1', text: plainRoff(fs.readFileSync(path.join(root, 'packaging/vesk.1'), 'utf8')) },
];

const failures = [];
let checks = 0;
const check = (ok, what) => {
  checks += 1;
  if (!ok) failures.push(what);
};
check(options.size >= 9 && [...options.values()].flat().length >= 10, `help text parsed into ${options.size} options`);
check(japanese !== english && optionsOf(japanese).size === options.size, 'the Japanese help has the same options');
for (const doc of docs) {
  for (const [option, letters] of options) {
    check(documents(option, letters, null, doc.text), `${doc.name} lacks /${option}`);
    for (const letter of letters) {
      check(documents(option, letters, letter, doc.text), `${doc.name} lacks the letter ${letter} of /${option}`);
    }
  }
  if (doc.help) check(holdsHelp(doc.text, doc.help), `${doc.name}'s copy of the help text differs from the program's`);
}

for (const f of failures) console.log(`FAIL ${f}`);
console.log(`${checks - failures.length} passed, ${failures.length} failed`);
process.exit(failures.length === 0 ? 0 : 1);
