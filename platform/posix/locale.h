// What the POSIX build reads from the locale environment in place of the
// Windows console and national-language settings. The locale need not be
// installed: only its name is read.
#pragma once

#include <string>

namespace vesk::platform::posix {

enum class Codeset { Utf8, ShiftJis, Other };

struct LocaleInfo {
  // The codeset of the character-type locale (LC_ALL, else LC_CTYPE, else
  // LANG); C, POSIX, an unset locale and one without a codeset count as UTF-8.
  Codeset codeset = Codeset::Utf8;
  std::string codesetName = "UTF-8";  // as iconv knows it ("CP932" for Shift_JIS)
  // The language of the message locale (LC_ALL, else LC_MESSAGES, else LANG), e.g. "ja".
  std::string language;
};

// Read from the environment at the first call; the environment does not
// change during a run.
const LocaleInfo& localeInfo();

// Reads the environment again (for tests that switch locales in one process).
void reloadLocale();

}  // namespace vesk::platform::posix
