#include "platform/environment.h"

#include <cstdlib>

#include "platform/codepage.h"

namespace vesk::platform {

// Names are ASCII; values are in the locale's encoding, as arguments are.
std::optional<std::u16string> environmentVariable(std::u16string_view name) {
  const std::string narrowName(name.begin(), name.end());
  const char* value = std::getenv(narrowName.c_str());
  if (value == nullptr) return std::nullopt;
  std::u16string text;
  appendWideFromMultiByte(value, kAnsiCodePage, text);
  return text;
}

}  // namespace vesk::platform
