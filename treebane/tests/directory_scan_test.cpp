#include "services/directory_scan.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace treebane {
namespace {

using testing::TemporaryFolder;
using testing::WriteBytes;

std::vector<std::string> ScanAll(const std::string& directory, const std::string& pattern) {
  ScanHandle scan = BeginScan(directory, pattern);
  std::vector<std::string> names;
  while (NextMatch(scan.get())) {
    names.push_back(MatchName(scan.get()));
  }
  EXPECT_FALSE(NextMatch(scan.get())) << "the end stays the end";
  EndScan(scan);
  return names;
}

TEST(DirectoryScan, MatchesRegularFilesIgnoringCaseInByteOrder) {
  TemporaryFolder folder;
  for (const char* name : {"b.tree.tga", "A.TREE.TGA", "c.Tree.Tga", ".tree.tga", "x.tree.tga_org", "tree.tga",
                           "x.tree.tgax", "x.treeXtga", "treebane.data"}) {
    WriteBytes(folder / name, "");
  }
  std::filesystem::create_directory(folder / "folder.tree.tga");

  EXPECT_EQ(ScanAll(folder.Path().string() + "/", "*.tree.tga"),
            (std::vector<std::string>{".tree.tga", "A.TREE.TGA", "b.tree.tga", "c.Tree.Tga"}));
}

#ifndef _WIN32
// Names that differ only in letter case, or hold bytes beyond ASCII, and
// entries that are neither files nor folders.
TEST(DirectoryScan, PosixNamesAndKindsOfEntries) {
  TemporaryFolder folder;
  for (const char* name : {"b.tree.tga", "B.Tree.Tga", "a.tree.tga", "A.TREE.TGA", "\xC3\xA4.tree.tga"}) {
    WriteBytes(folder / name, "");
  }
  std::filesystem::create_symlink("a.tree.tga", folder / "link.tree.tga");
  ASSERT_EQ(::mkfifo((folder / "pipe.tree.tga").c_str(), 0600), 0);

  EXPECT_EQ(ScanAll(folder.Path().string() + "/", "*.tree.tga"),
            (std::vector<std::string>{"A.TREE.TGA", "B.Tree.Tga", "a.tree.tga", "b.tree.tga", "\xC3\xA4.tree.tga"}));
}
#endif

TEST(DirectoryScan, WildcardRules) {
  TemporaryFolder folder;
  for (const char* name : {"abc", "abd", "a.b.c", "xaxbx", "ab"}) {
    WriteBytes(folder / name, "");
  }
  const std::string directory = folder.Path().string();  // without a final separator
  EXPECT_EQ(ScanAll(directory, "a?c"), (std::vector<std::string>{"abc"}));
  EXPECT_EQ(ScanAll(directory, "*b*"), (std::vector<std::string>{"a.b.c", "ab", "abc", "abd", "xaxbx"}));
  EXPECT_EQ(ScanAll(directory, "*a*b?"), (std::vector<std::string>{"abc", "abd", "xaxbx"}));
  EXPECT_EQ(ScanAll(directory, "*.?"), (std::vector<std::string>{"a.b.c"}));
  EXPECT_EQ(ScanAll(directory, "AB"), (std::vector<std::string>{"ab"}));
  EXPECT_EQ(ScanAll(directory, "").size(), 5u) << "an empty pattern matches everything";
}

TEST(DirectoryScan, FolderWithoutMatchAndMissingFolder) {
  TemporaryFolder folder;
  WriteBytes(folder / "readme.txt", "");
  ScanHandle empty = BeginScan(folder.Path().string(), "*.tree.tga");
  ASSERT_TRUE(empty) << "a folder without a match still gives a scan";
  EXPECT_FALSE(NextMatch(empty.get()));
  EXPECT_EQ(MatchName(empty.get()), "");
  EndScan(empty);

  ScanHandle none = BeginScan(folder / "missing", "*.tree.tga");
  EXPECT_FALSE(none);
  EXPECT_FALSE(NextMatch(none.get()));
  EXPECT_EQ(MatchName(none.get()), "");
  EndScan(none);
}

TEST(DirectoryScan, ListIsTakenWholeWhenTheScanBegins) {
  TemporaryFolder folder;
  for (const char* name : {"a.tree.tga", "b.tree.tga", "c.tree.tga"}) {
    WriteBytes(folder / name, "");
  }
  ScanHandle scan = BeginScan(folder.Path().string(), "*.tree.tga");
  ASSERT_TRUE(NextMatch(scan.get()));
  EXPECT_EQ(MatchName(scan.get()), "a.tree.tga");
  // Files that a run adds or replaces while it walks the list.
  WriteBytes(folder / "a.tree.tga_org", "");
  WriteBytes(folder / "aa.tree.tga", "");
  std::filesystem::rename(folder / "c.tree.tga", folder / "d.tree.tga");
  ASSERT_TRUE(NextMatch(scan.get()));
  EXPECT_EQ(MatchName(scan.get()), "b.tree.tga");
  ASSERT_TRUE(NextMatch(scan.get()));
  EXPECT_EQ(MatchName(scan.get()), "c.tree.tga");
  EXPECT_FALSE(NextMatch(scan.get()));
  EndScan(scan);
}

TEST(PathExists, AnythingUnderTheNameCounts) {
  TemporaryFolder folder;
  WriteBytes(folder / "file", "");
  std::filesystem::create_directory(folder / "folder");
  EXPECT_TRUE(PathExists(folder / "file"));
  EXPECT_TRUE(PathExists(folder / "folder"));
  EXPECT_FALSE(PathExists(folder / "missing"));
  EXPECT_FALSE(PathExists(folder / "missing/inside"));
  EXPECT_FALSE(PathExists(folder / "file/inside"));
#ifndef _WIN32
  std::filesystem::create_symlink("nowhere", folder / "broken link");
  EXPECT_TRUE(PathExists(folder / "broken link"));
#endif
}

}  // namespace
}  // namespace treebane
