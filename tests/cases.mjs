// The case files of a runner: every cases/*.mjs in name order, each
// exporting its list of cases or a function of the platform that makes it.
import fs from "node:fs";
import path from "node:path";
import { pathToFileURL } from "node:url";

export async function loadCases(folder, p) {
  const cases = [];
  for (const file of fs.readdirSync(folder).filter((f) => f.endsWith(".mjs")).sort()) {
    const module = await import(pathToFileURL(path.join(folder, file)));
    const list = typeof module.default === "function" ? module.default(p) : module.default;
    for (const testCase of list) cases.push({ file, ...testCase });
  }
  return cases;
}
