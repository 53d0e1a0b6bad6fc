// The built treebane program, run in temporary folders with standard input
// piped.

#include "program_runner.h"
#include "texture_fixtures.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <string>
#include <thread>
#include <vector>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace treebane::testing {
namespace {

using namespace std::chrono_literals;
using Names = std::vector<std::string>;

mode_t PermissionBits(const std::string& path) {
  struct stat status {};
  ::stat(path.c_str(), &status);
  return status.st_mode & 07777;
}

// A folder holding the mask and textures, and the originals to compare with.
class TextureFolder : public ::testing::Test {
 protected:
  void SetMask(const std::string& mask) {
    mask_ = mask;
    WriteBytes(folder_ / "treebane.data", mask);
  }
  void AddTexture(const std::string& name, const std::string& bytes) { WriteBytes(folder_ / name, bytes); }
  std::string Read(const std::string& name) const { return ReadBytes(folder_ / name); }
  Names Entries() const { return FolderEntries(folder_.Path()); }

  TemporaryFolder folder_;
  std::string mask_;
};

TEST_F(TextureFolder, PixelRule) {
  std::string mask(PixelCount, '\x01');
  std::string texture = MakeTexture(1);
  for (std::size_t pixel = 0; pixel < PixelCount; ++pixel) {
    texture[HeaderSize + pixel] = static_cast<char>(pixel % 251 + 1);
  }
  struct Case {
    std::size_t pixel;
    unsigned char mask;
    unsigned char source;
    unsigned char output;
  };
  const Case cases[] = {
      {0, 0, 0, 0},               // cleared already: not counted
      {1, 0, 255, 0},             // counted
      {2, 7, 200, 200},           // kept
      {3, 255, 0, 0},             // kept
      {4, 1, 1, 1},               // kept
      {5, 0, 1, 0},               // counted
      {PixelCount - 1, 0, 9, 0},  // the last pixel, counted
  };
  for (const Case& pixelCase : cases) {
    mask[pixelCase.pixel] = static_cast<char>(pixelCase.mask);
    texture[HeaderSize + pixelCase.pixel] = static_cast<char>(pixelCase.source);
  }
  SetMask(mask);
  AddTexture("rule.tree.tga", texture);

  const RunResult result = RunTreebane(folder_.Path());
  EXPECT_TRUE(EndedNormally(result.status));
  EXPECT_EQ(result.output, Transcript({"", "Saving rule.tree.tga", "Processing rule.tree.tga"}, 1, 3));

  const std::string rewritten = Read("rule.tree.tga");
  ASSERT_EQ(rewritten.size(), TextureSize);
  for (const Case& pixelCase : cases) {
    EXPECT_EQ(static_cast<unsigned char>(rewritten[HeaderSize + pixelCase.pixel]), pixelCase.output)
        << "pixel " << pixelCase.pixel;
  }
  std::string unchanged = texture;
  for (const Case& pixelCase : cases) {
    unchanged[HeaderSize + pixelCase.pixel] = static_cast<char>(pixelCase.output);
  }
  EXPECT_TRUE(SameBytes(rewritten, unchanged)) << "every other pixel and the header stay";
}

TEST_F(TextureFolder, TranscriptWithAndWithoutBackup) {
  SetMask(MakeMask(2, 0.5));
  const std::string a = MakeTexture(3);
  // b was rewritten by an earlier run: its pixels come from its backup,
  // its header from itself.
  const std::string bBackup = MakeTexture(4);
  const std::string b = MakeTexture(5);
  AddTexture("a.tree.tga", a);
  AddTexture("b.tree.tga", b);
  AddTexture("b.tree.tga_org", bBackup);
  ::chmod((folder_ / "a.tree.tga").c_str(), 0604);

  const MaskedTexture aMasked = ApplyMask(a, a, mask_);
  const MaskedTexture bMasked = ApplyMask(b, bBackup, mask_);
  const RunResult result = RunTreebane(folder_.Path());

  EXPECT_TRUE(EndedNormally(result.status));
  EXPECT_EQ(result.output, Introduction() +
                               "\r\n"
                               "Saving a.tree.tga\r\n"
                               "Processing a.tree.tga\r\n"
                               "\r\n"
                               "b.tree.tga_org allready excists\r\n"
                               "Processing b.tree.tga\r\n"
                               "\r\n"
                               "2 files processed\r\n" +
                               std::to_string(aMasked.cleared + bMasked.cleared) +
                               " treegroups cutted\r\n"
                               "Please dont waste the lumber - use it for building purposes etc. instead\r\n"
                               "\r\n"
                               "Ready - press 'Enter'");
  EXPECT_TRUE(SameBytes(Read("a.tree.tga"), aMasked.bytes));
  EXPECT_TRUE(SameBytes(Read("a.tree.tga_org"), a));
  EXPECT_TRUE(SameBytes(Read("b.tree.tga"), bMasked.bytes));
  EXPECT_TRUE(SameBytes(Read("b.tree.tga_org"), bBackup));
  EXPECT_EQ(PermissionBits(folder_ / "a.tree.tga"), 0604u);
  EXPECT_EQ(Entries(), (Names{"a.tree.tga", "a.tree.tga_org", "b.tree.tga", "b.tree.tga_org", "treebane.data"}));
}

TEST_F(TextureFolder, TexturesAreHandledInByteOrderIgnoringCase) {
  SetMask(MakeMask(6, 0.0));
  for (const char* name : {"b.tree.tga", "C.TREE.TGA", "a.Tree.Tga"}) {
    AddTexture(name, MakeTexture(7));
  }
  const RunResult result = RunTreebane(folder_.Path());
  EXPECT_EQ(result.output, Transcript({"", "Saving C.TREE.TGA", "Processing C.TREE.TGA",  //
                                       "", "Saving a.Tree.Tga", "Processing a.Tree.Tga",  //
                                       "", "Saving b.tree.tga", "Processing b.tree.tga"},
                                      3, 0));
}

TEST_F(TextureFolder, NamesHoldingTheMaskNameAreSkipped) {
  SetMask(MakeMask(8, 0.3));
  const std::string skipped = MakeTexture(9);
  const std::string handled = MakeTexture(10);
  AddTexture("old treebane.data.tree.tga", skipped);
  AddTexture("old TREEBANE.DATA.tree.tga", handled);

  const MaskedTexture masked = ApplyMask(handled, handled, mask_);
  const RunResult result = RunTreebane(folder_.Path());
  EXPECT_EQ(result.output,
            Transcript({"", "Saving old TREEBANE.DATA.tree.tga", "Processing old TREEBANE.DATA.tree.tga"}, 1,
                       masked.cleared));
  EXPECT_TRUE(SameBytes(Read("old treebane.data.tree.tga"), skipped));
  EXPECT_TRUE(SameBytes(Read("old TREEBANE.DATA.tree.tga"), masked.bytes));
  EXPECT_EQ(Entries(), (Names{"old TREEBANE.DATA.tree.tga", "old TREEBANE.DATA.tree.tga_org",
                              "old treebane.data.tree.tga", "treebane.data"}));
}

TEST_F(TextureFolder, FolderWithoutTextures) {
  SetMask(MakeMask(11, 0.5));
  const RunResult result = RunTreebane(folder_.Path());
  EXPECT_TRUE(EndedNormally(result.status));
  EXPECT_EQ(result.output, Introduction() +
                               "\r\n"
                               "No tree files found - wrong directory?\r\n"
                               "0 treegroups cutted\r\n"
                               "Seems all tree files allready have been processed\r\n"
                               "\r\n"
                               "Ready - press 'Enter'");
  EXPECT_EQ(Entries(), Names{"treebane.data"});
}

TEST_F(TextureFolder, FolderNamedLikeATextureIsNoTexture) {
  SetMask(MakeMask(12, 0.5));
  std::filesystem::create_directory(folder_ / "forest.tree.tga");
  AddTexture("forest.tree.tga/inner.tree.tga", MakeTexture(13));
  const RunResult result = RunTreebane(folder_.Path());
  EXPECT_EQ(result.output, Transcript({}, 0, 0));
  EXPECT_EQ(Entries(), (Names{"forest.tree.tga", "treebane.data"}));
  EXPECT_EQ(FolderEntries(folder_.Path() / "forest.tree.tga"), Names{"inner.tree.tga"});
}

TEST_F(TextureFolder, MissingMaskTouchesNothing) {
  const std::string texture = MakeTexture(14);
  AddTexture("a.tree.tga", texture);
  const std::string expected = Introduction() + "treebane.data not found\r\nPress 'Enter'\r\n";

  RunResult result = RunTreebane(folder_.Path());
  EXPECT_TRUE(EndedNormally(result.status));
  EXPECT_EQ(result.output, expected);

  // A folder under the mask's name is no mask either.
  std::filesystem::create_directory(folder_ / "treebane.data");
  result = RunTreebane(folder_.Path());
  EXPECT_TRUE(EndedNormally(result.status));
  EXPECT_EQ(result.output, expected);

  EXPECT_TRUE(SameBytes(Read("a.tree.tga"), texture));
  EXPECT_EQ(Entries(), (Names{"a.tree.tga", "treebane.data"}));
}

TEST_F(TextureFolder, ShortMaskIsRefusedBeforeAnyTexture) {
  SetMask(MakeMask(15, 0.5, PixelCount - 1));
  const std::string texture = MakeTexture(16);
  AddTexture("a.tree.tga", texture);

  const RunResult result = RunTreebane(folder_.Path());
  EXPECT_TRUE(EndedNormally(result.status));
  EXPECT_EQ(result.output, Introduction() + "treebane.data is too short - 262144 bytes needed\r\nPress 'Enter'\r\n");
  EXPECT_TRUE(SameBytes(Read("a.tree.tga"), texture));
  EXPECT_EQ(Entries(), (Names{"a.tree.tga", "treebane.data"}));
}

TEST_F(TextureFolder, RepeatedRunsStartFromTheBackups) {
  SetMask(MakeMask(19, 0.4));
  const std::vector<std::string> names = {"a.tree.tga", "b.tree.tga", "c.tree.tga"};
  std::vector<std::string> originals;
  std::int64_t cleared = 0;
  for (std::size_t index = 0; index < names.size(); ++index) {
    originals.push_back(MakeTexture(20 + static_cast<unsigned>(index)));
    AddTexture(names[index], originals.back());
    cleared += ApplyMask(originals.back(), originals.back(), mask_).cleared;
  }

  const RunResult first = RunTreebane(folder_.Path());
  std::vector<std::string> afterFirst;
  for (const std::string& name : names) {
    afterFirst.push_back(Read(name));
  }
  EXPECT_EQ(first.output, Transcript({"", "Saving a.tree.tga", "Processing a.tree.tga",  //
                                      "", "Saving b.tree.tga", "Processing b.tree.tga",  //
                                      "", "Saving c.tree.tga", "Processing c.tree.tga"},
                                     3, cleared));

  const RunResult second = RunTreebane(folder_.Path());
  EXPECT_EQ(second.output, Transcript({"", "a.tree.tga_org allready excists", "Processing a.tree.tga",  //
                                       "", "b.tree.tga_org allready excists", "Processing b.tree.tga",  //
                                       "", "c.tree.tga_org allready excists", "Processing c.tree.tga"},
                                      3, cleared))
      << "the same count again";
  for (std::size_t index = 0; index < names.size(); ++index) {
    EXPECT_TRUE(SameBytes(Read(names[index]), afterFirst[index])) << names[index];
    EXPECT_TRUE(SameBytes(Read(names[index] + "_org"), originals[index])) << names[index];
  }

  // A mask without zeros gives the originals' pixels back.
  SetMask(std::string(PixelCount, '\x80'));
  const RunResult third = RunTreebane(folder_.Path());
  EXPECT_EQ(third.output, Transcript({"", "a.tree.tga_org allready excists", "Processing a.tree.tga",  //
                                      "", "b.tree.tga_org allready excists", "Processing b.tree.tga",  //
                                      "", "c.tree.tga_org allready excists", "Processing c.tree.tga"},
                                     3, 0));
  for (std::size_t index = 0; index < names.size(); ++index) {
    EXPECT_TRUE(SameBytes(Read(names[index]), originals[index])) << names[index];
  }
}

TEST_F(TextureFolder, ShortAndLongTexturesBecomeExactlyOneTextureLong) {
  SetMask(MakeMask(23, 0.5));
  const std::string tiny = MakeTexture(24, 10);  // not even a whole header
  const std::string shortTexture = MakeTexture(25, HeaderSize + 1000);
  const std::string longTexture = MakeTexture(26, TextureSize + 5000);
  AddTexture("a.tree.tga", tiny);
  AddTexture("b.tree.tga", shortTexture);
  AddTexture("c.tree.tga", longTexture);
  AddTexture("d.tree.tga", "");

  const MaskedTexture tinyMasked = ApplyMask(tiny, tiny, mask_);
  const MaskedTexture shortMasked = ApplyMask(shortTexture, shortTexture, mask_);
  const MaskedTexture longMasked = ApplyMask(longTexture, longTexture, mask_);
  const RunResult result = RunTreebane(folder_.Path());

  EXPECT_EQ(result.output, Transcript({"", "Saving a.tree.tga", "Processing a.tree.tga",  //
                                       "", "Saving b.tree.tga", "Processing b.tree.tga",  //
                                       "", "Saving c.tree.tga", "Processing c.tree.tga",  //
                                       "", "Saving d.tree.tga", "Processing d.tree.tga"},
                                      4, tinyMasked.cleared + shortMasked.cleared + longMasked.cleared));
  EXPECT_TRUE(SameBytes(Read("a.tree.tga"), tinyMasked.bytes));
  EXPECT_TRUE(SameBytes(Read("b.tree.tga"), shortMasked.bytes));
  EXPECT_TRUE(SameBytes(Read("c.tree.tga"), longMasked.bytes));
  EXPECT_TRUE(SameBytes(Read("d.tree.tga"), std::string(TextureSize, '\0')));
  EXPECT_TRUE(SameBytes(Read("a.tree.tga_org"), tiny));
  EXPECT_TRUE(SameBytes(Read("c.tree.tga_org"), longTexture)) << "the backup keeps the whole file";
  EXPECT_EQ(Read("d.tree.tga_org"), "");
}

TEST_F(TextureFolder, BackupNameTakenByAFolderLeavesTheTextureAlone) {
  SetMask(MakeMask(27, 0.5));
  const std::string a = MakeTexture(28);
  const std::string b = MakeTexture(29);
  AddTexture("a.tree.tga", a);
  AddTexture("b.tree.tga", b);
  std::filesystem::create_directory(folder_ / "a.tree.tga_org");

  const MaskedTexture bMasked = ApplyMask(b, b, mask_);
  const RunResult result = RunTreebane(folder_.Path());
  EXPECT_TRUE(EndedNormally(result.status));
  EXPECT_EQ(result.output, Transcript({"", "a.tree.tga could not be processed - left unchanged",  //
                                       "", "Saving b.tree.tga", "Processing b.tree.tga"},
                                      2, bMasked.cleared));
  EXPECT_TRUE(SameBytes(Read("a.tree.tga"), a));
  EXPECT_TRUE(std::filesystem::is_empty(folder_ / "a.tree.tga_org"));
  EXPECT_TRUE(SameBytes(Read("b.tree.tga"), bMasked.bytes));
  EXPECT_EQ(Entries(), (Names{"a.tree.tga", "a.tree.tga_org", "b.tree.tga", "b.tree.tga_org", "treebane.data"}));
}

// A process id that no process has: above the largest one that Linux hands
// out.
const std::string EndedProcessId = "2000000000";

// The user's files and folders whose names look like those of the program's
// temporary files, of today's or of older versions, or are such names of a
// process that still runs, are neither used nor removed by a run.
TEST_F(TextureFolder, FilesNamedLikeTemporaryFilesSurviveARun) {
  SetMask(MakeMask(40, 0.5));
  const std::string a = MakeTexture(41);
  const std::string b = MakeTexture(42);
  AddTexture("a.tree.tga", a);
  AddTexture("b.tree.tga", b);
  AddTexture("b.tree.tga_org", b);
  const std::string running = std::to_string(::getpid());
  const Names userFiles = {
      ".treebane-slot2.tmp",
      ".treebane-copy.tmp",
      ".treebane-slot1.tmp",
      ".treebane-" + running + "-0.tmp",
      ".treebane-" + running + "-1.tmp",
      ".treebane-1-0.tmp",
      ".treebane-" + EndedProcessId + "-x.tmp",
      ".treebane-0" + EndedProcessId + "-0.tmp",
      ".treebane-" + EndedProcessId + "-0.tmp.tree.tga_org",
  };
  for (const std::string& name : userFiles) {
    AddTexture(name, "kept " + name);
  }
  const std::string userFolder = ".treebane-" + EndedProcessId + "-1.tmp";
  std::filesystem::create_directory(folder_ / userFolder);
  AddTexture(userFolder + "/kept", "kept");
  const std::string userLink = ".treebane-" + EndedProcessId + "-2.tmp";
  std::filesystem::create_symlink("b.tree.tga_org", folder_ / userLink);

  const MaskedTexture aMasked = ApplyMask(a, a, mask_);
  const MaskedTexture bMasked = ApplyMask(b, b, mask_);
  const RunResult result = RunTreebane(folder_.Path());
  EXPECT_TRUE(EndedNormally(result.status));
  EXPECT_EQ(result.output, Transcript({"", "Saving a.tree.tga", "Processing a.tree.tga", "",
                                       "b.tree.tga_org allready excists", "Processing b.tree.tga"},
                                      2, aMasked.cleared + bMasked.cleared));
  EXPECT_TRUE(SameBytes(Read("a.tree.tga"), aMasked.bytes));
  EXPECT_TRUE(SameBytes(Read("a.tree.tga_org"), a));
  EXPECT_TRUE(SameBytes(Read("b.tree.tga"), bMasked.bytes));
  EXPECT_TRUE(SameBytes(Read("b.tree.tga_org"), b));
  for (const std::string& name : userFiles) {
    EXPECT_EQ(Read(name), "kept " + name);
  }
  EXPECT_EQ(Read(userFolder + "/kept"), "kept");
  EXPECT_TRUE(std::filesystem::is_symlink(folder_ / userLink));
  Names expected = userFiles;
  expected.insert(expected.end(), {userFolder, userLink, "a.tree.tga", "a.tree.tga_org", "b.tree.tga", "b.tree.tga_org",
                                   "treebane.data"});
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Entries(), expected);
}

