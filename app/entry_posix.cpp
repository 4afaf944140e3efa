#include <string>
#include <vector>

#include "app/run_main.h"
#include "platform/codepage.h"

// Arguments arrive as bytes in the locale's codeset.
int main(int argc, char** argv) {
  std::vector<std::u16string> arguments;
  for (int i = 1; i < argc; ++i) {
    std::u16string argument;
    vesk::platform::appendWideFromMultiByte(argv[i], vesk::platform::kAnsiCodePage, argument);
    arguments.push_back(std::move(argument));
  }
  return vesk::runMain(arguments);
}
