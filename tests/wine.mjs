// Starting Wine for the runners that execute the Windows build
// (tests/cli/run.mjs, tests/console/run.mjs).

import { spawnSync } from "node:child_process";
import fs from "node:fs";

// Debian's wine64 package keeps its loader out of PATH.
export function wineLoader() {
  if (process.env.VESK_WINE) return process.env.VESK_WINE;
  return fs.existsSync("/usr/lib/wine/wine64") ? "/usr/lib/wine/wine64" : "wine64";
}

export function wineServer() {
  return fs.existsSync("/usr/lib/wine/wineserver64") ? "/usr/lib/wine/wineserver64" : "wineserver";
}

// A fresh wine server starts Wine's services (services.exe, winedevice.exe)
// with its first program, and they inherit that program's standard streams
// for as long as the server lives: a case's pipes (or its terminal) would
// stay open and the case would wait for its time-out. So the server is
// started here, and the services with a first program whose streams are
// closed; the server then stays until 30 s after the last program.
export function startWine(exe, env) {
  const quiet = { stdio: "ignore", env, timeout: 120_000 };
  spawnSync(wineServer(), ["-p30"], quiet);
  spawnSync(wineLoader(), [exe, "/void"], quiet);
}