// The temporary files' names do not grow with the texture's: a texture whose
// backup's name is as long as a file name can be gets its backup and its
// rewrite.
TEST_F(TextureFolder, LongestNamesAreProcessed) {
  SetMask(MakeMask(46, 0.5));
  const std::string name = std::string(255 - std::string(".tree.tga_org").size(), 'n') + ".tree.tga";
  const std::string texture = MakeTexture(47);
  AddTexture(name, texture);

  const MaskedTexture masked = ApplyMask(texture, texture, mask_);
  const RunResult result = RunTreebane(folder_.Path());
  EXPECT_TRUE(EndedNormally(result.status));
  EXPECT_EQ(result.output, Transcript({"", "Saving " + name, "Processing " + name}, 1, masked.cleared));
  EXPECT_TRUE(SameBytes(Read(name), masked.bytes));
  EXPECT_TRUE(SameBytes(Read(name + "_org"), texture));
  EXPECT_EQ(Entries(), (Names{name, name + "_org", "treebane.data"}));
}

// A run killed with SIGKILL, which no process can catch, in the middle of a
// backup copy leaves its temporary file behind; the next run removes it, and
// any other leftover of a process that has ended, and does the whole work.
TEST_F(TextureFolder, LeftoverOfAKilledRunIsRemovedByTheNextRun) {
  SetMask(MakeMask(43, 0.5));
  const std::string a = MakeTexture(44);
  const std::string b = MakeTexture(45);
  AddTexture("a.tree.tga", a);
  AddTexture("b.tree.tga", b);
  AddTexture(".treebane-copy.tmp", "kept");
  AddTexture(".treebane-" + EndedProcessId + "-7.tmp", "left over");

  ProgramOptions killed;
  // The third write of the program goes to the copy of a.tree.tga.
  killed.environment = {std::string("LD_PRELOAD=") + FAULT_INJECTION_SHIM, "FAULT_OPERATION=kill", "FAULT_CALL=3"};
  const RunResult first = RunTreebane(folder_.Path(), "\n", killed);
  ASSERT_TRUE(WIFSIGNALED(first.status) && WTERMSIG(first.status) == SIGKILL);
  // The ended process's leftover went at the start of that run; the run
  // left one of its own.
  Names leftovers;
  for (const std::string& name : Entries()) {
    if (name.starts_with(".treebane-") && name.ends_with(".tmp") && name != ".treebane-copy.tmp") {
      leftovers.push_back(name);
    }
  }
  ASSERT_EQ(leftovers.size(), 1u);
  EXPECT_NE(leftovers[0], ".treebane-" + EndedProcessId + "-7.tmp");
  EXPECT_TRUE(SameBytes(Read(leftovers[0]), a.substr(0, 2 * 65536))) << "the copy as far as it got";

  const MaskedTexture aMasked = ApplyMask(a, a, mask_);
  const MaskedTexture bMasked = ApplyMask(b, b, mask_);
  const RunResult second = RunTreebane(folder_.Path());
  EXPECT_TRUE(EndedNormally(second.status));
  EXPECT_EQ(second.output, Transcript({"", "Saving a.tree.tga", "Processing a.tree.tga", "", "Saving b.tree.tga",
                                       "Processing b.tree.tga"},
                                      2, aMasked.cleared + bMasked.cleared));
  EXPECT_TRUE(SameBytes(Read("a.tree.tga"), aMasked.bytes));
  EXPECT_TRUE(SameBytes(Read("a.tree.tga_org"), a));
  EXPECT_TRUE(SameBytes(Read("b.tree.tga"), bMasked.bytes));
  EXPECT_TRUE(SameBytes(Read("b.tree.tga_org"), b));
  EXPECT_EQ(Read(".treebane-copy.tmp"), "kept");
  EXPECT_EQ(Entries(), (Names{".treebane-copy.tmp", "a.tree.tga", "a.tree.tga_org", "b.tree.tga", "b.tree.tga_org",
                              "treebane.data"}));
}

