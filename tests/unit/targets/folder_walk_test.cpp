// The walk's rules on a file system in memory: what is read and in which
// order, the labels, what is passed over, what is reported, the same with
// workers as on the main thread alone.
#include "targets/folder_walk.h"

#include <gtest/gtest.h>

#include <string>

#include "base/utf8.h"
#include "tests/unit/targets/memory_file_system.h"

namespace vesk {
namespace {

// Every line holding "x" is written, with its file's name; messages are
// written in their places as "[subject message-number]".
class FolderWalkTest : public testing::Test {
 protected:
  FolderWalkTest() {
    BuiltEntries built = buildEntries({makeSearchTerm(false, true, false, u"x")});
    entries_ = std::move(built.entries);
    files_.addFile(u"top/a.txt", "x a\n");
    files_.addFile(u"top/.hidden.txt", "x hidden\n");
    files_.addFile(u"top/b.log", "x b\n");
    files_.addDevice(u"top/fifo");
    files_.addFile(u"top/Sub/c.txt", "x c\n");
    files_.addFile(u"top/sub2/d.txt", "no\n");
    files_.addFile(u"top/sub2/deep/e.txt", "x e\n");
    files_.addFile(u"top/.git/f.txt", "x hidden folder\n");
    files_.addFolderLink(u"top/link");
  }

  // Walks the target as resolved from `typed`, on the main thread alone or
  // with two workers that search every batch of files.
  std::string walk(std::u16string_view typed, bool subfolders, unsigned workers = 0) {
    const TargetResolution resolution = resolveTarget(files_, typed, subfolders);
    if (resolution.failure) return "resolution failed";
    RunPlan plan;
    plan.subfolders = subfolders;
    plan.showFileNames = resolution.target.showsFileNames;
    plan.inputCodePage = 65001;
    ConsoleOutput output = capturingOutput(ConsoleState{0, 0, Language::English, 65001});
    Printers printers(PrintSettings{plan.display, plan.showFileNames}, output);
    LineReader reader;
    regex::MatchWorkspace workspace = regex::createMatchWorkspace();
    const FastPaths fastPaths = planFastPaths(entries_, plan, printers.main());
    FileSearch search{.plan = plan,
                      .entries = entries_,
                      .reader = reader,
                      .workspace = workspace,
                      .fastPaths = fastPaths};
    const SearchPoolHandle pool =
        workers == 0 ? SearchPoolHandle()
                     : startSearchPool(
                           output.console,
                           [&](const ConsoleOutput& captured) { printers.writeCaptured(captured); },
                           workers);
    found_ = walkFolder(WalkSetup{.search = search,
                                  .printers = printers,
                                  .files = files_,
                                  .outputFile = outputFile_,
                                  .pool = pool.get(),
                                  .threads = FanOutSettings{.workers = workers, .fixed = true}},
                        resolution.target);
    return shown(output);
  }

  // Standard output with each message put in its place.
  static std::string shown(const ConsoleOutput& output) {
    std::string text;
    std::size_t at = 0;
    for (const CapturedDiagnostic& message : output.diagnostics) {
      text += output.pendingStdout.substr(at, message.stdoutBytes - at);
      at = message.stdoutBytes;
      std::string subject;
      appendUtf8FromWide(message.diagnostic.subject, subject);
      text += "[" + subject + " " + std::to_string(static_cast<int>(message.diagnostic.id)) + "]\n";
    }
    return text + output.pendingStdout.substr(at);
  }

  static std::string message(std::string subject, MessageId id) {
    return "[" + subject + " " + std::to_string(static_cast<int>(id)) + "]\n";
  }

  // Both ways, which must agree.
  std::string walkBothWays(std::u16string_view typed, bool subfolders) {
    const std::string alone = walk(typed, subfolders);
    EXPECT_EQ(walk(typed, subfolders, 2), alone) << "with workers";
    return alone;
  }

  test::MemoryFileSystem files_;
  SearchEntryList entries_;
  std::optional<platform::FileIdentity> outputFile_;
  bool found_ = false;
};

// Depth first, files before subfolders, each in name order ignoring case;
// hidden entries, devices and links to folders are passed over; a label
// goes out above the first result of a folder only.
TEST_F(FolderWalkTest, FilesBeforeSubfoldersEachInOrderWithLabels) {
  EXPECT_EQ(walkBothWays(u"top", true),
            "<.>\na.txt: x a\nb.log: x b\n\n<Sub>\nc.txt: x c\n\n<sub2/deep>\ne.txt: x e\n");
  EXPECT_TRUE(found_);
  EXPECT_EQ(walkBothWays(u"top/*.txt", true),
            "<.>\na.txt: x a\n\n<Sub>\nc.txt: x c\n\n<sub2/deep>\ne.txt: x e\n");
  EXPECT_EQ(walkBothWays(u"top/*.txt", false), "a.txt: x a\n") << "no subfolders without /d";
}

TEST_F(FolderWalkTest, WhatCannotBeReadIsReportedAndTheWalkGoesOn) {
  files_.node(u"top/Sub").listable = false;
  files_.node(u"top/b.log").openable = false;
  EXPECT_EQ(walkBothWays(u"top", true), "<.>\na.txt: x a\n" +
                                            message("/work/top/b.log", MessageId::FileNotOpened) +
                                            message("/work/top/Sub/", MessageId::FolderNotListed) +
                                            "\n<sub2/deep>\ne.txt: x e\n");
}

// A folder deleted, or replaced by a file, after its parent was listed:
// here as the walk comes to the first of them.
TEST_F(FolderWalkTest, FoldersThatGoAwayDuringTheWalkAreReported) {
  files_.whenListed = [this](std::u16string_view folder) {
    if (folder == u"/work/top/Sub/") {
      files_.remove(u"top/Sub");
      files_.remove(u"top/sub2");
      files_.addFile(u"top/sub2", "x now a file\n");
    }
  };
  const std::string walked = walk(u"top", true);
  EXPECT_EQ(walked, "<.>\na.txt: x a\nb.log: x b\n" +
                        message("/work/top/Sub/", MessageId::FolderNotListed) +
                        message("/work/top/sub2/", MessageId::FolderNotListed));
}

// The file standard output goes to is never read.
TEST_F(FolderWalkTest, TheOutputFileIsNotRead) {
  outputFile_ = files_.identity(u"top/b.log");
  EXPECT_EQ(walkBothWays(u"top/*.log", false),
            message("/work/top/b.log", MessageId::InputIsOutput));
  EXPECT_FALSE(found_);
}

}  // namespace
}  // namespace vesk
