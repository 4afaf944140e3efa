#include "targets/target_resolution.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "base/utf8.h"
#include "platform/filesystem.h"

namespace vesk {
namespace {

namespace fs = std::filesystem;

std::u16string wide(const std::string& text) {
  std::u16string result;
  appendWideFromUtf8(text, result);
  return result;
}

// Each test works in a fresh folder that is the current folder.
class TargetResolutionTest : public testing::Test {
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

  // Resolves a target; what went wrong is kept in failure_.
  bool resolve(const std::u16string& typed, bool subfolders = false) {
    const TargetResolution resolution = resolveTarget(typed, subfolders);
    target_ = resolution.target;
    failure_ = resolution.failure;
    return !failure_;
  }

  fs::path previous_;
  fs::path root_;
  std::u16string rootWide_;
  ResolvedTarget target_;
  std::optional<Diagnostic> failure_;
};

TEST_F(TargetResolutionTest, ExistingFileKeepsFileNamesHidden) {
  ASSERT_TRUE(resolve(u"a.txt"));
  EXPECT_EQ(target_.baseFolder, rootWide_);
  EXPECT_EQ(target_.namePattern, u"a.txt");
  EXPECT_FALSE(target_.showsFileNames);
}

TEST_F(TargetResolutionTest, FolderIsWalkedWholeWithFileNames) {
  ASSERT_TRUE(resolve(u"docs"));
  EXPECT_EQ(target_.baseFolder, rootWide_ + u"docs/");
  EXPECT_EQ(target_.namePattern, u"*");
  EXPECT_TRUE(target_.showsFileNames);
  // Typed with a trailing separator, the base folder carries two.
  ASSERT_TRUE(resolve(u"docs/"));
  EXPECT_EQ(target_.baseFolder, rootWide_ + u"docs//");
}

TEST_F(TargetResolutionTest, WildcardSplitsIntoFolderAndPattern) {
  ASSERT_TRUE(resolve(u"docs/*.txt"));
  EXPECT_EQ(target_.baseFolder, rootWide_ + u"docs/");
  EXPECT_EQ(target_.namePattern, u"*.txt");
  EXPECT_TRUE(target_.showsFileNames);
  // ".." is resolved in the full path.
  ASSERT_TRUE(resolve(u"docs/../*.txt"));
  EXPECT_EQ(target_.baseFolder, rootWide_);
}

TEST_F(TargetResolutionTest, UnmatchedPatternWithSubfoldersSearchesBelow) {
  ASSERT_TRUE(resolve(u"*.log", true));
  EXPECT_EQ(target_.baseFolder, rootWide_);
  EXPECT_EQ(target_.namePattern, u"*.log");
  EXPECT_FALSE(failure_);
}

TEST_F(TargetResolutionTest, UnmatchedTargetsAreReportedWithTheirSubjects) {
  EXPECT_FALSE(resolve(u"none/*.log"));
  EXPECT_EQ(failure_, (Diagnostic{MessageId::FileOrFolderNotFound, u"none/*.log"}));
  EXPECT_FALSE(resolve(u"none/*.log", true));
  EXPECT_EQ(failure_, (Diagnostic{MessageId::FolderNotFound, rootWide_ + u"none/"}));
}

TEST_F(TargetResolutionTest, DeviceIsNeitherFileNorFolder) {
  ASSERT_EQ(::mkfifo("pipe", 0600), 0);
  EXPECT_FALSE(resolve(u"pipe"));
  EXPECT_EQ(failure_, (Diagnostic{MessageId::NotFileOrFolder, u"pipe"}));
}

TEST_F(TargetResolutionTest, NoTargetMeansStandardInput) {
  ASSERT_TRUE(resolve(u""));
  EXPECT_TRUE(target_.namePattern.empty());
  EXPECT_FALSE(target_.showsFileNames);
}

}  // namespace
}  // namespace vesk
