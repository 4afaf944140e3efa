#include "output/printers.h"

#include <gtest/gtest.h>

#include "output/report.h"

namespace vesk {
namespace {

ConsoleOutput collected() {
  return capturingOutput(ConsoleState{0, 0, Language::English, 65001});
}

// A worker's printer captures; the main thread writes what it captured with
// the diagnostics in their places and the folder label before the first
// result only, a blank line before every label but the first.
TEST(Printers, CapturedOutputGoesOutInPlaceWithItsFolderLabel) {
  ConsoleOutput output = collected();
  Printers printers(PrintSettings{DisplayMode::LineNumbers, true}, output);
  const auto captureOf = [&](std::u16string_view name, std::u16string_view text) {
    ConsoleOutput capture = collected();
    const std::unique_ptr<SearchSink> sink = printers.capturing(capture);
    sink->beginInput(name);
    sink->line(1, text);
    sink->diagnostic(Diagnostic{MessageId::LineTooComplex, u"a.txt(2)"});
    sink->line(3, text);
    return capture;
  };
  printers.enterFolder(u"<.>");
  printers.writeCaptured(collected());  // nothing captured: no label yet
  EXPECT_EQ(output.pendingStdout, "");
  printers.writeCaptured(captureOf(u"a.txt", u"x\n"));
  printers.enterFolder(u"<sub>");
  printers.writeCaptured(captureOf(u"b.txt", u"y\n"));
  EXPECT_EQ(output.pendingStdout,
            "<.>\na.txt: 1: x\na.txt: 3: x\n\n<sub>\nb.txt: 1: y\nb.txt: 3: y\n");
  ASSERT_EQ(output.diagnostics.size(), 2u);
  EXPECT_EQ(output.diagnostics[0].stdoutBytes, 16u) << "after a.txt's first line";
  EXPECT_EQ(output.diagnostics[1].stdoutBytes, 47u) << "after b.txt's first line";
}

// What the fast paths ask: only a line printer takes lines, only without
// prefixes as they were read.
TEST(Printers, AnswerWhatTheSearchNeedsOfALine) {
  ConsoleOutput output = collected();
  EXPECT_EQ(Printers(PrintSettings{DisplayMode::Lines, false}, output).main().lineOutput(),
            LineOutput::AsRead);
  EXPECT_EQ(Printers(PrintSettings{DisplayMode::Lines, true}, output).main().lineOutput(),
            LineOutput::Other);
  Printers numbered(PrintSettings{DisplayMode::LineNumbers, false}, output);
  EXPECT_EQ(numbered.main().lineOutput(), LineOutput::Other);
  EXPECT_TRUE(numbered.main().showsLineNumbers());
  for (const DisplayMode summary : {DisplayMode::Count, DisplayMode::CountFound, DisplayMode::List,
                                    DisplayMode::ListNotFound, DisplayMode::Quiet}) {
    EXPECT_EQ(Printers(PrintSettings{summary, true}, output).main().lineOutput(), LineOutput::None);
  }
}

}  // namespace
}  // namespace vesk
