#include <string>
#include <vector>

#include "app/run_main.h"
#include "platform/win32/wide.h"

// The start-up code must not expand wildcards: Vesk matches '*' and '?'
// itself, and search terms may contain them.
extern "C" {
int _dowildcard = 0;
}

int wmain(int argc, wchar_t** argv) {
  return vesk::runMain([argc, argv] {
    std::vector<std::u16string> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(vesk::platform::win32::utf16(argv[i]));
    return arguments;
  });
}
