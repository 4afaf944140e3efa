#include "search/file_search.h"

#include "base/decimal.h"
#include "output/report.h"
#include "search/line_matching.h"
#include "search/line_skipping.h"

namespace vesk {
namespace {

constexpr std::u16string_view kPrefixSeparator = u": ";

// What one file's pass keeps: the line, its counters and the reused text
// a prefixed line is built in.
struct FileState {
  std::u16string lineText;
  std::u16string prefixed;
  std::uint64_t lineNumber = 0;
  std::uint64_t hitCount = 0;
  bool found = false;
};

Diagnostic lineTooComplex(std::u16string_view displayName, std::uint64_t lineNumber) {
  Diagnostic diagnostic{MessageId::LineTooComplex, std::u16string(displayName)};
  diagnostic.subject += u'(';
  appendDecimal(diagnostic.subject, lineNumber);
  diagnostic.subject += u')';
  return diagnostic;
}

void writeLine(FileSearch& search, FileState& state, std::u16string_view displayName) {
  const RunPlan& plan = search.plan;
  const bool numbers = plan.display == DisplayMode::LineNumbers;
  std::u16string_view text = state.lineText;
  if (plan.showFileNames || numbers) {
    state.prefixed.clear();
    if (plan.showFileNames) {
      state.prefixed += displayName;
      state.prefixed += kPrefixSeparator;
    }
    if (numbers) {
      appendDecimal(state.prefixed, state.lineNumber);
      state.prefixed += kPrefixSeparator;
    }
    state.prefixed += state.lineText;
    text = state.prefixed;
  }
  printPendingHeader(search.output, search.folderHeader);
  writeConsoleText(search.output, text, false);
}

void writeSummary(FileSearch& search, const FileState& state, std::u16string_view displayName) {
  const RunPlan& plan = search.plan;
  if (isCountMode(plan.display)) {
    if (!state.found && plan.display == DisplayMode::CountFound) return;
    std::u16string text;
    if (plan.showFileNames) {
      text += displayName;
      text += kPrefixSeparator;
    }
    appendDecimal(text, state.hitCount);
    printPendingHeader(search.output, search.folderHeader);
    writeConsoleText(search.output, text, true);
  } else if (isListMode(plan.display) && state.found == (plan.display == DisplayMode::List)) {
    printPendingHeader(search.output, search.folderHeader);
    writeConsoleText(search.output, displayName, true);
  }
}

LineOutput lineOutput(const FileSearch& search) {
  const RunPlan& plan = search.plan;
  if (!showsLines(plan.display)) return LineOutput::None;
  const bool asRead =
      !plan.showFileNames && plan.display == DisplayMode::Lines && stdoutRedirected(search.output);
  return asRead ? LineOutput::AsRead : LineOutput::Other;
}

void skipLines(FileSearch& search, const LineSkipping& skipping, FileState& state) {
  std::string_view skippedBytes;
  const std::uint64_t skipped =
      skipPiecesWithout(search.reader, *skipping.needle, skipping.copyUnchanged, skippedBytes);
  state.lineNumber += skipped;
  if (skipping.skippedAreHits && skipped != 0) {
    state.hitCount += skipped;
    state.found = true;
  }
  if (skipping.copyUnchanged && !skippedBytes.empty()) {
    printPendingHeader(search.output, search.folderHeader);
    writeRedirectedAscii(search.output, skippedBytes);
  }
}

}  // namespace

bool searchFile(FileSearch& search, const ByteSource& source, InputNames names) {
  const RunPlan& plan = search.plan;
  startReading(search.reader, source, plan.encoding, plan.inputCodePage);
  const bool showLines = showsLines(plan.display);
  const LineSkipping skipping =
      search.options.skipLines ? lineSkippingFor(search.entries, search.reader, lineOutput(search))
                               : LineSkipping{};
  FileState state;
  for (;;) {
    if (skipping.needle) skipLines(search, skipping, state);
    if (!readLinePiece(search.reader, state.lineText)) break;
    ++state.lineNumber;
    const LineOutcome outcome = evaluateLine(search.entries, search.workspace, state.lineText);
    if (outcome.engineGaveUp) {
      report(search.output, lineTooComplex(names.display, state.lineNumber));
    }
    if (showLines && !state.lineText.empty()) writeLine(search, state, names.display);
    if (outcome.hit) {
      ++state.hitCount;
      state.found = true;
    }
  }
  if (readFailed(search.reader)) {
    report(search.output, Diagnostic{MessageId::FileNotRead, std::u16string(names.path)});
  }
  writeSummary(search, state, names.display);
  return state.found;
}

void printPendingHeader(ConsoleOutput& output, FolderHeader& header) {
  if (!header.pending) return;
  if (header.shown) writeConsoleText(output, u"", true);
  writeConsoleText(output, header.label, true);
  header.pending = false;
  header.shown = true;
}

}  // namespace vesk
