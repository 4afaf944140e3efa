// Checks a Windows build of Vesk without running it: machine type, entry
// subsystem, imports, version resource and manifest.
// Usage: node check_exe.mjs PATH i386|amd64 OBJDUMP
import { execFileSync } from "node:child_process";
import fs from "node:fs";

const [exe, wantMachine, objdump] = process.argv.slice(2);
const bytes = fs.readFileSync(exe);
const failures = [];
const check = (ok, what) => { if (!ok) failures.push(what); };

const peOffset = bytes.readUInt32LE(0x3c);
check(bytes.toString("latin1", peOffset, peOffset + 4) === "PE\0\0", "PE signature");
const machine = bytes.readUInt16LE(peOffset + 4);
const machines = { i386: 0x14c, amd64: 0x8664 };
check(machine === machines[wantMachine], `machine 0x${machine.toString(16)}, want ${wantMachine}`);
const optional = peOffset + 24;
const subsystem = bytes.readUInt16LE(optional + 68);
check(subsystem === 3, `subsystem ${subsystem}, want 3 (console)`);

const utf16 = (text) => Buffer.from(text, "utf16le");
const contains = (needle) => bytes.indexOf(needle) >= 0;
for (const text of ["FileDescription", "ProductName", "OriginalFilename", "Vesk.exe", "2.0.0.0", "041104b0"]) {
  check(contains(utf16(text)), `version resource lacks ${text}`);
}
check(contains(Buffer.from('level="asInvoker"')), "manifest asking for asInvoker");
// VS_FIXEDFILEINFO: signature, then file version 2.0.0.0 as MS/LS words.
const fixed = bytes.indexOf(Buffer.from([0xbd, 0x04, 0xef, 0xfe]));
check(fixed >= 0, "fixed file info");
if (fixed >= 0) {
  check(bytes.readUInt32LE(fixed + 8) === 0x00020000 && bytes.readUInt32LE(fixed + 12) === 0, "file version 2.0.0.0");
  check(bytes.readUInt32LE(fixed + 16) === 0x00020000 && bytes.readUInt32LE(fixed + 20) === 0, "product version 2.0.0.0");
}
// Translation 0x0411 / 1200 in VarFileInfo.
check(contains(Buffer.from([0x11, 0x04, 0xb0, 0x04])), "translation 0x0411");

// Statically linked: only system DLLs are imported.
const dump = execFileSync(objdump, ["-p", exe], { encoding: "utf8" });
const dlls = [...dump.matchAll(/DLL Name: (\S+)/g)].map((m) => m[1].toLowerCase());
const system = new Set(["kernel32.dll", "msvcrt.dll", "user32.dll", "advapi32.dll"]);
for (const dll of dlls) check(system.has(dll) || dll.startsWith("api-ms-win-"), `imports ${dll}`);
for (const fn of ["WriteConsoleW", "GetConsoleOutputCP", "GetUserDefaultUILanguage", "Wow64DisableWow64FsRedirection"]) {
  check(dump.includes(fn), `does not import ${fn}`);
}

for (const f of failures) console.log(`FAIL ${exe}: ${f}`);
console.log(`${failures.length === 0 ? 1 : 0} passed, ${failures.length === 0 ? 0 : 1} failed`);
process.exit(failures.length === 0 ? 0 : 1);
