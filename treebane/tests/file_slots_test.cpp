#include "services/file_slots.h"
#include "services/temporary_names.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace treebane {
namespace {

using testing::FolderEntries;
using testing::ReadBytes;
using testing::SameBytes;
using testing::TemporaryFolder;
using testing::WriteBytes;

std::string Pattern(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t index = 0; index < size; ++index) {
    bytes[index] = static_cast<char>((index * 7 + index / 251) & 0xFF);
  }
  return bytes;
}

void PutAll(FileSlots& slots, std::size_t slot, const std::string& bytes) {
  for (const char byte : bytes) {
    slots.PutByte(slot, static_cast<unsigned char>(byte));
  }
}

std::string GetCount(FileSlots& slots, std::size_t slot, std::size_t count) {
  std::string bytes;
  for (std::size_t index = 0; index < count; ++index) {
    bytes += static_cast<char>(slots.GetByte(slot));
  }
  return bytes;
}

// Gives a file a property that its replacement and its copy keep, and tells
// whether a file has it: permission bits on POSIX, the hidden attribute on
// Windows.
void MarkFile(const std::string& path) {
#ifdef _WIN32
  ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_HIDDEN);
#else
  ::chmod(path.c_str(), 0640);
#endif
}

std::uint32_t OwnProcessId() {
#ifdef _WIN32
  return static_cast<std::uint32_t>(::GetCurrentProcessId());
#else
  return static_cast<std::uint32_t>(::getpid());
#endif
}

// A process id that no process has: above the largest one that Linux hands
// out and far above those that Windows does.
constexpr std::uint32_t EndedProcessId = 2000000000;

bool IsMarked(const std::string& path) {
#ifdef _WIN32
  const DWORD attributes = ::GetFileAttributesA(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_HIDDEN) != 0;
#else
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 && (status.st_mode & 07777) == 0640;
#endif
}

// --- Reading and writing through slots --------------------------------------

TEST(FileSlots, GetByteGivesTheFileThenZeroPastTheEnd) {
  TemporaryFolder folder;
  WriteBytes(folder / "ten", "\x01\x02\x03\x04\x05\x06\x07\x08\x09\xFF");
  FileSlots slots;
  ASSERT_TRUE(slots.OpenForReading(1, folder / "ten"));
  EXPECT_EQ(GetCount(slots, 1, 10), "\x01\x02\x03\x04\x05\x06\x07\x08\x09\xFF");
  for (int extra = 0; extra < 5000; ++extra) {
    ASSERT_EQ(slots.GetByte(1), 0) << "call " << extra << " past the end";
  }
  EXPECT_FALSE(slots.SlotFailed(1)) << "the end of a file is not a failure";
}

// Runs of bytes at once give what the single-byte calls give, across
// buffer ends, the end of the file and slots that are not open.
TEST(FileSlots, RunsOfBytesAreSingleBytesInOne) {
  TemporaryFolder folder;
  const std::string bytes = Pattern(2 * FileSlots::BufferSize + 700);
  WriteBytes(folder / "source", bytes);
  FileSlots slots;
  ASSERT_TRUE(slots.OpenForReading(1, folder / "source"));
  ASSERT_TRUE(slots.CreateForWriting(2, folder / "copy"));
  // Runs shorter than the buffer, and longer ones, which bypass it.
  const std::size_t runLengths[] = {512, 5000, 3, 9000};
  std::string read(bytes.size() + 9000, 'x');
  std::size_t offset = 0;
  for (std::size_t turn = 0; offset < read.size(); ++turn) {
    const std::size_t count = std::min(runLengths[turn % std::size(runLengths)], read.size() - offset);
    auto* run = reinterpret_cast<std::uint8_t*>(read.data() + offset);
    slots.GetBytes(1, run, count);
    slots.PutBytes(2, run, count);
    offset += count;
  }
  EXPECT_TRUE(SameBytes(read, bytes + std::string(9000, '\0')));
  EXPECT_FALSE(slots.SlotFailed(1));
  slots.CloseSlot(2);
  EXPECT_TRUE(SameBytes(ReadBytes(folder / "copy"), read));

  // A long run read back right after writes sees them.
  ASSERT_TRUE(slots.CreateForWriting(3, folder / "both"));
  PutAll(slots, 3, "head");
  slots.SetPosition(3, 0);
  slots.PutBytes(3, reinterpret_cast<const std::uint8_t*>(bytes.data()), 10);
  std::string back(FileSlots::BufferSize + 6, 'x');
  slots.SetPosition(3, 0);
  slots.GetBytes(3, reinterpret_cast<std::uint8_t*>(back.data()), back.size());
  EXPECT_TRUE(SameBytes(back, bytes.substr(0, 10) + std::string(FileSlots::BufferSize - 4, '\0')));
  slots.CloseSlot(3);
  std::filesystem::remove(folder / "both");

  std::uint8_t run[3] = {7, 7, 7};
  slots.GetBytes(5, run, sizeof run);
  slots.PutBytes(5, run, sizeof run);
  EXPECT_EQ(run[0] + run[1] + run[2], 0) << "a slot that is not open reads zeros";
  EXPECT_EQ(FolderEntries(folder.Path()), (std::vector<std::string>{"copy", "source"}));
}

