#include "targets/target_resolution.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "platform/filesystem.h"
#include "platform/utf8.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

std::u16string wide(const std::string& text) {
  std::u16string result;
  platform::appendWideFromUtf8(text, result);
  return result;
}

// Each test works in a fresh folder that is the current folder.
class TargetResolution : public testing::Test {
 protected:
  void SetUp() override {
    previous_ = fs::current_path();
    root_ = fs::temp_directory_path() / ("vesk-targets-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "docs" / "inner");
    std::ofstream(root_ / "a.txt") << "a\n";
    std::ofstream(root_ / "docs" / "b.txt") << "b\n";
    fs::current_path(root_);
    rootWide_ = wide(fs::canonical(root_).string()) + u"/";
  }
  void TearDown() override {
    fs::current_path(previous_);
    fs::remove_all(root_);
  }

  // Resolves a target; the messages written are returned in `messages`.
  Resolution resolve(const std::u16string& typed, bool subfolders = false) {
    settings_ = RunSettings{};
    settings_.target = typed;
    settings_.subfolders = subfolders;
    settings_.showFileNames = subfolders;
    ConsoleOutput output{ConsoleState{0, 0, Language::English, 65001}, {}};
    testing::internal::CaptureStderr();
    const Resolution result = resolveTarget(output, settings_, target_);
    messages_ = testing::internal::GetCapturedStderr();
    return result;
  }

  fs::path previous_;
  fs::path root_;
  std::u16string rootWide_;
  RunSettings settings_;
  TargetState target_;
  std::string messages_;
};

TEST_F(TargetResolution, ExistingFileKeepsFileNamesHidden) {
  ASSERT_EQ(resolve(u"a.txt"), Resolution::Resolved);
  EXPECT_EQ(target_.baseFolder, rootWide_);
  EXPECT_EQ(target_.namePattern, u"a.txt");
  EXPECT_FALSE(settings_.showFileNames);
}

TEST_F(TargetResolution, FolderIsWalkedWholeWithFileNames) {
  ASSERT_EQ(resolve(u"docs"), Resolution::Resolved);
  EXPECT_EQ(target_.baseFolder, rootWide_ + u"docs/");
  EXPECT_EQ(target_.namePattern, u"*");
  EXPECT_TRUE(settings_.showFileNames);
  // Typed with a trailing separator, the base folder carries two.
  ASSERT_EQ(resolve(u"docs/"), Resolution::Resolved);
  EXPECT_EQ(target_.baseFolder, rootWide_ + u"docs//");
}

TEST_F(TargetResolution, WildcardSplitsIntoFolderAndPattern) {
  ASSERT_EQ(resolve(u"docs/*.txt"), Resolution::Resolved);
  EXPECT_EQ(target_.baseFolder, rootWide_ + u"docs/");
  EXPECT_EQ(target_.namePattern, u"*.txt");
  EXPECT_TRUE(settings_.showFileNames);
  // ".." is resolved in the full path.
  ASSERT_EQ(resolve(u"docs/../*.txt"), Resolution::Resolved);
  EXPECT_EQ(target_.baseFolder, rootWide_);
}

TEST_F(TargetResolution, UnmatchedPatternWithSubfoldersSearchesBelow) {
  ASSERT_EQ(resolve(u"*.log", true), Resolution::Resolved);
  EXPECT_EQ(target_.baseFolder, rootWide_);
  EXPECT_EQ(target_.namePattern, u"*.log");
  EXPECT_EQ(messages_, "");
}

TEST_F(TargetResolution, UnmatchedTargetsAreReportedWithTheirSubjects) {
  EXPECT_EQ(resolve(u"none/*.log"), Resolution::Failed);
  EXPECT_EQ(messages_, "none/*.log - File or folder was not found.\n");
  EXPECT_EQ(resolve(u"none/*.log", true), Resolution::Failed);
  EXPECT_EQ(messages_, fs::canonical(root_).string() + "/none/ - Folder was not found.\n");
}

TEST_F(TargetResolution, DeviceIsNeitherFileNorFolder) {
  ASSERT_EQ(::mkfifo("pipe", 0600), 0);
  EXPECT_EQ(resolve(u"pipe"), Resolution::Failed);
  EXPECT_EQ(messages_, "pipe - Not a file or folder.\n");
}

TEST_F(TargetResolution, NoTargetMeansStandardInput) {
  ASSERT_EQ(resolve(u""), Resolution::Resolved);
  EXPECT_TRUE(target_.namePattern.empty());
  EXPECT_FALSE(settings_.showFileNames);
}

}  // namespace
}  // namespace vesk