TEST_F(TextureFolder, FilesThatCannotGrowLeaveTexturesUnchanged) {
  SetMask(MakeMask(30, 0.5));
  const std::string a = MakeTexture(31);
  const std::string b = MakeTexture(32);
  AddTexture("a.tree.tga", a);
  AddTexture("b.tree.tga", b);
  AddTexture("b.tree.tga_org", b);

  ProgramOptions smallFiles;
  smallFiles.fileSizeLimit = 100000;  // less than one texture
  const RunResult result = RunTreebane(folder_.Path(), "\n", smallFiles);
  EXPECT_TRUE(EndedNormally(result.status));
  EXPECT_EQ(result.output, Transcript({"", "Saving a.tree.tga", "a.tree.tga could not be processed - left unchanged",
                                       "", "b.tree.tga_org allready excists", "Processing b.tree.tga",
                                       "b.tree.tga could not be processed - left unchanged"},
                                      2, 0));
  EXPECT_TRUE(SameBytes(Read("a.tree.tga"), a));
  EXPECT_TRUE(SameBytes(Read("b.tree.tga"), b));
  EXPECT_EQ(Entries(), (Names{"a.tree.tga", "b.tree.tga", "b.tree.tga_org", "treebane.data"}));
}

TEST_F(TextureFolder, FailingDiskOperationsLeaveTexturesUnchanged) {
  mask_ = MakeMask(39, 0.5);
  struct Case {
    const char* operation;
    const char* pathSuffix;
    std::vector<std::string> lines;  // a.tree.tga has no backup, b.tree.tga has one
    bool backupOfAMade;
  };
  const std::string aFailed = "a.tree.tga could not be processed - left unchanged";
  const std::string bFailed = "b.tree.tga could not be processed - left unchanged";
  const Case cases[] = {
      {"read", "/a.tree.tga", {"", aFailed, "", "b.tree.tga_org allready excists", "Processing b.tree.tga"}, false},
      {"read",
       "/treebane.data",
       {"", "Saving a.tree.tga", "Processing a.tree.tga", aFailed, "", "b.tree.tga_org allready excists",
        "Processing b.tree.tga", bFailed},
       true},
      {"read",
       "/b.tree.tga_org",
       {"", "Saving a.tree.tga", "Processing a.tree.tga", "", "b.tree.tga_org allready excists",
        "Processing b.tree.tga", bFailed},
       true},
      {"write",
       "",
       {"", "Saving a.tree.tga", aFailed, "", "b.tree.tga_org allready excists", "Processing b.tree.tga", bFailed},
       false},
      {"fsync",
       "",
       {"", "Saving a.tree.tga", aFailed, "", "b.tree.tga_org allready excists", "Processing b.tree.tga", bFailed},
       false},
      {"rename",
       "a.tree.tga_org",
       {"", "Saving a.tree.tga", aFailed, "", "b.tree.tga_org allready excists", "Processing b.tree.tga"},
       false},
      {"rename",
       "b.tree.tga",
       {"", "Saving a.tree.tga", "Processing a.tree.tga", "", "b.tree.tga_org allready excists",
        "Processing b.tree.tga", bFailed},
       true},
  };
  for (const Case& failure : cases) {
    SCOPED_TRACE(std::string(failure.operation) + " failing for \"" + failure.pathSuffix + "\"");
    TemporaryFolder folder;
    WriteBytes(folder / "treebane.data", mask_);
    const std::string a = MakeTexture(33);
    const std::string b = MakeTexture(34);
    WriteBytes(folder / "a.tree.tga", a);
    WriteBytes(folder / "b.tree.tga", b);
    WriteBytes(folder / "b.tree.tga_org", b);

    ProgramOptions options;
    options.environment = {std::string("LD_PRELOAD=") + FAULT_INJECTION_SHIM,
                           std::string("FAULT_OPERATION=") + failure.operation,
                           std::string("FAULT_PATH_SUFFIX=") + failure.pathSuffix};
    const RunResult result = RunTreebane(folder.Path(), "\n", options);
    EXPECT_TRUE(EndedNormally(result.status));

    std::int64_t cleared = 0;
    const bool aFails = std::find(failure.lines.begin(), failure.lines.end(), aFailed) != failure.lines.end();
    const bool bFails = std::find(failure.lines.begin(), failure.lines.end(), bFailed) != failure.lines.end();
    const MaskedTexture aMasked = ApplyMask(a, a, mask_);
    const MaskedTexture bMasked = ApplyMask(b, b, mask_);
    cleared += aFails ? 0 : aMasked.cleared;
    cleared += bFails ? 0 : bMasked.cleared;
    EXPECT_EQ(result.output, Transcript(failure.lines, 2, cleared));

    EXPECT_TRUE(SameBytes(ReadBytes(folder / "a.tree.tga"), aFails ? a : aMasked.bytes));
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "b.tree.tga"), bFails ? b : bMasked.bytes));
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "b.tree.tga_org"), b));
    Names expected = {"a.tree.tga", "b.tree.tga", "b.tree.tga_org", "treebane.data"};
    if (failure.backupOfAMade) {
      expected.insert(expected.begin() + 1, "a.tree.tga_org");
      EXPECT_TRUE(SameBytes(ReadBytes(folder / "a.tree.tga_org"), a));
    }
    EXPECT_EQ(FolderEntries(folder.Path()), expected) << "no temporary file stays";
  }
}