TEST(FileSlots, SlotWhoseOpenFailedReadsZeroAndWritesNothing) {
  TemporaryFolder folder;
  FileSlots slots;
  EXPECT_FALSE(slots.OpenForReading(0, folder / "missing"));
  std::filesystem::create_directory(folder / "a folder");
  EXPECT_FALSE(slots.OpenForReading(1, folder / "a folder")) << "a folder is not a file";
  EXPECT_FALSE(slots.CreateForWriting(2, folder / "no such folder/file"));

  for (std::size_t slot : {0u, 1u, 2u, 9u}) {
    EXPECT_FALSE(slots.IsOpen(slot));
    EXPECT_EQ(slots.GetByte(slot), 0);
    slots.PutByte(slot, 42);
    slots.SetPosition(slot, 18);
    EXPECT_EQ(slots.GetByte(slot), 0);
    EXPECT_EQ(slots.SlotLength(slot), -1);
    slots.CloseSlot(slot);
  }
  EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"a folder"});
}

TEST(FileSlots, ReopeningASlotCompletesTheEarlierFile) {
  TemporaryFolder folder;
  const std::string first = Pattern(3 * FileSlots::BufferSize + 123);
  FileSlots slots;
  ASSERT_TRUE(slots.CreateForWriting(2, folder / "first"));
  PutAll(slots, 2, first);
  ASSERT_TRUE(slots.CreateForWriting(2, folder / "second"));
  EXPECT_TRUE(SameBytes(ReadBytes(folder / "first"), first));

  // Opening for reading on the same number completes the file as well.
  PutAll(slots, 2, "abc");
  ASSERT_TRUE(slots.OpenForReading(2, folder / "first"));
  EXPECT_EQ(ReadBytes(folder / "second"), "abc");
  EXPECT_TRUE(SameBytes(GetCount(slots, 2, first.size()), first));

  // So does closing everything, e.g. at the end of the program.
  ASSERT_TRUE(slots.CreateForWriting(5, folder / "third"));
  PutAll(slots, 5, "xyz");
  slots.CloseAllSlots();
  EXPECT_EQ(ReadBytes(folder / "third"), "xyz");
}

TEST(FileSlots, SetPositionMovesReadingToAnyOffset) {
  TemporaryFolder folder;
  const std::string bytes = Pattern(10000);
  WriteBytes(folder / "file", bytes);
  FileSlots slots;

  // Straight after opening, as the run does with a texture's backup.
  ASSERT_TRUE(slots.OpenForReading(1, folder / "file"));
  slots.SetPosition(1, 18);
  EXPECT_EQ(GetCount(slots, 1, 4), bytes.substr(18, 4));

  // Backwards and forwards past the buffered part, and past the end.
  slots.SetPosition(1, 9000);
  EXPECT_EQ(GetCount(slots, 1, 4), bytes.substr(9000, 4));
  slots.SetPosition(1, 3);
  EXPECT_EQ(GetCount(slots, 1, 4), bytes.substr(3, 4));
  slots.SetPosition(1, 20000);
  EXPECT_EQ(slots.GetByte(1), 0);
  slots.SetPosition(1, 0);
  EXPECT_EQ(GetCount(slots, 1, 2), bytes.substr(0, 2)) << "the end is forgotten after a new position";
}

