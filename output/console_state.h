// What the program learns about its console at start; fixed for the run.
#pragma once

#include <cstdint>

#include "platform/console.h"

namespace vesk {

enum class Language : std::uint32_t { Japanese = 0, English = 1 };

struct ConsoleState {
  platform::ConsoleHandle stdoutConsole = 0;  // 0 when standard output is redirected
  platform::ConsoleHandle stderrConsole = 0;
  Language language = Language::Japanese;
  std::uint32_t outputCodePage = 0;  // 65001 or 0 (the ANSI code page)
};

ConsoleState probeConsole();

}  // namespace vesk
