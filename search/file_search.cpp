#include "search/file_search.h"

#include "base/decimal.h"
#include "base/utf8.h"
#include "search/line_matching.h"
#include "search/line_skipping.h"

namespace vesk {
namespace {

// A message about one line, "name(line)" as its subject.
Diagnostic aboutLine(MessageId id, std::u16string_view displayName, std::uint64_t lineNumber) {
  Diagnostic diagnostic{id, std::u16string(displayName)};
  diagnostic.subject += u'(';
  appendDecimal(diagnostic.subject, lineNumber);
  diagnostic.subject += u')';
  return diagnostic;
}

// True when the piece, unchanged, may be written as it was read.
bool writesAsRead(const LineSkipping& skipping, std::string_view piece) {
  return skipping.utf8AsRead && piece.find('\0') == piece.npos && isValidUtf8(piece);
}

void countHit(FileState& state) {
  ++state.hitCount;
  state.found = true;
}

// Passes over the lines that the needle shows need no decoding, counting
// them, and reports those that go out as they were read.
void skipLines(FileSearch& search, SearchSink& sink, const LineSkipping& skipping,
               FileState& state) {
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
  if (skipping.copyUnchanged && !skippedBytes.empty()) sink.linesAsRead(skippedBytes);
}

bool abandoned(const FileSearch& search) {
  return search.abandoned != nullptr && search.abandoned->load(std::memory_order_relaxed);
}

// What the engine could not do on a line, reported in its place.
void reportOutcome(SearchSink& sink, const LineOutcome& outcome, std::u16string_view displayName,
                   std::uint64_t lineNumber) {
  if (outcome.engineGaveUp) {
    sink.diagnostic(aboutLine(MessageId::LineTooComplex, displayName, lineNumber));
  }
  if (outcome.tooLong) sink.diagnostic(aboutLine(MessageId::LineTooLong, displayName, lineNumber));
}

// A line that is decoded and decided by the entries.
void decideLine(FileSearch& search, SearchSink& sink, const LineSkipping& skipping,
                std::string_view piece, bool decided, InputNames names, FileState& state) {
  search.reader.decodePiece(piece, state.lineText);
  const LineOutcome outcome = decided
                                  ? LineOutcome{true, false, false}
                                  : evaluateLine(search.entries, search.workspace, state.lineText);
  reportOutcome(sink, outcome, names.display, state.lineNumber);
  if (skipping.writesLines && !state.lineText.empty()) {
    if (!outcome.rewritten && writesAsRead(skipping, piece)) {
      sink.lineAsRead(state.lineNumber, piece);
    } else {
      sink.line(state.lineNumber, state.lineText);
    }
  }
  if (outcome.hit) countHit(state);
}

}  // namespace

FastPaths planFastPaths(const SearchEntryList& entries, const RunPlan& plan,
                        const SearchSink& printer, SearchOptions options) {
  FastPaths paths;
  const bool writesLines = printer.lineOutput() != LineOutput::None;
  for (LineSkipping& skipping : paths.byDecoding) skipping.writesLines = writesLines;
  if (!options.skipLines) return paths;
  for (const Decoding decoding :
       {Decoding::CodePage, Decoding::Utf8, Decoding::Utf16Le, Decoding::Utf16Be}) {
    const StreamDecoding stream{.encoding = plan.encoding,
                                .codePage = plan.inputCodePage,
                                .codePageIsUtf8 = codePageReadsAsUtf8(plan.inputCodePage),
                                .decoding = decoding};
    LineSkipping& skipping = paths.byDecoding[static_cast<std::size_t>(decoding)];
    skipping = lineSkippingFor(entries, stream, printer.lineOutput());
    const bool readsUtf8 =
        decoding == Decoding::Utf8 || (decoding == Decoding::CodePage && stream.codePageIsUtf8);
    skipping.utf8AsRead = readsUtf8 && printer.takesUtf8AsRead();
    skipping.writesLines = writesLines;
    skipping.countsLines =
        printer.showsLineNumbers() || !skipping.needleDecides || skipping.skippedAreHits;
  }
  return paths;
}

const LineSkipping& lineSkippingOf(FileSearch& search) {
  search.reader.startDecoding();  // the byte-order mark decides the encoding first
  return search.fastPaths.byDecoding[static_cast<std::size_t>(search.reader.decoding())];
}

bool searchNextLine(FileSearch& search, SearchSink& sink, const LineSkipping& skipping,
                    InputNames names, FileState& state) {
  if (abandoned(search)) return false;
  if (skipping.needle) skipLines(search, sink, skipping, state);
  std::string_view piece;
  if (!search.reader.readBytePiece(piece)) return false;
  ++state.lineNumber;
  if (!pieceMaySelect(skipping, piece)) return true;
  // A line the needle decides needs neither decoding nor the engine unless
  // it is written and cannot be written as it was read.
  const bool shows = skipping.writesLines;
  const bool decided = skipping.needleDecides && pieceHoldsNeedle(*skipping.needle, piece);
  if (decided && (!shows || writesAsRead(skipping, piece))) {
    countHit(state);
    if (shows) sink.lineAsRead(state.lineNumber, piece);
    return true;
  }
  decideLine(search, sink, skipping, piece, decided, names, state);
  return true;
}

void finishFile(const FileSearch& search, SearchSink& sink, const FileState& state,
                InputNames names) {
  const bool readWhole = !search.reader.readFailed();
  if (!readWhole) sink.diagnostic(Diagnostic{MessageId::FileNotRead, std::u16string(names.path)});
  sink.endInput(InputEnd{
      .hits = state.hitCount, .found = state.found, .readWhole = readWhole, .path = names.path});
}

bool searchFile(FileSearch& search, SearchSink& sink, const ByteSource& source, InputNames names) {
  const RunPlan& plan = search.plan;
  search.reader.startReading(source, plan.encoding, plan.inputCodePage);
  sink.beginInput(names.display);
  const LineSkipping& skipping = lineSkippingOf(search);
  FileState state;
  while (searchNextLine(search, sink, skipping, names, state)) {
  }
  finishFile(search, sink, state, names);
  return state.found;
}

}  // namespace vesk