// One texture of a batch whose backup or rewrite cannot be made durable or
// put in place gets its line; the others of the batch are committed and
// counted all the same.
TEST_F(TextureFolder, OneFailingFileOfABatchLeavesTheOthersCommitted) {
  mask_ = MakeMask(48, 0.5);
  const std::string a = MakeTexture(49);
  const std::string b = MakeTexture(50);
  const std::string c = MakeTexture(51);
  const MaskedTexture aMasked = ApplyMask(a, a, mask_);
  const MaskedTexture bMasked = ApplyMask(b, b, mask_);
  const MaskedTexture cMasked = ApplyMask(c, c, mask_);
  struct Case {
    const char* name;
    std::vector<std::string> environment;
    char failing;  // the texture left unchanged, or 0
    bool failingBackupMade;
  };
  // The temporary files are numbered in the order they are made: the
  // backup of a.tree.tga (0) and its rewrite (1), the rewrite of
  // b.tree.tga (2), the backup of c.tree.tga (3) and its rewrite (4). A
  // failing flush also fails the sync of the whole file system, so every
  // file is then flushed on its own.
  const Case cases[] = {
      {"flush of the backup of a.tree.tga", {"FAULT_OPERATION=fsync", "FAULT_PATH_SUFFIX=-0.tmp"}, 'a', false},
      {"flush of the rewrite of a.tree.tga", {"FAULT_OPERATION=fsync", "FAULT_PATH_SUFFIX=-1.tmp"}, 'a', true},
      {"flush of the rewrite of b.tree.tga", {"FAULT_OPERATION=fsync", "FAULT_PATH_SUFFIX=-2.tmp"}, 'b', true},
      {"rename of the backup of c.tree.tga",
       {"FAULT_OPERATION=rename", "FAULT_PATH_SUFFIX=c.tree.tga_org"},
       'c',
       false},
      {"rename of c.tree.tga", {"FAULT_OPERATION=rename", "FAULT_PATH_SUFFIX=c.tree.tga"}, 'c', true},
      {"sync of the file system alone", {"FAULT_OPERATION=syncfs"}, 0, true},
  };
  for (const Case& failure : cases) {
    SCOPED_TRACE(failure.name);
    TemporaryFolder folder;
    WriteBytes(folder / "treebane.data", mask_);
    WriteBytes(folder / "a.tree.tga", a);
    WriteBytes(folder / "b.tree.tga", b);
    WriteBytes(folder / "b.tree.tga_org", b);
    WriteBytes(folder / "c.tree.tga", c);

    ProgramOptions options;
    options.environment = failure.environment;
    options.environment.push_back(std::string("LD_PRELOAD=") + FAULT_INJECTION_SHIM);
    const RunResult result = RunTreebane(folder.Path(), "\n", options);
    EXPECT_TRUE(EndedNormally(result.status));

    // A texture whose backup failed was never due to be processed.
    const auto linesOf = [&failure](char texture, const std::string& backupLine) {
      const std::string name = std::string(1, texture) + ".tree.tga";
      if (failure.failing != texture) {
        return std::vector<std::string>{"", backupLine, "Processing " + name};
      }
      if (!failure.failingBackupMade) {
        return std::vector<std::string>{"", backupLine, LeftUnchanged(name)};
      }
      return std::vector<std::string>{"", backupLine, "Processing " + name, LeftUnchanged(name)};
    };
    std::vector<std::string> lines = linesOf('a', "Saving a.tree.tga");
    const std::vector<std::string> bLines = linesOf('b', "b.tree.tga_org allready excists");
    const std::vector<std::string> cLines = linesOf('c', "Saving c.tree.tga");
    lines.insert(lines.end(), bLines.begin(), bLines.end());
    lines.insert(lines.end(), cLines.begin(), cLines.end());
    const std::int64_t cleared = (failure.failing == 'a' ? 0 : aMasked.cleared) +
                                 (failure.failing == 'b' ? 0 : bMasked.cleared) +
                                 (failure.failing == 'c' ? 0 : cMasked.cleared);
    EXPECT_EQ(result.output, Transcript(lines, 3, cleared));

    EXPECT_TRUE(SameBytes(ReadBytes(folder / "a.tree.tga"), failure.failing == 'a' ? a : aMasked.bytes));
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "b.tree.tga"), failure.failing == 'b' ? b : bMasked.bytes));
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "c.tree.tga"), failure.failing == 'c' ? c : cMasked.bytes));
    Names expected = {"a.tree.tga", "b.tree.tga", "b.tree.tga_org", "c.tree.tga", "treebane.data"};
    if (failure.failing != 'a' || failure.failingBackupMade) {
      expected.push_back("a.tree.tga_org");
      EXPECT_TRUE(SameBytes(ReadBytes(folder / "a.tree.tga_org"), a));
    }
    if (failure.failing != 'c' || failure.failingBackupMade) {
      expected.push_back("c.tree.tga_org");
      EXPECT_TRUE(SameBytes(ReadBytes(folder / "c.tree.tga_org"), c));
    }
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(FolderEntries(folder.Path()), expected) << "no temporary file stays";
  }
}

