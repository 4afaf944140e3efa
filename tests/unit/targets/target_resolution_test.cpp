#include "targets/target_resolution.h"

#include <gtest/gtest.h>

#include "tests/unit/targets/memory_file_system.h"

namespace vesk {
namespace {

// A small tree in memory, /work the current folder.
class TargetResolutionTest : public testing::Test {
 protected:
  void SetUp() override {
    files_.addFile(u"a.txt", "a\n");
    files_.addFile(u"docs/b.txt", "b\n");
    files_.addFolder(u"docs/inner");
    files_.addDevice(u"pipe");
  }

  // Resolves a target; what went wrong is kept in failure_.
  bool resolve(const std::u16string& typed, bool subfolders = false) {
    const TargetResolution resolution = resolveTarget(files_, typed, subfolders);
    target_ = resolution.target;
    failure_ = resolution.failure;
    return !failure_;
  }

  test::MemoryFileSystem files_;
  ResolvedTarget target_;
  std::optional<Diagnostic> failure_;
};

TEST_F(TargetResolutionTest, ExistingFileKeepsFileNamesHidden) {
  ASSERT_TRUE(resolve(u"a.txt"));
  EXPECT_EQ(target_.baseFolder, u"/work/");
  EXPECT_EQ(target_.namePattern, u"a.txt");
  EXPECT_FALSE(target_.showsFileNames);
}

TEST_F(TargetResolutionTest, FolderIsWalkedWholeWithFileNames) {
  ASSERT_TRUE(resolve(u"docs"));
  EXPECT_EQ(target_.baseFolder, u"/work/docs/");
  EXPECT_EQ(target_.namePattern, u"*");
  EXPECT_TRUE(target_.showsFileNames);
  // Typed with a trailing separator, the base folder carries two.
  ASSERT_TRUE(resolve(u"docs/"));
  EXPECT_EQ(target_.baseFolder, u"/work/docs//");
}

TEST_F(TargetResolutionTest, WildcardSplitsIntoFolderAndPattern) {
  ASSERT_TRUE(resolve(u"docs/*.txt"));
  EXPECT_EQ(target_.baseFolder, u"/work/docs/");
  EXPECT_EQ(target_.namePattern, u"*.txt");
  EXPECT_TRUE(target_.showsFileNames);
  ASSERT_TRUE(resolve(u"docs/../*.txt"));
  EXPECT_EQ(target_.baseFolder, u"/work/");
}

TEST_F(TargetResolutionTest, UnmatchedPatternWithSubfoldersSearchesBelow) {
  ASSERT_TRUE(resolve(u"*.log", true));
  EXPECT_EQ(target_.baseFolder, u"/work/");
  EXPECT_EQ(target_.namePattern, u"*.log");
}

TEST_F(TargetResolutionTest, UnmatchedTargetsAreReportedWithTheirSubjects) {
  EXPECT_FALSE(resolve(u"none/*.log"));
  EXPECT_EQ(failure_, (Diagnostic{MessageId::FileOrFolderNotFound, u"none/*.log"}));
  EXPECT_FALSE(resolve(u"none/*.log", true));
  EXPECT_EQ(failure_, (Diagnostic{MessageId::FolderNotFound, u"/work/none/"}));
  EXPECT_FALSE(resolve(u"a.txt/*.log", true)) << "a file is no folder to search below";
  EXPECT_EQ(failure_, (Diagnostic{MessageId::FolderNotFound, u"/work/a.txt/"}));
}

TEST_F(TargetResolutionTest, DeviceIsNeitherFileNorFolder) {
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
