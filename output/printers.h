// The printers of a run: what the search of each input reports becomes
// lines with their prefixes (the line printer, in the modes that show lines)
// or a count or a name for each input (the summary printer: "/c", "/ce",
// "/l", "/lv", "/q").
//
// The main thread's printer writes the run's output, with the folder labels
// of a walk. A worker's printer writes into an output that captures what it
// would write; the main thread writes what was captured in its turn
// (writeCaptured), labels before the first result of their folder.
#pragma once

#include <memory>
#include <string>

#include "model/run_options.h"
#include "output/console_output.h"
#include "output/folder_labels.h"
#include "output/search_sink.h"

namespace vesk {

struct PrintSettings {
  DisplayMode display = DisplayMode::Lines;
  bool showFileNames = false;  // results carry the name of their input
};

class Printers {
 public:
  Printers(PrintSettings settings, ConsoleOutput& output);

  SearchSink& main() { return *main_; }
  ConsoleOutput& output() { return output_; }
  std::unique_ptr<SearchSink> capturing(ConsoleOutput& capture) const;

  // The walk enters a folder whose label goes out before its first result.
  void enterFolder(std::u16string label) { labels_.enter(std::move(label)); }

  // Writes what a capturing printer collected, diagnostics in their places.
  void writeCaptured(const ConsoleOutput& captured);

 private:
  PrintSettings settings_;
  ConsoleOutput& output_;
  FolderLabels labels_;
  std::unique_ptr<SearchSink> main_;
};

}  // namespace vesk
