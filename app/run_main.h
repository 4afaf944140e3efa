// The whole run of the program, from the arguments to the exit code.
#pragma once

#include <string>
#include <vector>

namespace vesk {

// Takes the arguments after the program name; returns the exit code.
int runMain(const std::vector<std::u16string>& arguments);

}  // namespace vesk