TEST(FileSlots, SetPositionAfterWritesReadsWhatWasWritten) {
  TemporaryFolder folder;
  const std::string bytes = Pattern(2 * FileSlots::BufferSize + 500);
  FileSlots slots;
  ASSERT_TRUE(slots.CreateForWriting(2, folder / "file"));
  PutAll(slots, 2, bytes);  // the last 500 bytes are still pending
  slots.SetPosition(2, 18);
  EXPECT_EQ(GetCount(slots, 2, 10), bytes.substr(18, 10));
  slots.SetPosition(2, static_cast<std::int64_t>(bytes.size()) - 3);
  EXPECT_EQ(GetCount(slots, 2, 4), bytes.substr(bytes.size() - 3) + '\0');
  EXPECT_EQ(slots.SlotLength(2), static_cast<std::int64_t>(bytes.size()));
}

TEST(FileSlots, ReadingAndWritingInTurnKeepOnePosition) {
  TemporaryFolder folder;
  std::string expected = Pattern(10000);
  FileSlots slots;
  ASSERT_TRUE(slots.CreateForWriting(3, folder / "file"));
  PutAll(slots, 3, expected);
  slots.SetPosition(3, 0);

  // Reading fills the buffer far ahead; writing must land right after
  // the bytes consumed, not after the read-ahead.
  EXPECT_EQ(GetCount(slots, 3, 10), expected.substr(0, 10));
  PutAll(slots, 3, "\xAA\xBB\xCC");
  expected.replace(10, 3, "\xAA\xBB\xCC");
  // Writing then reading: the pending bytes are written first and the
  // read continues after them.
  EXPECT_EQ(GetCount(slots, 3, 5), expected.substr(13, 5));
  PutAll(slots, 3, "\x11");
  expected[18] = '\x11';

  // Past a buffer boundary as well.
  slots.SetPosition(3, FileSlots::BufferSize - 2);
  EXPECT_EQ(GetCount(slots, 3, 4), expected.substr(FileSlots::BufferSize - 2, 4));
  PutAll(slots, 3, "\x22\x33");
  expected.replace(FileSlots::BufferSize + 2, 2, "\x22\x33");
  EXPECT_EQ(GetCount(slots, 3, 1), expected.substr(FileSlots::BufferSize + 4, 1));

  slots.CloseSlot(3);
  EXPECT_TRUE(SameBytes(ReadBytes(folder / "file"), expected));
}

TEST(FileSlots, SlotNumbersBeyondTheFirstSixteenGrowTheTable) {
  TemporaryFolder folder;
  WriteBytes(folder / "file", "xy");
  FileSlots slots;
  ASSERT_TRUE(slots.OpenForReading(40, folder / "file"));
  ASSERT_TRUE(slots.OpenForReading(0, folder / "file"));
  EXPECT_EQ(slots.GetByte(40), 'x');
  EXPECT_EQ(slots.GetByte(0), 'x');
  EXPECT_EQ(slots.GetByte(40), 'y');
  EXPECT_FALSE(slots.IsOpen(39));
}

// --- Replacements -----------------------------------------------------------

TEST(FileSlotReplacement, CommitPutsTheNewBytesInPlaceWithTheFileProperties) {
  TemporaryFolder folder;
  const std::string target = folder / "texture";
  WriteBytes(target, Pattern(300000));
  MarkFile(target);
  const std::string replacement = Pattern(262162).substr(7) + "tail";

  FileSlots slots;
  ASSERT_TRUE(slots.CreateReplacement(2, target));
  PutAll(slots, 2, replacement);
  EXPECT_TRUE(SameBytes(ReadBytes(target), Pattern(300000))) << "the target is untouched until the commit";
  ASSERT_TRUE(slots.CommitReplacement(2));

  EXPECT_TRUE(SameBytes(ReadBytes(target), replacement));
  EXPECT_TRUE(IsMarked(target));
  EXPECT_FALSE(slots.IsOpen(2));
  EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"texture"}) << "no temporary file stays";
}

