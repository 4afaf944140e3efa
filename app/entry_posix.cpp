#include <string>
#include <vector>

#include "app/run_main.h"
#include "platform/codepage.h"

// Arguments arrive as bytes in the locale's codeset; a target named in bytes
// the codeset does not hold keeps them.
int main(int argc, char** argv) {
  return vesk::runMain([argc, argv] {
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) {
      std::u16string argument;
      vesk::platform::appendWideKeepingBytes(argv[i], argument);
      arguments.push_back(std::move(argument));
    }
    return arguments;
  });
}
