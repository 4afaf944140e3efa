// THIRD-PARTY-NOTICES.txt for the statically linked Windows executables,
// composed from what their link maps show and from the licence texts that
// the build machine's Debian packages (and the PCRE2 source) ship.
//
// Every archive and object the linker took is assigned to a component by
// name and by the Debian package that owns it; anything not known here
// (another library, an LGPL part of GCC, zlib...) fails the run, so the
// notices cannot silently fall behind the link.
//
// Usage:
//   node notices.mjs --map build-win32/vesk.map [--map ...] --write FILE
//   node notices.mjs --map MAP [--map ...] --check FILE [--exact]
// --check: every notice the maps call for stands in FILE word for word;
// --exact: and FILE holds nothing else (both builds' maps given).
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import path from 'node:path';
import { parseArgs } from 'node:util';

const { values: args } = parseArgs({
  options: {
    map: { type: 'string', multiple: true, default: [] },
    write: { type: 'string' },
    check: { type: 'string' },
    exact: { type: 'boolean', default: false },
  },
});

const RULE = '='.repeat(78);

// Files the linker took from archives, and the object files it loaded.
function linkedFiles(mapFile) {
  const text = fs.readFileSync(mapFile, 'utf8');
  const files = new Set();
  const members = text.split(/^Archive member included to satisfy reference by file \(symbol\)$/m)[1];
  if (members === undefined) throw new Error(`${mapFile}: no archive member list; is it a GNU ld map?`);
  for (const line of members.split('\n')) {
    if (/^(Discarded input sections|Allocating common symbols|Memory Configuration)/.test(line)) break;
    const archive = /^(\S.*?)\(/.exec(line);
    if (archive) files.add(archive[1]);
  }
  for (const [, object] of text.matchAll(/^LOAD (\S+\.o(?:bj)?)$/gm)) files.add(object);
  const buildDir = path.dirname(path.resolve(mapFile));
  return [...files].map((f) => ({ name: f, real: path.isAbsolute(f) ? realpath(f) : path.resolve(buildDir, f), buildDir }));
}

function realpath(file) {
  try {
    return fs.realpathSync(file);
  } catch {
    return path.normalize(file);
  }
}

function run(command, argv) {
  try {
    return execFileSync(command, argv, { encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'] }).trim();
  } catch {
    return '';
  }
}

const ownerCache = new Map();
function owningPackage(file) {
  if (!ownerCache.has(file)) {
    const answer = run('dpkg-query', ['-S', file]);
    ownerCache.set(file, answer ? answer.split(':')[0] : '');
  }
  return ownerCache.get(file);
}

function upstreamVersion(pkg) {
  const version = run('dpkg-query', ['-W', '-f', '${Version}', pkg]);
  return version.replace(/^\d+:/, '').replace(/-[^-]*$/, '');
}

// GCC's runtime parts under the GCC Runtime Library Exception. libquadmath
// (LGPL) and the like are left out on purpose: they would need other notices.
const GCC_RUNTIME = /^(libgcc|libgcc_eh|libstdc\+\+|libsupc\+\+|libssp|libssp_nonshared|libatomic)\.a$|^crt(begin|end|fastmath)\.o$/;
// MinGW-w64's runtime: the start-up objects, its C runtime libraries and the
// import libraries of Windows' DLLs, all built from mingw-w64-crt.
const MINGW_LIBRARY = /^(crt\w*|dllcrt\w*|binmode|txtmode|CRT_\w+)\.o$|^lib\w+\.a$/;
const MINGW_NOT_CRT = /^lib(winpthread|pthread|mangle|pseh|winstorecompat)\b/;

// Which component a linked file belongs to, with what the notice needs to know.
function classify(file) {
  const base = path.basename(file.real);
  if (file.real.startsWith(file.buildDir + path.sep)) return { id: 'own' };
  const pcre2 = /\/pcre2-(\d+\.\d+)-[^/]+\/lib\/libpcre2-(8|16|32)\.a$/.exec(file.real);
  if (pcre2) return { id: 'pcre2', version: pcre2[1], licence: pcre2Licence(file.real, pcre2[1]) };
  const pkg = owningPackage(file.real);
  if (/^g(cc|\+\+)-mingw-w64-(i686|x86-64)-(win32|posix)$/.test(pkg) && GCC_RUNTIME.test(base)) {
    return { id: 'gcc', pkg, version: upstreamVersion(pkg) };
  }
  if (/^mingw-w64-(i686|x86-64)-dev$/.test(pkg)) {
    if (/^lib(winpthread|pthread)\.a$/.test(base)) return { id: 'winpthreads', pkg, version: upstreamVersion(pkg) };
    if (MINGW_LIBRARY.test(base) && !MINGW_NOT_CRT.test(base)) {
      return { id: 'mingw-w64', pkg, version: upstreamVersion(pkg) };
    }
  }
  return { id: 'unknown', why: `${file.name} (${pkg ? `Debian package ${pkg}` : 'no Debian package'})` };
}

// The LICENCE of the source the MinGW PCRE2 was built from: scripts/pcre2-mingw.sh
// keeps it in VESK_CACHE/src/pcre2-VERSION beside VESK_CACHE/pcre2-VERSION-HOST.
function pcre2Licence(archive, version) {
  const cache = path.dirname(path.dirname(path.dirname(archive)));
  const licence = path.join(cache, 'src', `pcre2-${version}`, 'LICENCE');
  if (!fs.existsSync(licence)) throw new Error(`PCRE2's licence not found at ${licence}`);
  return licence;
}

// A Debian machine-readable copyright file: its Files stanzas and its
// stand-alone License paragraphs.
function parseCopyright(file) {
  const paragraphs = fs.readFileSync(file, 'utf8').split(/\n[ \t]*\n/);
  const stanzas = [];
  const licences = new Map();
  for (const paragraph of paragraphs) {
    const fields = {};
    let current = null;
    for (const line of paragraph.split('\n')) {
      const field = /^([A-Za-z-]+):[ \t]?(.*)$/.exec(line);
      if (field) {
        current = field[1];
        fields[current] = [field[2]];
      } else if (current && /^[ \t]/.test(line)) {
        fields[current].push(line);
      }
    }
    if (!fields.License) continue;
    const [name, ...body] = fields.License;
    const text = body.map((l) => l.replace(/^[ \t]/, '')).map((l) => (l === '.' ? '' : l)).join('\n');
    if (fields.Files) {
      const files = fields.Files.join(' ').trim().split(/\s+/);
      const copyright = fields.Copyright.map((l) => l.trim()).filter(Boolean);
      stanzas.push({ files, copyright, name: name.trim(), text });
    } else if (!fields.Format) {
      licences.set(name.trim(), text);
    }
  }
  return { stanzas, licences };
}

// Breaks a long field after commas, continuing as Debian's files do.
function wrap(field, width = 78) {
  const lines = [];
  let line = '';
  for (const word of field.split(' ')) {
    if (line && line.length + 1 + word.length > width) {
      lines.push(line);
      line = `       ${word}`;
    } else {
      line = line ? `${line} ${word}` : word;
    }
  }
  return [...lines, line].join('\n');
}

// The stanzas whose Files patterns the filter keeps, with each licence text
// spelt out (a stanza may only name a licence given in full further down).
function copyrightNotices(file, keepPattern) {
  const { stanzas, licences } = parseCopyright(file);
  const out = [];
  for (const stanza of stanzas) {
    const files = stanza.files.filter(keepPattern);
    if (files.length === 0) continue;
    const texts = stanza.text
      ? [stanza.text]
      : stanza.name.split(/ (?:and|or) /).map((name) => {
          if (!licences.has(name)) throw new Error(`${file}: licence ${name} has no text`);
          return licences.get(name);
        });
    out.push(
      [wrap(`Files: ${files.join(', ')}`), `Copyright: ${stanza.copyright.join('\n           ')}`, `License: ${stanza.name}`, '', ...texts.join('\n\n').split('\n').map((l) => (l ? `    ${l}` : ''))].join('\n'),
    );
  }
  if (out.length === 0) throw new Error(`${file}: no stanza kept`);
  return out.join('\n\n');
}

function docFile(pkg, name) {
  const file = `/usr/share/doc/${pkg}/${name}`;
  if (!fs.existsSync(file)) throw new Error(`${file} is missing`);
  return file;
}

// The Runtime Library Exception as GCC's Debian copyright file quotes it.
function runtimeLibraryException(pkg) {
  const text = fs.readFileSync(docFile(pkg, 'copyright'), 'utf8');
  const start = text.indexOf('GCC RUNTIME LIBRARY EXCEPTION');
  const endMark = 'requirements of the license of GCC.';
  const end = text.indexOf(endMark, start);
  if (start < 0 || end < 0) throw new Error(`the GCC Runtime Library Exception was not found in ${pkg}'s copyright file`);
  return text.slice(start, end + endMark.length);
}

const crtFiles = (f) => (f === '*' || f.startsWith('mingw-w64-crt/')) && !/^mingw-w64-crt\/(profile|testcases)\//.test(f);
const winpthreadsFiles = (f) => f.startsWith('mingw-w64-libraries/winpthreads/') && !f.includes('/tests_pthread/');

const SOURCE_TREE_PATHS = [
  'The files named below are those of the mingw-w64 source tree, as its Debian',
  'copyright file lists them ("*": every file not named in another paragraph).',
].join('\n');

// In the order they appear in the notices.
const COMPONENTS = [
  {
    id: 'pcre2',
    title: (c) => `PCRE2 ${c.version}`,
    what: 'the regular-expression engine, with its just-in-time compiler (SLJIT)',
    body: (c) => fs.readFileSync(c.licence, 'utf8').trimEnd(),
  },
  {
    id: 'gcc',
    title: (c) => `GCC ${c.version} runtime libraries (libgcc, libstdc++)`,
    what: 'the C++ standard library and the compiler support code',
    body: (c) =>
      [
        'Copyright (C) Free Software Foundation, Inc.',
        '',
        'libgcc and libstdc++ are licensed under the GNU General Public License,',
        'version 3 or later, with version 3.1 of the GCC Runtime Library Exception,',
        'which permits conveying programs that combine them with independent',
        'modules under terms of the program\'s choice. Both texts follow.',
        '',
        runtimeLibraryException(c.pkg),
        '',
        RULE.replace(/=/g, '-'),
        '',
        fs.readFileSync('/usr/share/common-licenses/GPL-3', 'utf8').trimEnd(),
      ].join('\n'),
  },
  {
    id: 'mingw-w64',
    title: (c) => `MinGW-w64 ${c.version} runtime`,
    what: 'the program start-up code, C runtime helpers and import libraries',
    body: (c) => [SOURCE_TREE_PATHS, copyrightNotices(docFile(c.pkg, 'copyright'), crtFiles)].join('\n\n'),
  },
  {
    id: 'winpthreads',
    title: (c) => `MinGW-w64 ${c.version} winpthreads`,
    what: 'the POSIX threads library behind the C++ standard library\'s threads',
    body: (c) => [SOURCE_TREE_PATHS, copyrightNotices(docFile(c.pkg, 'copyright'), winpthreadsFiles)].join('\n\n'),
  },
];

function compose(used) {
  const present = COMPONENTS.filter((c) => used.has(c.id));
  const header = [
    'Third-party notices for the Windows executables of Vesk',
    '',
    'vesk.exe is linked statically: besides Vesk\'s own code (LICENSE.txt), it',
    'holds parts of the software below, each under its own licence. Their',
    'notices and licence texts follow.',
    '',
    ...present.map((c, i) => `  ${i + 1}. ${c.title(used.get(c.id))}: ${c.what}`),
  ].join('\n');
  const sections = present.map((c, i) => {
    const info = used.get(c.id);
    return [RULE, `${i + 1}. ${c.title(info)}`, RULE, '', c.body(info)].join('\n');
  });
  return { text: [header, ...sections].join('\n\n\n') + '\n', sections };
}

function usedComponents(maps) {
  const used = new Map();
  const unknown = [];
  for (const map of maps) {
    for (const file of linkedFiles(map)) {
      const component = classify(file);
      if (component.id === 'own') continue;
      if (component.id === 'unknown') unknown.push(`${map}: ${component.why}`);
      else if (!used.has(component.id)) used.set(component.id, component);
      else if (used.get(component.id).version !== component.version) {
        unknown.push(`${map}: ${component.id} ${component.version}, another build has ${used.get(component.id).version}`);
      }
    }
  }
  if (unknown.length > 0) {
    throw new Error(
      'linked in, but no notice covers it (add it to packaging/notices.mjs with its licence):\n  ' + unknown.join('\n  '),
    );
  }
  return used;
}

function main() {
  if (args.map.length === 0 || !(args.write || args.check)) {
    console.error('usage: node notices.mjs --map MAP... (--write FILE | --check FILE [--exact])');
    return 2;
  }
  const { text, sections } = compose(usedComponents(args.map));
  if (args.write) {
    fs.writeFileSync(args.write, text);
    return 0;
  }
  const current = fs.readFileSync(args.check, 'utf8').replace(/\r\n/g, '\n');
  const missing = sections.filter((s) => !current.includes(s)).map((s) => s.split('\n')[1]);
  const failures = missing.map((title) => `${args.check} lacks or differs in: ${title}`);
  if (args.exact && missing.length === 0 && current !== text) failures.push(`${args.check} holds more than the link calls for`);
  for (const f of failures) console.log(`FAIL ${f}`);
  if (failures.length > 0) {
    console.log('regenerate: node packaging/notices.mjs --map build-win32/vesk.map --map build-win64/vesk.map --write THIRD-PARTY-NOTICES.txt');
  }
  return failures.length === 0 ? 0 : 1;
}

try {
  process.exitCode = main();
} catch (error) {
  console.error(`notices: ${error.message}`);
  process.exitCode = 1;
}
