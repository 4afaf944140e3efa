// The label written above the first result of each folder in a "/d" walk
// ("<.>", "<sub/inner>"), and the blank line between two of them.
#pragma once

#include <string>

#include "output/console_output.h"

namespace vesk {

class FolderLabels {
 public:
  // The walk enters a folder: its label goes out before its first result.
  void enter(std::u16string label);
  // Before a result: the label of its folder, when that is not out yet.
  void writePending(ConsoleOutput& output);

 private:
  std::u16string label_;
  bool pending_ = false;
  bool shown_ = false;  // some label has been written in this run
};

}  // namespace vesk
