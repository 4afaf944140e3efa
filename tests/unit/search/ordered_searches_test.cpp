#include "search/ordered_searches.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <string>

#include "output/printers.h"
#include "output/report.h"

namespace vesk {
namespace {

// Tasks that finish in a shuffled order and write more than a chunk come out
// in the order they were handed out, with their diagnostics in place, and
// each task's `written` runs right after its output.
TEST(OrderedSearches, ResultsComeOutInTheOrderHandedOut) {
  ConsoleOutput output = capturingOutput(ConsoleState{0, 0, Language::English, 65001});
  Printers printers(PrintSettings{}, output);
  std::string expected;
  std::string writtenOrder;
  {
    const SearchPoolHandle pool = startSearchPool(
        output.console, [&](const ConsoleOutput& captured) { printers.writeCaptured(captured); },
        3);
    ASSERT_EQ(setWorkers(*pool, 3), 3u);
    for (int task = 0; task < 40; ++task) {
      // Every seventh task writes several chunks' worth.
      const std::size_t lines = task % 7 == 3 ? 40000 : 1 + (task * 37) % 11;
      std::string text;
      for (std::size_t i = 0; i < lines; ++i) text += "task " + std::to_string(task) + "\n";
      expected += text;
      handOut(
          *pool,
          [task, lines](Worker&, ConsoleOutput& captured) {
            for (std::size_t i = 0; i < lines; ++i) {
              const std::string line = "task " + std::to_string(task) + "\n";
              writeConsoleText(captured, std::u16string(line.begin(), line.end()), false);
              if (i == lines / 2) report(captured, Diagnostic{MessageId::FileNotRead, u"t"});
            }
          },
          [&writtenOrder, &output, task] {
            writtenOrder += std::to_string(task) + ",";
            EXPECT_EQ(output.diagnostics.size(), static_cast<std::size_t>(task) + 1);
          });
    }
    writeHandedOut(*pool);
  }
  EXPECT_TRUE(output.pendingStdout == expected) << "the results are out of order";
  ASSERT_EQ(output.diagnostics.size(), 40u);
  std::string order;
  for (int task = 0; task < 40; ++task) order += std::to_string(task) + ",";
  EXPECT_EQ(writtenOrder, order);
}

// A task that fails makes writeHandedOut fail on the owner's thread, after
// the results before it were written.
TEST(OrderedSearches, AFailureReachesTheOwnerInItsTurn) {
  ConsoleOutput output = capturingOutput(ConsoleState{0, 0, Language::English, 65001});
  Printers printers(PrintSettings{}, output);
  const SearchPoolHandle pool = startSearchPool(
      output.console, [&](const ConsoleOutput& captured) { printers.writeCaptured(captured); }, 2);
  ASSERT_EQ(setWorkers(*pool, 2), 2u);
  handOut(*pool,
          [](Worker&, ConsoleOutput& captured) { writeConsoleText(captured, u"first", true); }, {});
  handOut(*pool, [](Worker&, ConsoleOutput&) { throw std::runtime_error("task failed"); }, {});
  EXPECT_THROW(writeHandedOut(*pool), std::runtime_error);
  EXPECT_EQ(output.pendingStdout, "first\n");
}

// Written results take the folder label in their turn: a task without
// work can change it between two others.
TEST(OrderedSearches, LabelsChangeInTheirTurn) {
  ConsoleOutput output = capturingOutput(ConsoleState{0, 0, Language::English, 65001});
  Printers printers(PrintSettings{}, output);
  const SearchPoolHandle pool = startSearchPool(
      output.console, [&](const ConsoleOutput& captured) { printers.writeCaptured(captured); }, 2);
  ASSERT_EQ(setWorkers(*pool, 2), 2u);
  const auto writes = [](std::u16string text) {
    return [text](Worker&, ConsoleOutput& captured) { writeConsoleText(captured, text, true); };
  };
  const auto label = [&printers](std::u16string text) {
    return [&printers, text] { printers.enterFolder(text); };
  };
  handOut(*pool, {}, label(u"<.>"));
  handOut(*pool, writes(u"a"), {});
  handOut(*pool, {}, label(u"<sub>"));
  handOut(*pool, writes(u""), {});
  handOut(*pool, {}, label(u"<other>"));
  handOut(*pool, writes(u"b"), {});
  writeHandedOut(*pool);
  EXPECT_EQ(output.pendingStdout, "<.>\na\n\n<sub>\n\n\n<other>\nb\n");
}

}  // namespace
}  // namespace vesk
