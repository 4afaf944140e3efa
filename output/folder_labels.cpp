#include "output/folder_labels.h"

#include <utility>

namespace vesk {

void FolderLabels::enter(std::u16string label) {
  label_ = std::move(label);
  pending_ = true;
}

void FolderLabels::writePending(ConsoleOutput& output) {
  if (!pending_) return;
  if (shown_) writeConsoleText(output, u"", true);
  writeConsoleText(output, label_, true);
  pending_ = false;
  shown_ = true;
}

}  // namespace vesk