// More textures than one batch holds: every line in its place, every
// texture and backup made, the count over all batches.
TEST_F(TextureFolder, TexturesOfManyBatches) {
  SetMask(MakeMask(52, 0.5));
  constexpr int Count = 70;
  std::vector<std::string> names;
  std::vector<std::string> originals;
  std::vector<std::string> firstLines;
  std::vector<std::string> secondLines;
  std::int64_t cleared = 0;
  for (int index = 0; index < Count; ++index) {
    names.push_back("t" + std::to_string(100 + index) + ".tree.tga");
    originals.push_back(MakeTexture(600 + static_cast<unsigned>(index)));
    AddTexture(names.back(), originals.back());
    cleared += ApplyMask(originals.back(), originals.back(), mask_).cleared;
    firstLines.insert(firstLines.end(), {"", "Saving " + names.back(), "Processing " + names.back()});
    secondLines.insert(secondLines.end(), {"", names.back() + "_org allready excists", "Processing " + names.back()});
  }
  EXPECT_EQ(RunTreebane(folder_.Path()).output, Transcript(firstLines, Count, cleared));
  EXPECT_EQ(RunTreebane(folder_.Path()).output, Transcript(secondLines, Count, cleared));
  for (int index = 0; index < Count; ++index) {
    EXPECT_TRUE(SameBytes(Read(names[index]), ApplyMask(originals[index], originals[index], mask_).bytes))
        << names[index];
    EXPECT_TRUE(SameBytes(Read(names[index] + "_org"), originals[index])) << names[index];
  }
  EXPECT_EQ(Entries().size(), 2 * Count + 1) << "no temporary file stays";
}

