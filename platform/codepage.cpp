#include "platform/codepage.h"

#include "base/utf8.h"

// What every system shares once it has said which ANSI code page it uses.
namespace vesk::platform {

void appendWideKeepingBytes(std::string_view bytes, std::u16string& out) {
  if (ansiCodePageIsUtf8()) {
    appendWideFromUtf8KeepingBytes(bytes, out);
  } else {
    appendWideFromMultiByte(bytes, kAnsiCodePage, out);
  }
}

void appendBytesKeepingBytes(std::u16string_view text, std::string& out) {
  if (ansiCodePageIsUtf8()) {
    appendUtf8KeepingBytes(text, out);
  } else {
    appendMultiByteFromWide(text, kAnsiCodePage, out);
  }
}

}  // namespace vesk::platform
