// VESK_THREADS: how many threads the user asks for, if any.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "model/diagnostic.h"

namespace vesk {

// VESK_THREADS may ask for up to this many.
constexpr unsigned kThreadsAtMost = 64;

struct ThreadSetting {
  unsigned threads = 0;  // 0: none asked for, the program decides
  // A value that is not a number from 1 to 64 is reported, and the default
  // is used.
  std::optional<Diagnostic> warning;
};

// The setting from the variable's value (nullopt: not set). Only plain
// decimal digits count, without sign, spaces or leading zeros, so that no
// value is read as another number than it shows.
ThreadSetting threadSettingFrom(const std::optional<std::u16string>& value);

}  // namespace vesk
