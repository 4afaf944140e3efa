// The process entry of each platform converts its arguments to UTF-16 and
// calls this.
#pragma once

#include <string>
#include <vector>

namespace vesk {
// Takes the arguments after the program name; returns the exit code.
int runMain(const std::vector<std::u16string>& arguments);
}  // namespace vesk
