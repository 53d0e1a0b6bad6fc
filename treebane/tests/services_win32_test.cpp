// What the Windows services must do beyond the portable contract: read-only
// files, device names, 8.3 short names, standard handles that are not open,
// and the console's control events.

#include "services/console.h"
#include "services/console_win32.h"
#include "services/directory_scan.h"
#include "services/file_slots.h"

#include "test_files.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

namespace treebane {
namespace {

using testing::FolderEntries;
using testing::ReadBytes;
using testing::TemporaryFolder;
using testing::WriteBytes;
using Names = std::vector<std::string>;

void SetReadOnly(const std::string& path, bool readOnly) {
  ::SetFileAttributesA(path.c_str(), readOnly ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
}

TEST(Win32FileSlots, ReadOnlyFilesAreNeverReplaced) {
  TemporaryFolder folder;
  const std::string target = folder / "a.tree.tga";
  WriteBytes(target, "original");
  WriteBytes(folder / "source", "new bytes");
  SetReadOnly(target, true);

  EXPECT_FALSE(MayReplace(target));
  FileSlots slots;
  EXPECT_FALSE(slots.CreateReplacement(2, target));
  EXPECT_FALSE(CopyWholeFile(folder / "source", target));
  EXPECT_EQ(ReadBytes(target), "original");

  // A read-only source gives a read-only copy, flushed all the same.
  EXPECT_TRUE(CopyWholeFile(target, folder / "a.tree.tga_org"));
  EXPECT_EQ(ReadBytes(folder / "a.tree.tga_org"), "original");
  EXPECT_FALSE(MayReplace(folder / "a.tree.tga_org"));
  EXPECT_EQ(FolderEntries(folder.Path()), (Names{"a.tree.tga", "a.tree.tga_org", "source"}));

  SetReadOnly(target, false);
  SetReadOnly(folder / "a.tree.tga_org", false);
}

TEST(Win32FileSlots, DevicesAreNoFiles) {
  FileSlots slots;
  EXPECT_FALSE(slots.OpenForReading(0, "NUL"));
  EXPECT_FALSE(slots.OpenForReading(0, "CON"));
  EXPECT_EQ(slots.GetByte(0), 0);
}

// FindFirstFileA matches a pattern against short names too: "x.tgax" is
// listed for "*.tga" through a short name such as "X~1.TGA".
TEST(Win32DirectoryScan, NamesMatchingOnlyThroughTheirShortNameAreLeftOut) {
  TemporaryFolder folder;
  for (const char* name : {"x.tgax", "y.tga", "Z.TGA", "w.tga.bak"}) {
    WriteBytes(folder / name, "");
  }
  ScanHandle scan = BeginScan(folder.Path().string(), "*.tga");
  Names names;
  while (NextMatch(scan.get())) {
    names.push_back(MatchName(scan.get()));
  }
  EndScan(scan);
  EXPECT_EQ(names, (Names{"Z.TGA", "y.tga"}));

  // The case above only means something where the platform's listing
  // offers the long names through their short ones.
  WIN32_FIND_DATAA entry{};
  const HANDLE listing = ::FindFirstFileA((folder / "*.tga").c_str(), &entry);
  ASSERT_NE(listing, INVALID_HANDLE_VALUE);
  Names listed;
  do {
    listed.push_back(entry.cFileName);
  } while (::FindNextFileA(listing, &entry) != 0);
  ::FindClose(listing);
  EXPECT_NE(std::find(listed.begin(), listed.end(), "x.tgax"), listed.end())
      << "the listing itself matched by long names only";
}

// Names reach the file system exactly as the listing gives them, in UTF-8,
// whatever the ANSI code page: no look-alike turns into a separator and no
// letter outside the code page turns into its nearest ASCII letter.
TEST(Win32Names, ListedNamesOpenExactlyTheFilesTheyName) {
  TemporaryFolder folder;
  const std::string base = folder.Path().string() + "\\";
  const Names names{"..\uff3cv.tree.tga",    "a.tree.tga",     "\u00e9.tree.tga", "\u03b1.tree.tga",
                    "\u65e5\u672c.tree.tga", "\uff41.tree.tga"};
  FileSlots slots;
  for (const std::string& name : names) {
    ASSERT_TRUE(slots.CreateForWriting(0, base + name)) << name;
    for (const char byte : name) {
      slots.PutByte(0, byte);
    }
    slots.CloseSlot(0);
  }
  ScanHandle scan = BeginScan(base, "*.tree.tga");
  Names listed;
  while (NextMatch(scan.get())) {
    listed.push_back(MatchName(scan.get()));
  }
  EndScan(scan);
  EXPECT_EQ(listed, names);  // byte order, as everywhere
  for (const std::string& name : listed) {
    ASSERT_TRUE(slots.OpenForReading(1, base + name)) << name;
    std::string content;
    for (std::size_t index = 0; index < name.size(); ++index) {
      content += static_cast<char>(slots.GetByte(1));
    }
    EXPECT_EQ(content, name);
    EXPECT_TRUE(PathExists(base + name));
  }
  slots.CloseSlot(1);
  // Text that is not UTF-8 names no file.
  EXPECT_FALSE(slots.OpenForReading(1, base + "\xe9.tree.tga"));
  EXPECT_FALSE(slots.CreateForWriting(1, base + "\xed\xa0\x80.tree.tga"));
  EXPECT_TRUE(WorkingDirectoryRefusal().empty());
}

// A backup whose name differs in letter case only belongs to another
// texture: it is never opened for this one, whether the folder tells letter
// case apart (then it is not there) or not (then it is someone else's).
TEST(Win32Names, AFileOfAnotherLetterCaseIsNeverOpened) {
  TemporaryFolder folder;
  const std::string base = folder.Path().string() + "\\";
  FileSlots slots;
  ASSERT_TRUE(slots.CreateForWriting(0, base + "A.tree.tga_org"));
  slots.PutByte(0, 'A');
  slots.CloseSlot(0);
  EXPECT_TRUE(slots.OpenForReading(0, base + "A.tree.tga_org"));
  EXPECT_FALSE(slots.OpenForReading(1, base + "a.tree.tga_org"));
  EXPECT_EQ(slots.GetByte(1), 0);
  slots.CloseAllSlots();
}

// Puts handles in place of the standard ones for the lifetime of the object
// and prepares the console on them; the old ones come back at the end.
class StandardHandles {
 public:
  StandardHandles(HANDLE input, HANDLE output)
      : savedInput_(::GetStdHandle(STD_INPUT_HANDLE)), savedOutput_(::GetStdHandle(STD_OUTPUT_HANDLE)) {
    ::SetStdHandle(STD_INPUT_HANDLE, input);
    ::SetStdHandle(STD_OUTPUT_HANDLE, output);
    InitConsole();
  }
  ~StandardHandles() {
    ::SetStdHandle(STD_INPUT_HANDLE, savedInput_);
    ::SetStdHandle(STD_OUTPUT_HANDLE, savedOutput_);
    InitConsole();
  }
  StandardHandles(const StandardHandles&) = delete;
  StandardHandles& operator=(const StandardHandles&) = delete;

 private:
  HANDLE savedInput_;
  HANDLE savedOutput_;
};

// A handle value that was closed before the start may be handed out again
// for a file that the program opens; the console text must not land there.
TEST(Win32Console, StandardHandlesThatAreNotOpenAreNeverUsed) {
  TemporaryFolder folder;
  const std::string path = folder / "texture";
  WriteBytes(path, "");
  const HANDLE closed = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(closed, INVALID_HANDLE_VALUE);
  ::CloseHandle(closed);
  {
    StandardHandles stale(closed, closed);
    const HANDLE reused = ::CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(reused, INVALID_HANDLE_VALUE);
    WriteLine("console text");
    EXPECT_EQ(ReadLine(), "") << "no input: the empty text at once";
    ::CloseHandle(reused);
  }
  EXPECT_EQ(ReadBytes(path), "");

  StandardHandles none(nullptr, INVALID_HANDLE_VALUE);
  WriteLine("console text");
  EXPECT_EQ(ReadLine(), "");
}

// The platform sends the close event only to a process whose console window
// is closed, so a child program calls the handler itself (see
// console_event_child.cpp); its exit status tells how far it got.
DWORD RunConsoleEventChild(const std::string& folder, DWORD event) {
  char testProgram[MAX_PATH];
  const DWORD length = ::GetModuleFileNameA(nullptr, testProgram, MAX_PATH);
  std::string child(testProgram, length);
  child.erase(child.find_last_of("\\/") + 1);
  child += "treebane_console_event_child.exe";
  std::string commandLine = "\"" + child + "\" \"" + folder + "\" " + std::to_string(event);

  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (::CreateProcessA(child.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                       &process) == 0) {
    return 100;
  }
  DWORD status = 101;
  if (::WaitForSingleObject(process.hProcess, 60000) == WAIT_OBJECT_0) {
    ::GetExitCodeProcess(process.hProcess, &status);
  }
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return status;
}

TEST(Win32ConsoleEvent, UnfinishedFilesVanishAndNothingIsCommittedAfterwards) {
  for (const DWORD event : {DWORD{CTRL_CLOSE_EVENT}, DWORD{CTRL_C_EVENT}, DWORD{CTRL_BREAK_EVENT}}) {
    SCOPED_TRACE("event " + std::to_string(event));
    TemporaryFolder folder;
    WriteBytes(folder / "a.tree.tga", "original a");
    WriteBytes(folder / "b.tree.tga", "original b");
    EXPECT_EQ(RunConsoleEventChild(folder.Path().string(), event), 0u);
    EXPECT_EQ(ReadBytes(folder / "a.tree.tga"), "original a");
    EXPECT_EQ(ReadBytes(folder / "b.tree.tga"), "original b");
    EXPECT_EQ(FolderEntries(folder.Path()), (Names{"a.tree.tga", "b.tree.tga"}));
  }
}

}  // namespace
}  // namespace treebane
