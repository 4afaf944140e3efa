#include "output/printers.h"

#include "base/decimal.h"
#include "output/report.h"

namespace vesk {
namespace {

constexpr std::u16string_view kPrefixSeparator = u": ";

// What both printers share: where they write, the labels they write before
// a result (the main thread's only), and the input at hand.
struct PrinterBase {
  PrintSettings settings;
  ConsoleOutput& output;
  FolderLabels* labels;  // null: a worker's, whose output is captured
  std::u16string displayName = {};

  void beforeResult() {
    if (labels != nullptr) labels->writePending(output);
  }
};

class LinePrinter final : public SearchSink {
 public:
  explicit LinePrinter(PrinterBase base) : base_(std::move(base)) {}

  LineOutput lineOutput() const override {
    const bool asRead = !base_.settings.showFileNames &&
                        base_.settings.display == DisplayMode::Lines &&
                        stdoutRedirected(base_.output);
    return asRead ? LineOutput::AsRead : LineOutput::Other;
  }
  bool takesUtf8AsRead() const override {
    return stdoutRedirected(base_.output) && redirectedOutputIsUtf8(base_.output);
  }
  bool showsLineNumbers() const override {
    return base_.settings.display == DisplayMode::LineNumbers;
  }

  void beginInput(std::u16string_view displayName) override { base_.displayName = displayName; }

  void line(std::uint64_t number, std::u16string_view text) override {
    buildPrefix(number);
    std::u16string_view whole = text;
    if (!prefixed_.empty()) {
      prefixed_ += text;
      whole = prefixed_;
    }
    base_.beforeResult();
    writeConsoleText(base_.output, whole, false);
  }

  // The prefix is converted; the bytes are already what converting the
  // line's text would give.
  void lineAsRead(std::uint64_t number, std::string_view bytes) override {
    buildPrefix(number);
    base_.beforeResult();
    if (!prefixed_.empty()) writeConsoleText(base_.output, prefixed_, false);
    writeRedirectedBytes(base_.output, bytes);
  }

  void linesAsRead(std::string_view bytes) override {
    base_.beforeResult();
    writeRedirectedBytes(base_.output, bytes);
  }

  void diagnostic(const Diagnostic& diagnostic) override { report(base_.output, diagnostic); }
  void endInput(const InputEnd&) override {}

 private:
  // The file name and the line number in front of a line, as asked for.
  void buildPrefix(std::uint64_t number) {
    prefixed_.clear();
    if (base_.settings.showFileNames) {
      prefixed_ += base_.displayName;
      prefixed_ += kPrefixSeparator;
    }
    if (base_.settings.display == DisplayMode::LineNumbers) {
      appendDecimal(prefixed_, number);
      prefixed_ += kPrefixSeparator;
    }
  }

  PrinterBase base_;
  std::u16string prefixed_;  // reused from line to line
};

class SummaryPrinter final : public SearchSink {
 public:
  explicit SummaryPrinter(PrinterBase base) : base_(std::move(base)) {}

  LineOutput lineOutput() const override { return LineOutput::None; }
  bool takesUtf8AsRead() const override { return false; }
  bool showsLineNumbers() const override { return false; }

  void beginInput(std::u16string_view displayName) override { base_.displayName = displayName; }
  void line(std::uint64_t, std::u16string_view) override {}
  void lineAsRead(std::uint64_t, std::string_view) override {}
  void linesAsRead(std::string_view) override {}
  void diagnostic(const Diagnostic& diagnostic) override { report(base_.output, diagnostic); }

  void endInput(const InputEnd& end) override {
    const DisplayMode display = base_.settings.display;
    if (isCountMode(display)) {
      if (!end.found && display == DisplayMode::CountFound) return;
      std::u16string text;
      if (base_.settings.showFileNames) {
        text += base_.displayName;
        text += kPrefixSeparator;
      }
      appendDecimal(text, end.hits);
      base_.beforeResult();
      writeConsoleText(base_.output, text, true);
    } else if (isListMode(display) && end.found == (display == DisplayMode::List)) {
      base_.beforeResult();
      writeConsoleText(base_.output, base_.displayName, true);
    }
  }

 private:
  PrinterBase base_;
};

std::unique_ptr<SearchSink> makePrinter(PrinterBase base) {
  if (showsLines(base.settings.display)) return std::make_unique<LinePrinter>(std::move(base));
  return std::make_unique<SummaryPrinter>(std::move(base));
}

}  // namespace

Printers::Printers(PrintSettings settings, ConsoleOutput& output)
    : settings_(settings),
      output_(output),
      main_(makePrinter(PrinterBase{.settings = settings, .output = output, .labels = &labels_})) {}

std::unique_ptr<SearchSink> Printers::capturing(ConsoleOutput& capture) const {
  return makePrinter(PrinterBase{.settings = settings_, .output = capture, .labels = nullptr});
}

void Printers::writeCaptured(const ConsoleOutput& captured) {
  const bool console = !stdoutRedirected(output_);
  std::size_t written = 0;  // of the captured standard output
  const auto writeUpTo = [&](std::size_t end) {
    if (end == written) return;
    labels_.writePending(output_);
    if (console) {
      writeConsoleText(output_,
                       std::u16string_view(captured.pendingConsole).substr(written, end - written),
                       false);
    } else {
      writeRedirectedBytes(output_,
                           std::string_view(captured.pendingStdout).substr(written, end - written));
    }
    written = end;
  };
  for (const CapturedDiagnostic& diagnostic : captured.diagnostics) {
    writeUpTo(console ? diagnostic.consoleUnits : diagnostic.stdoutBytes);
    report(output_, diagnostic.diagnostic);
  }
  writeUpTo(console ? captured.pendingConsole.size() : captured.pendingStdout.size());
}

}  // namespace vesk
