// The option settings of one run: written while the command line is parsed,
// read by every later phase.
#pragma once

#include <string>

namespace vesk {

struct RunSettings {
  bool countMode = false;
  bool countWhenNotFound = true;  // "/c" counts every file, "/ce" only files with hits
  bool listMode = false;
  bool listFound = true;  // "/l" lists files with hits, "/lv" files without
  bool lineNumbers = false;
  bool quiet = false;
  bool subfolders = false;
  bool showFileNames = false;
  bool encodingGiven = false;
  std::u16string encodingName;  // "UNICODE", "UTF-8" or "UTF-16LE"
  std::u16string target;        // empty: standard input
};

}  // namespace vesk