TEST_F(TextureFolder, WaitsForEnterAndEndsWithStatusZero) {
  SetMask(MakeMask(35, 0.5));
  AddTexture("a.tree.tga", MakeTexture(36));
  TreebaneProcess process(folder_.Path());
  ASSERT_TRUE(process.WaitForOutput(FinalPrompt, 20s));
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(process.StillRunning()) << "the program waits for a line";
  process.Type("any text\r\n");
  EXPECT_TRUE(EndedNormally(process.Wait()));
}

// Without input to wait for, the final wait ends at once and nothing of the
// output is lost.
TEST_F(TextureFolder, ClosedOrEmptyInputEndsTheWaitAtOnce) {
  SetMask(MakeMask(43, 0.5));
  const std::string texture = MakeTexture(44);
  const MaskedTexture masked = ApplyMask(texture, texture, mask_);
  for (const InputFrom input : {InputFrom::Closed, InputFrom::DevNull}) {
    SCOPED_TRACE(input == InputFrom::Closed ? "input closed" : "input from /dev/null");
    AddTexture("a.tree.tga", texture);
    std::filesystem::remove(folder_ / "a.tree.tga_org");
    ProgramOptions options;
    options.input = input;
    TreebaneProcess process(folder_.Path(), options);
    EXPECT_TRUE(EndedNormally(process.Wait(10s)));
    EXPECT_FALSE(process.TimedOut());
    EXPECT_EQ(process.Output(), Transcript({"", "Saving a.tree.tga", "Processing a.tree.tga"}, 1, masked.cleared));
    EXPECT_TRUE(SameBytes(Read("a.tree.tga"), masked.bytes));
    EXPECT_TRUE(SameBytes(Read("a.tree.tga_org"), texture));
  }
}

