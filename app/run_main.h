// The whole run of the program, from the arguments to the exit code.
#pragma once

#include <functional>
#include <string>
#include <vector>

namespace vesk {

// Takes what reads the arguments after the program name, so that running out
// of memory there is met like anywhere else; returns the exit code.
int runMain(const std::function<std::vector<std::u16string>()>& readArguments);

}  // namespace vesk
