// The options of one run as the command line gives them, and what follows
// from them for display.
#pragma once

#include <string>

namespace vesk {

// At most one of "/c", "/ce", "/l", "/lv", "/n", "/q"; Lines without any.
enum class DisplayMode {
  Lines,         // the selected or rewritten lines
  LineNumbers,   // "/n": the lines with their numbers
  Quiet,         // "/q": nothing
  Count,         // "/c": a count for every file
  CountFound,    // "/ce": a count for files with hits
  List,          // "/l": the names of files with hits
  ListNotFound,  // "/lv": the names of files without hits
};

// How input bytes become text: the code page, or the encoding of "/u"
// (UTF-16 unless a byte-order mark says otherwise), "/u8" or "/u16". A
// parameter file is read in the code page unless a byte-order mark says
// otherwise.
enum class InputEncoding { CodePage, Unicode, Utf8, Utf16Le, CodePageUnlessMarked };

struct RunOptions {
  DisplayMode display = DisplayMode::Lines;
  InputEncoding encoding = InputEncoding::CodePage;
  bool subfolders = false;  // "/d"
  std::u16string target;    // empty: standard input
};

constexpr bool showsLines(DisplayMode mode) {
  return mode == DisplayMode::Lines || mode == DisplayMode::LineNumbers;
}

constexpr bool isCountMode(DisplayMode mode) {
  return mode == DisplayMode::Count || mode == DisplayMode::CountFound;
}

constexpr bool isListMode(DisplayMode mode) {
  return mode == DisplayMode::List || mode == DisplayMode::ListNotFound;
}

}  // namespace vesk
