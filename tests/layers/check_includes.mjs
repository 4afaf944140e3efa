// Checks that the folders of the source tree are layers: every
// `#include "folder/..."` in a layer's files names the layer itself or a
// layer it uses, directly or through the layers it uses. The table comes
// from the build (cmake/layers.cmake writes one line per layer,
// "name:used,used"), so the build's link order and this check read the same
// declaration. A folder with C++ sources that is not a layer fails too, so
// that no new folder escapes the check. And only output/ writes text for the
// console: no other layer calls the writer's functions.
//
// Usage: node check_includes.mjs --root SOURCE_DIR --table BUILD_DIR/layers.txt

import fs from "node:fs";
import path from "node:path";

// The functions that put text on standard output or standard error.
const kConsoleWriters = /\b(writeConsoleText|writeRedirectedBytes|writeNarrowStdout|writeErrorLine)\s*\(/;
const kConsoleWritingLayer = "output";

// Folders of the checkout that hold no layer code.
const kNotLayers = new Set(["tests", "bench", "cmake", "scripts", "sample", "windows", "packaging", "docs"]);

function parseArguments(argv) {
  const options = {};
  for (let i = 0; i < argv.length; i += 2) options[argv[i].replace(/^--/, "")] = argv[i + 1];
  if (!options.root || !options.table) throw new Error("--root and --table are required");
  return options;
}

function readTable(file) {
  const uses = new Map();
  for (const line of fs.readFileSync(file, "utf8").split("\n")) {
    if (line.trim() === "") continue;
    const [name, used] = line.split(":");
    uses.set(name, used ? used.split(",").filter(Boolean) : []);
  }
  return uses;
}

// Each layer with every layer below it that it may include.
function reachable(uses) {
  const result = new Map();
  const visit = (name, seen) => {
    for (const used of uses.get(name) ?? []) {
      if (seen.has(used)) continue;
      seen.add(used);
      visit(used, seen);
    }
    return seen;
  };
  for (const name of uses.keys()) result.set(name, visit(name, new Set([name])));
  return result;
}

function sourceFiles(folder) {
  const files = [];
  for (const entry of fs.readdirSync(folder, { withFileTypes: true })) {
    const full = path.join(folder, entry.name);
    if (entry.isDirectory()) files.push(...sourceFiles(full));
    else if (/\.(cpp|h)$/.test(entry.name)) files.push(full);
  }
  return files;
}

function topFolders(root) {
  return fs.readdirSync(root, { withFileTypes: true })
    .filter((e) => e.isDirectory() && !e.name.startsWith(".") && !e.name.startsWith("build"))
    .map((e) => e.name)
    .filter((name) => !kNotLayers.has(name));
}

function main() {
  const options = parseArguments(process.argv.slice(2));
  const uses = readTable(options.table);
  const allowed = reachable(uses);
  const problems = [];
  let includes = 0;
  for (const folder of topFolders(options.root)) {
    const files = sourceFiles(path.join(options.root, folder));
    if (files.length === 0) continue;
    if (!uses.has(folder)) {
      problems.push(`${folder}/ holds C++ sources but is not a layer in the build`);
      continue;
    }
    for (const file of files) {
      const text = fs.readFileSync(file, "utf8");
      const writer = kConsoleWriters.exec(text);
      if (writer && folder !== kConsoleWritingLayer) {
        problems.push(`${path.relative(options.root, file)} calls ${writer[1]}: only output/ writes to the console`);
      }
      for (const match of text.matchAll(/^\s*#\s*include\s+"([^"/]+)\//gm)) {
        includes++;
        const target = match[1];
        if (!allowed.get(folder).has(target)) {
          const relative = path.relative(options.root, file);
          const why = uses.has(target) ? "a layer it does not use" : "not a layer";
          problems.push(`${relative} includes ${target}/, ${why}`);
        }
      }
    }
  }
  for (const problem of problems) console.log(problem);
  console.log(`${includes} includes of ${uses.size} layers checked, ${problems.length} problems`);
  process.exit(problems.length === 0 && includes > 0 ? 0 : 1);
}

main();
