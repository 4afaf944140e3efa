#include "output/console_output.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "output/report.h"

namespace vesk {
namespace {

// A capturing output keeps results and messages in order, converted as the
// console given would take them, and hands them on when it holds enough.
TEST(ConsoleOutput, ACaptureSpillsInOrderAndKeepsMessagesInPlace) {
  ConsoleOutput capture = capturingOutput(ConsoleState{0, 0, Language::English, 65001});
  std::vector<std::string> spilled;
  std::vector<std::size_t> messagesAt;
  capture.spillAt = 64;
  capture.spill = [&](ConsoleOutput& full) {
    spilled.push_back(full.pendingStdout);
    for (const CapturedDiagnostic& diagnostic : full.diagnostics)
      messagesAt.push_back(diagnostic.stdoutBytes);
    full.pendingStdout.clear();
    full.diagnostics.clear();
  };
  std::string all;
  for (int i = 0; i < 20; ++i) {
    const std::u16string line = u"line " + std::u16string(1, static_cast<char16_t>(u'a' + i));
    writeConsoleText(capture, line, true);
    all += "line " + std::string(1, static_cast<char>('a' + i)) + "\n";
    if (i == 3) report(capture, Diagnostic{MessageId::FileNotRead, u"x"});
  }
  writeRedirectedBytes(capture, "\xE6\x9D\xB1\n");  // written as it is, UTF-8 already
  writeConsoleText(capture, u"\u6771", true);
  all += "\xE6\x9D\xB1\n\xE6\x9D\xB1\n";
  std::string joined;
  for (const std::string& chunk : spilled) joined += chunk;
  EXPECT_EQ(joined + capture.pendingStdout, all);
  ASSERT_EQ(messagesAt.size() + capture.diagnostics.size(), 1u);
  EXPECT_EQ(messagesAt.empty() ? capture.diagnostics[0].stdoutBytes : messagesAt[0], 28u)
      << "after the fourth line";
  EXPECT_GE(spilled.size(), 2u);
}

}  // namespace
}  // namespace vesk