TEST(FileSlotReplacement, ClosingWithoutCommitThrowsTheReplacementAway) {
  TemporaryFolder folder;
  const std::string target = folder / "texture";
  WriteBytes(target, "original");
  {
    FileSlots slots;
    ASSERT_TRUE(slots.CreateReplacement(2, target));
    PutAll(slots, 2, Pattern(9000));
    slots.CloseSlot(2);
    EXPECT_FALSE(slots.CommitReplacement(2)) << "nothing left to commit";

    ASSERT_TRUE(slots.CreateReplacement(2, target));
    PutAll(slots, 2, Pattern(9000));
    // Reopening the slot, and at last destroying the table, do the same.
    ASSERT_TRUE(slots.CreateReplacement(2, target));
    PutAll(slots, 2, Pattern(100));
  }
  EXPECT_EQ(ReadBytes(target), "original");
  EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"texture"});
}

TEST(FileSlotReplacement, OnlyRegularFilesAreReplaced) {
  TemporaryFolder folder;
  std::filesystem::create_directory(folder / "folder.tree.tga");
  std::vector<std::string> entries = {"folder.tree.tga"};
  FileSlots slots;
  EXPECT_FALSE(slots.CreateReplacement(2, folder / "folder.tree.tga"));
  EXPECT_FALSE(slots.CreateReplacement(2, folder / "missing folder/file"));
#ifndef _WIN32
  std::filesystem::create_symlink("elsewhere", folder / "link");
  entries.push_back("link");
  EXPECT_FALSE(slots.CreateReplacement(2, folder / "link"));
#endif
  EXPECT_FALSE(slots.IsOpen(2));
  EXPECT_EQ(FolderEntries(folder.Path()), entries);
}

// --- Whole-file copy --------------------------------------------------------

TEST(CopyWholeFile, CopiesEveryByteAndReplacesTheTarget) {
  TemporaryFolder folder;
  const std::string bytes = Pattern(200001);  // several copy chunks and a bit
  WriteBytes(folder / "a.tree.tga", bytes);
  MarkFile(folder / "a.tree.tga");
  WriteBytes(folder / "a.tree.tga_org", "an older, longer backup than needed ............");

  ASSERT_TRUE(CopyWholeFile(folder / "a.tree.tga", folder / "a.tree.tga_org"));
  EXPECT_TRUE(SameBytes(ReadBytes(folder / "a.tree.tga_org"), bytes));
  EXPECT_TRUE(IsMarked(folder / "a.tree.tga_org"));
  EXPECT_EQ(FolderEntries(folder.Path()), (std::vector<std::string>{"a.tree.tga", "a.tree.tga_org"}));

  WriteBytes(folder / "empty", "");
  ASSERT_TRUE(CopyWholeFile(folder / "empty", folder / "empty copy"));
  EXPECT_EQ(ReadBytes(folder / "empty copy"), "");
}

TEST(CopyWholeFile, FailsWithoutTraceWhenSourceOrTargetIsUnusable) {
  TemporaryFolder folder;
  EXPECT_FALSE(CopyWholeFile(folder / "missing", folder / "copy"));
  EXPECT_FALSE(CopyWholeFile("", folder / "copy"));

  WriteBytes(folder / "source", "bytes");
  EXPECT_FALSE(CopyWholeFile(folder / "source", ""));
  EXPECT_FALSE(CopyWholeFile(folder / "source", folder / "missing folder/copy"));
  std::filesystem::create_directory(folder / "source_org");
  EXPECT_FALSE(CopyWholeFile(folder / "source", folder / "source_org")) << "a folder is in the way";
  std::filesystem::create_directory(folder / "folder");
  EXPECT_FALSE(CopyWholeFile(folder / "folder", folder / "copy")) << "a folder is not copied";

  EXPECT_EQ(FolderEntries(folder.Path()), (std::vector<std::string>{"folder", "source", "source_org"}));
  EXPECT_TRUE(std::filesystem::is_empty(folder / "source_org"));
}

// --- Batches ----------------------------------------------------------------

