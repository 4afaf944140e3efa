#include "platform/posix/locale.h"

#include <cctype>
#include <cstdlib>

namespace vesk::platform::posix {
namespace {

std::string firstSet(const char* a, const char* b, const char* c) {
  for (const char* name : {a, b, c}) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return {};
}

// "ja_JP.UTF-8@euro" -> "UTF-8"
std::string codesetPart(const std::string& locale) {
  const auto dot = locale.find('.');
  if (dot == std::string::npos) return {};
  const auto at = locale.find('@', dot);
  return locale.substr(dot + 1, at == std::string::npos ? std::string::npos : at - dot - 1);
}

// Upper case without '-' and '_', so that "utf8", "UTF-8" and "Shift_JIS" compare simply.
std::string normalized(const std::string& codeset) {
  std::string result;
  for (char c : codeset) {
    if (c == '-' || c == '_') continue;
    result += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  }
  return result;
}

bool isShiftJis(const std::string& codeset) {
  return codeset == "SJIS" || codeset == "SHIFTJIS" || codeset == "CP932" || codeset == "MS932" ||
         codeset == "WINDOWS31J";
}

LocaleInfo readLocale() {
  LocaleInfo info;
  const std::string ctype = firstSet("LC_ALL", "LC_CTYPE", "LANG");
  const std::string codeset = codesetPart(ctype);
  const std::string key = normalized(codeset);
  if (isShiftJis(key)) {
    info.codeset = Codeset::ShiftJis;
    info.codesetName = "CP932";
  } else if (!key.empty() && key != "UTF8") {
    info.codeset = Codeset::Other;
    info.codesetName = codeset;
  }
  const std::string messages = firstSet("LC_ALL", "LC_MESSAGES", "LANG");
  info.language = messages.substr(0, messages.find_first_of("_.@"));
  return info;
}

LocaleInfo& cachedLocale() {
  static LocaleInfo info = readLocale();
  return info;
}

}  // namespace

const LocaleInfo& localeInfo() {
  return cachedLocale();
}

void reloadLocale() {
  cachedLocale() = readLocale();
}

}  // namespace vesk::platform::posix
