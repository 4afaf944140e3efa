#include "search/file_search.h"

#include "base/decimal.h"
#include "base/utf8.h"
#include "output/report.h"
#include "search/line_matching.h"
#include "search/line_skipping.h"

namespace vesk {
namespace {

constexpr std::u16string_view kPrefixSeparator = u": ";

// A message about one line, "name(line)" as its subject.
Diagnostic aboutLine(MessageId id, std::u16string_view displayName, std::uint64_t lineNumber) {
  Diagnostic diagnostic{id, std::u16string(displayName)};
  diagnostic.subject += u'(';
  appendDecimal(diagnostic.subject, lineNumber);
  diagnostic.subject += u')';
  return diagnostic;
}

// The file name and the line number in front of a written line, as the
// display asks for them.
void buildPrefix(const FileSearch& search, FileState& state, std::u16string_view displayName) {
  state.prefixed.clear();
  if (search.plan.showFileNames) {
    state.prefixed += displayName;
    state.prefixed += kPrefixSeparator;
  }
  if (search.plan.display == DisplayMode::LineNumbers) {
    appendDecimal(state.prefixed, state.lineNumber);
    state.prefixed += kPrefixSeparator;
  }
}

void writeLine(FileSearch& search, FileState& state, std::u16string_view displayName) {
  buildPrefix(search, state, displayName);
  std::u16string_view text = state.lineText;
  if (!state.prefixed.empty()) {
    state.prefixed += state.lineText;
    text = state.prefixed;
  }
  printPendingHeader(search.output, search.folderHeader);
  writeConsoleText(search.output, text, false);
}

// A line that goes out as it was read: its prefix is converted, its bytes
// are not, as they are already what converting its text would give.
void writeLineAsRead(FileSearch& search, FileState& state, std::u16string_view displayName,
                     std::string_view piece) {
  buildPrefix(search, state, displayName);
  printPendingHeader(search.output, search.folderHeader);
  if (!state.prefixed.empty()) writeConsoleText(search.output, state.prefixed, false);
  writeRedirectedBytes(search.output, piece);
}

// True when the piece, unchanged, may be written as it was read.
bool writesAsRead(const LineSkipping& skipping, std::string_view piece) {
  return skipping.utf8AsRead && piece.find('\0') == piece.npos && isValidUtf8(piece);
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

LineOutput lineOutput(const RunPlan& plan, const ConsoleOutput& output) {
  if (!showsLines(plan.display)) return LineOutput::None;
  const bool asRead =
      !plan.showFileNames && plan.display == DisplayMode::Lines && stdoutRedirected(output);
  return asRead ? LineOutput::AsRead : LineOutput::Other;
}

void skipLines(FileSearch& search, const LineSkipping& skipping, FileState& state) {
  if (skipping.countsFound) {
    const SkippedLines skipped =
        skipPiecesCountingHits(search.reader, *skipping.needle, skipping.countsLines);
    state.lineNumber += skipped.lines;
    state.hitCount += skipped.hits;
    state.found = state.found || skipped.hits != 0;
    return;
  }
  std::string_view skippedBytes;
  const std::uint64_t skipped = skipPiecesWithout(
      search.reader, *skipping.needle, skipping.copyUnchanged, skipping.countsLines, skippedBytes);
  state.lineNumber += skipped;
  if (skipping.skippedAreHits && skipped != 0) {
    state.hitCount += skipped;
    state.found = true;
  }
  if (skipping.copyUnchanged && !skippedBytes.empty()) {
    printPendingHeader(search.output, search.folderHeader);
    writeRedirectedBytes(search.output, skippedBytes);
  }
}

}  // namespace

FastPaths planFastPaths(const SearchEntryList& entries, const RunPlan& plan,
                        const ConsoleOutput& output, SearchOptions options) {
  FastPaths paths;
  if (!options.skipLines) return paths;
  const bool utf8Out = stdoutRedirected(output) && redirectedOutputIsUtf8(output);
  for (const Decoding decoding :
       {Decoding::CodePage, Decoding::Utf8, Decoding::Utf16Le, Decoding::Utf16Be}) {
    StreamDecoding stream{plan.encoding, plan.inputCodePage,
                          codePageReadsAsUtf8(plan.inputCodePage), decoding};
    LineSkipping& skipping = paths.byDecoding[static_cast<std::size_t>(decoding)];
    skipping = lineSkippingFor(entries, stream, lineOutput(plan, output));
    const bool readsUtf8 =
        decoding == Decoding::Utf8 || (decoding == Decoding::CodePage && stream.codePageIsUtf8);
    skipping.utf8AsRead = readsUtf8 && utf8Out;
    skipping.countsLines = plan.display == DisplayMode::LineNumbers || !skipping.needleDecides ||
                           skipping.skippedAreHits;
  }
  return paths;
}

const LineSkipping& lineSkippingOf(FileSearch& search) {
  startDecoding(search.reader);  // the byte-order mark decides the encoding first
  return search.fastPaths.byDecoding[static_cast<std::size_t>(search.reader.decoding)];
}

bool searchNextLine(FileSearch& search, const LineSkipping& skipping, InputNames names,
                    FileState& state) {
  if (search.abandoned != nullptr && search.abandoned->load(std::memory_order_relaxed)) {
    return false;
  }
  if (skipping.needle) skipLines(search, skipping, state);
  std::string_view piece;
  if (!readBytePiece(search.reader, piece)) return false;
  ++state.lineNumber;
  if (!pieceMaySelect(skipping, piece)) return true;
  const bool shows = showsLines(search.plan.display);
  // A line the needle decides needs neither decoding nor the engine unless
  // it is written and cannot be written as it was read.
  const bool decided = skipping.needleDecides && pieceHoldsNeedle(*skipping.needle, piece);
  if (decided && (!shows || writesAsRead(skipping, piece))) {
    ++state.hitCount;
    state.found = true;
    if (shows) writeLineAsRead(search, state, names.display, piece);
    return true;
  }
  decodePiece(search.reader, piece, state.lineText);
  const LineOutcome outcome = decided
                                  ? LineOutcome{true, false, false}
                                  : evaluateLine(search.entries, search.workspace, state.lineText);
  if (outcome.engineGaveUp) {
    report(search.output, aboutLine(MessageId::LineTooComplex, names.display, state.lineNumber));
  }
  if (outcome.tooLong) {
    report(search.output, aboutLine(MessageId::LineTooLong, names.display, state.lineNumber));
  }
  if (shows && !state.lineText.empty()) {
    if (!outcome.rewritten && writesAsRead(skipping, piece)) {
      writeLineAsRead(search, state, names.display, piece);
    } else {
      writeLine(search, state, names.display);
    }
  }
  if (outcome.hit) {
    ++state.hitCount;
    state.found = true;
  }
  return true;
}

bool isTheOutput(const FileSearch& search, const platform::InputFile& input) {
  if (!search.outputFile) return false;
  const std::optional<platform::FileIdentity> identity = platform::fileIdentity(input);
  return identity && platform::sameFile(*identity, *search.outputFile);
}

void finishFile(FileSearch& search, const FileState& state, InputNames names) {
  if (readFailed(search.reader)) {
    report(search.output, Diagnostic{MessageId::FileNotRead, std::u16string(names.path)});
  }
  writeSummary(search, state, names.display);
}

bool searchFile(FileSearch& search, const ByteSource& source, InputNames names) {
  const RunPlan& plan = search.plan;
  startReading(search.reader, source, plan.encoding, plan.inputCodePage);
  const LineSkipping& skipping = lineSkippingOf(search);
  FileState state;
  while (searchNextLine(search, skipping, names, state)) {
  }
  finishFile(search, state, names);
  return state.found;
}

void printPendingHeader(ConsoleOutput& output, FolderHeader& header) {
  if (!header.pending) return;
  if (header.shown) writeConsoleText(output, u"", true);
  writeConsoleText(output, header.label, true);
  header.pending = false;
  header.shown = true;
}

void writeCaptured(ConsoleOutput& output, const ConsoleOutput& captured, FolderHeader& header) {
  const bool console = !stdoutRedirected(output);
  std::size_t written = 0;  // of the captured standard output
  const auto writeUpTo = [&](std::size_t end) {
    if (end == written) return;
    printPendingHeader(output, header);
    if (console) {
      writeConsoleText(output,
                       std::u16string_view(captured.pendingConsole).substr(written, end - written),
                       false);
    } else {
      writeRedirectedBytes(output,
                           std::string_view(captured.pendingStdout).substr(written, end - written));
    }
    written = end;
  };
  for (const CapturedDiagnostic& diagnostic : captured.diagnostics) {
    writeUpTo(console ? diagnostic.consoleUnits : diagnostic.stdoutBytes);
    report(output, diagnostic.diagnostic);
  }
  writeUpTo(console ? captured.pendingConsole.size() : captured.pendingStdout.size());
}

}  // namespace vesk