// A texture's backup copy and its rewrite staged together: nothing in the
// folder changes until the commit, which puts both in place.
TEST(FileBatch, StagedFilesComeIntoPlaceOnlyAtTheCommit) {
  TemporaryFolder folder;
  const std::string texture = folder / "a.tree.tga";
  const std::string backup = folder / "a.tree.tga_org";
  const std::string original = Pattern(70000);
  const std::string rewrite = Pattern(262162).substr(3);
  WriteBytes(texture, original);
  MarkFile(texture);

  FileBatch batch;
  const int copy = batch.StageCopy(texture, backup);
  ASSERT_GE(copy, 0);
  EXPECT_TRUE(SameBytes(ReadBytes(batch.StagedPath(copy)), original)) << "the copy can be read before the commit";
  FileSlots slots;
  ASSERT_TRUE(slots.CreateReplacement(2, texture));
  PutAll(slots, 2, rewrite);
  const int replacement = slots.StageReplacement(2, batch, copy);
  ASSERT_GE(replacement, 0);
  EXPECT_FALSE(slots.IsOpen(2));

  EXPECT_EQ(batch.FileCount(), 2u);
  EXPECT_EQ(batch.StagedBytes(), static_cast<std::int64_t>(original.size() + rewrite.size()));
  EXPECT_TRUE(batch.Holds(backup));
  EXPECT_FALSE(batch.Holds(folder / "b.tree.tga_org"));
#ifdef _WIN32
  EXPECT_TRUE(batch.Holds(folder / "A.TREE.TGA_ORG")) << "the same file for the file system";
#else
  EXPECT_FALSE(batch.Holds(folder / "A.TREE.TGA_ORG")) << "another file for the file system";
#endif
  EXPECT_FALSE(std::filesystem::exists(backup));
  EXPECT_TRUE(SameBytes(ReadBytes(texture), original));
  EXPECT_FALSE(batch.InPlace(copy));

  batch.Commit();
  EXPECT_TRUE(batch.InPlace(copy));
  EXPECT_TRUE(batch.InPlace(replacement));
  EXPECT_TRUE(SameBytes(ReadBytes(backup), original));
  EXPECT_TRUE(SameBytes(ReadBytes(texture), rewrite));
  EXPECT_TRUE(IsMarked(backup));
  EXPECT_TRUE(IsMarked(texture));
  EXPECT_FALSE(batch.Holds(backup));
  EXPECT_EQ(FolderEntries(folder.Path()), (std::vector<std::string>{"a.tree.tga", "a.tree.tga_org"}));
}

// A copy that cannot be put in place keeps the file that depends on it from
// replacing its target; the other files of the batch are put in place.
TEST(FileBatch, FileWaitsForTheCopyItDependsOn) {
  TemporaryFolder folder;
  WriteBytes(folder / "a", "original a");
  WriteBytes(folder / "b", "original b");
  FileBatch batch;
  const int copy = batch.StageCopy(folder / "a", folder / "a_org");
  ASSERT_GE(copy, 0);
  FileSlots slots;
  ASSERT_TRUE(slots.CreateReplacement(2, folder / "a"));
  PutAll(slots, 2, "new a");
  const int dependent = slots.StageReplacement(2, batch, copy);
  ASSERT_TRUE(slots.CreateReplacement(2, folder / "b"));
  PutAll(slots, 2, "new b");
  const int independent = slots.StageReplacement(2, batch);
  ASSERT_GE(dependent, 0);
  ASSERT_GE(independent, 0);

  // The staged copy vanishes, as a file that another program removed.
  std::filesystem::remove(batch.StagedPath(copy));
  batch.Commit();
  EXPECT_FALSE(batch.InPlace(copy));
  EXPECT_FALSE(batch.InPlace(dependent));
  EXPECT_TRUE(batch.InPlace(independent));
  EXPECT_EQ(ReadBytes(folder / "a"), "original a");
  EXPECT_EQ(ReadBytes(folder / "b"), "new b");
  EXPECT_EQ(FolderEntries(folder.Path()), (std::vector<std::string>{"a", "b"})) << "no temporary file stays";
}

