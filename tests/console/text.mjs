// Expected bytes of redirected output, made with the system's iconv so that
// no code-page bytes are written by hand.
import { execFileSync } from "node:child_process";

// Redirected output on Windows is text mode: every LF leaves as CR LF.
export const crlf = (text) => text.replaceAll("\n", "\r\n");

// The bytes of text in a code set iconv knows ("CP932", "CP1252", "UTF-8").
export function encode(text, codeset) {
  return execFileSync("iconv", ["-f", "UTF-8", "-t", codeset], { input: text });
}

// What a redirected stream holds: the text with CR LF, in the code set.
export const redirected = (text, codeset) => encode(crlf(text), codeset);
