#include "process/process_file.h"

#include "app/messages.h"
#include "process/line_matching.h"
#include "process/line_skipping.h"

namespace vesk {
namespace {

constexpr std::u16string_view kPrefixSeparator = u": ";

void appendDecimal(std::u16string& text, std::uint64_t value) {
  char16_t digits[20];
  std::size_t count = 0;
  do {
    digits[count++] = static_cast<char16_t>(u'0' + value % 10);
    value /= 10;
  } while (value != 0);
  while (count != 0) text.push_back(digits[--count]);
}

// What one file's pass keeps: the line, its counters and the reused text
// a prefixed line is built in.
struct FileState {
  std::u16string lineText;
  std::u16string prefixed;
  std::uint64_t lineNumber = 0;
  std::uint64_t hitCount = 0;
  bool found = false;
};

void reportLineTooComplex(ConsoleOutput& output, std::u16string_view displayName,
                          std::uint64_t lineNumber) {
  std::u16string subject(displayName);
  subject += u'(';
  appendDecimal(subject, lineNumber);
  subject += u')';
  reportError(output, subject, MessageId::LineTooComplex);
}

// Count and list modes show no lines, whoever set `quiet`.
bool linesShown(const RunSettings& settings) {
  return !settings.quiet && !settings.countMode && !settings.listMode;
}

void writeLine(ProcessContext& context, FileState& state, bool showName,
               std::u16string_view displayName) {
  const RunSettings& settings = context.settings;
  std::u16string_view text = state.lineText;
  if (showName || settings.lineNumbers) {
    state.prefixed.clear();
    if (showName) {
      state.prefixed += displayName;
      state.prefixed += kPrefixSeparator;
    }
    if (settings.lineNumbers) {
      appendDecimal(state.prefixed, state.lineNumber);
      state.prefixed += kPrefixSeparator;
    }
    state.prefixed += state.lineText;
    text = state.prefixed;
  }
  printPendingHeader(context.output, context.folderHeader);
  writeConsoleText(context.output, text, false, false);
}

void writeSummary(ProcessContext& context, const FileState& state, bool showName,
                  std::u16string_view displayName) {
  const RunSettings& settings = context.settings;
  if (settings.countMode) {
    if (!state.found && !settings.countWhenNotFound) return;
    std::u16string text;
    if (showName) {
      text += displayName;
      text += kPrefixSeparator;
    }
    appendDecimal(text, state.hitCount);
    printPendingHeader(context.output, context.folderHeader);
    writeConsoleText(context.output, text, false, true);
  } else if (settings.listMode && state.found == settings.listFound) {
    printPendingHeader(context.output, context.folderHeader);
    writeConsoleText(context.output, displayName, false, true);
  }
}

LineOutput lineOutput(const ProcessContext& context, bool showLines, bool showName) {
  if (!showLines) return LineOutput::None;
  const bool asRead =
      !showName && !context.settings.lineNumbers && stdoutRedirected(context.output);
  return asRead ? LineOutput::AsRead : LineOutput::Other;
}

void skipLines(ProcessContext& context, const LineSkipping& skipping, FileState& state) {
  std::string_view skippedBytes;
  const std::uint64_t skipped =
      skipPiecesWithout(context.reader, *skipping.needle, skipping.copyUnchanged, skippedBytes);
  state.lineNumber += skipped;
  if (skipping.skippedAreHits && skipped != 0) {
    state.hitCount += skipped;
    state.found = true;
  }
  if (skipping.copyUnchanged && !skippedBytes.empty()) {
    printPendingHeader(context.output, context.folderHeader);
    writeRedirectedAscii(context.output, skippedBytes);
  }
}

}  // namespace

bool processFile(ProcessContext& context, platform::InputFile file, bool showName,
                 std::u16string_view displayName) {
  const RunSettings& settings = context.settings;
  startReading(context.reader, file, readingModeFor(settings.encodingGiven, settings.encodingName),
               context.inputCodePage);
  const bool showLines = linesShown(settings);
  const LineSkipping skipping = context.fastPaths
                                    ? lineSkippingFor(context.entries, context.reader,
                                                      lineOutput(context, showLines, showName))
                                    : LineSkipping{};
  FileState state;
  for (;;) {
    if (skipping.needle) skipLines(context, skipping, state);
    if (!readLinePiece(context.reader, state.lineText)) break;
    ++state.lineNumber;
    const LineOutcome outcome = evaluateLine(context.entries, state.lineText);
    if (outcome.engineGaveUp) reportLineTooComplex(context.output, displayName, state.lineNumber);
    if (showLines && !state.lineText.empty()) writeLine(context, state, showName, displayName);
    if (outcome.hit) {
      ++state.hitCount;
      state.found = true;
    }
  }
  writeSummary(context, state, showName, displayName);
  return state.found;
}

void printPendingHeader(ConsoleOutput& output, FolderHeader& header) {
  if (!header.pending) return;
  if (header.shown) writeConsoleText(output, u"", false, true);
  writeConsoleText(output, header.label, false, true);
  header.pending = false;
  header.shown = true;
}

}  // namespace vesk