// Output that nobody reads is dropped and the work goes on to its end. A
// closed standard output must not become the number of a file the program
// writes, or the console text would end up inside a texture.
TEST_F(TextureFolder, OutputThatNobodyReadsDoesNotStopTheWork) {
  SetMask(MakeMask(45, 0.5));
  const std::string a = MakeTexture(46);
  const std::string b = MakeTexture(47);
  const MaskedTexture aMasked = ApplyMask(a, a, mask_);
  const MaskedTexture bMasked = ApplyMask(b, b, mask_);
  struct Case {
    const char* name;
    InputFrom input;
    OutputTo output;
  };
  const Case cases[] = {
      {"output closed", InputFrom::TestPipe, OutputTo::Closed},
      {"input and output closed", InputFrom::Closed, OutputTo::Closed},
      {"output to a pipe without reader", InputFrom::TestPipe, OutputTo::BrokenPipe},
  };
  for (const Case& streams : cases) {
    SCOPED_TRACE(streams.name);
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Path())) {
      if (entry.path().filename() != "treebane.data") {
        std::filesystem::remove(entry.path());
      }
    }
    AddTexture("a.tree.tga", a);
    AddTexture("b.tree.tga", b);
    AddTexture("b.tree.tga_org", b);
    ProgramOptions options;
    options.input = streams.input;
    options.output = streams.output;

    const RunResult result = RunTreebane(folder_.Path(), "\n", options);
    EXPECT_TRUE(EndedNormally(result.status));
    EXPECT_TRUE(SameBytes(Read("a.tree.tga"), aMasked.bytes));
    EXPECT_TRUE(SameBytes(Read("a.tree.tga_org"), a));
    EXPECT_TRUE(SameBytes(Read("b.tree.tga"), bMasked.bytes));
    EXPECT_TRUE(SameBytes(Read("b.tree.tga_org"), b));
    EXPECT_EQ(Entries(), (Names{"a.tree.tga", "a.tree.tga_org", "b.tree.tga", "b.tree.tga_org", "treebane.data"}));
  }
}

TEST_F(TextureFolder, ClosingTheTerminalAtThePromptKeepsEveryTextureWhole) {
  SetMask(MakeMask(37, 0.5));
  const std::string texture = MakeTexture(38);
  const MaskedTexture masked = ApplyMask(texture, texture, mask_);
  for (const int signalNumber : {SIGHUP, SIGINT, SIGTERM}) {
    SCOPED_TRACE(signalNumber);
    AddTexture("a.tree.tga", texture);
    std::filesystem::remove(folder_ / "a.tree.tga_org");

    TreebaneProcess process(folder_.Path());
    ASSERT_TRUE(process.WaitForOutput(FinalPrompt, 20s));
    process.Signal(signalNumber);
    const int status = process.Wait();
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber);
    EXPECT_TRUE(SameBytes(Read("a.tree.tga"), masked.bytes));
    EXPECT_TRUE(SameBytes(Read("a.tree.tga_org"), texture));
  }
}

}  // namespace
}  // namespace treebane::testing