TEST(FileBatch, UncommittedFilesAreThrownAway) {
  TemporaryFolder folder;
  WriteBytes(folder / "a", "original a");
  {
    FileBatch batch;
    FileSlots slots;
    for (const bool cleared : {true, false}) {
      ASSERT_GE(batch.StageCopy(folder / "a", folder / "a_org"), 0);
      ASSERT_TRUE(slots.CreateReplacement(2, folder / "a"));
      PutAll(slots, 2, Pattern(5000));
      ASSERT_GE(slots.StageReplacement(2, batch), 0);
      EXPECT_EQ(FolderEntries(folder.Path()).size(), 3u);
      if (cleared) {
        batch.Clear();
        EXPECT_EQ(batch.FileCount(), 0u);
        EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"a"});
      }
    }
    // Destroying the batch does the same.
  }
  EXPECT_EQ(ReadBytes(folder / "a"), "original a");
  EXPECT_EQ(FolderEntries(folder.Path()), std::vector<std::string>{"a"});
}

// --- Temporary files --------------------------------------------------------

// Files and folders that merely carry the names that the program's own
// temporary files would get are neither used nor removed, whoever made them.
TEST(TemporaryFiles, NamesTakenByOthersAreLeftAlone) {
  TemporaryFolder folder;
  std::vector<std::string> entries = {"a.tree.tga", "a.tree.tga_org", "b.tree.tga"};
  for (std::uint64_t number = 0; number < 40; ++number) {
    const std::string name = TemporaryFileName(OwnProcessId(), number);
    if (number % 4 == 0) {
      std::filesystem::create_directory(folder / name);
    } else {
      WriteBytes(folder / name, "kept " + name);
    }
    entries.push_back(name);
  }
  for (const std::string name : {".treebane-slot2.tmp", ".treebane-copy.tmp"}) {
    WriteBytes(folder / name, "kept " + name);
    entries.push_back(name);
  }
  std::sort(entries.begin(), entries.end());
  WriteBytes(folder / "a.tree.tga", "a");
  WriteBytes(folder / "b.tree.tga", "b");

  ASSERT_TRUE(CopyWholeFile(folder / "a.tree.tga", folder / "a.tree.tga_org"));
  FileSlots slots;
  ASSERT_TRUE(slots.CreateReplacement(2, folder / "b.tree.tga"));
  PutAll(slots, 2, "new b");
  ASSERT_TRUE(slots.CommitReplacement(2));
  ASSERT_TRUE(slots.CreateReplacement(2, folder / "b.tree.tga"));
  slots.CloseSlot(2);  // thrown away

  EXPECT_EQ(ReadBytes(folder / "a.tree.tga_org"), "a");
  EXPECT_EQ(ReadBytes(folder / "b.tree.tga"), "new b");
  EXPECT_EQ(FolderEntries(folder.Path()), entries);
  for (const std::string& name : entries) {
    if (name.starts_with(".treebane-") && std::filesystem::is_regular_file(folder / name)) {
      EXPECT_EQ(ReadBytes(folder / name), "kept " + name);
    }
  }
}

// Only files under the temporary names of processes that have ended go.
TEST(TemporaryFiles, LeftoversOfEndedProcessesAreRemoved) {
  TemporaryFolder folder;
  const std::string leftover = TemporaryFileName(EndedProcessId, 3);
  const std::string otherLeftover = TemporaryFileName(EndedProcessId + 4, 0);
  std::vector<std::string> kept = {
      TemporaryFileName(OwnProcessId(), 5), ".treebane-slot2.tmp", ".treebane-copy.tmp",
      ".treebane-02000000000-3.tmp",        "a.tree.tga",
  };
#ifndef _WIN32
  kept.push_back(TemporaryFileName(static_cast<std::uint32_t>(::getppid()), 0));  // a process that still runs
#endif
  for (const std::string& name : kept) {
    WriteBytes(folder / name, "kept");
  }
  const std::string leftoverFolder = TemporaryFileName(EndedProcessId, 4);
  std::filesystem::create_directory(folder / leftoverFolder);
  kept.push_back(leftoverFolder);
  WriteBytes(folder / leftover, "left over");
  WriteBytes(folder / otherLeftover, "");
  std::sort(kept.begin(), kept.end());

  RemoveLeftoverTemporaryFiles(folder.Path().string());
  EXPECT_EQ(FolderEntries(folder.Path()), kept);
  for (const std::string& name : kept) {
    if (name != leftoverFolder) {
      EXPECT_EQ(ReadBytes(folder / name), "kept") << name;
    }
  }
}

}  // namespace
}  // namespace treebane
