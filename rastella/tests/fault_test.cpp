// Saves that cannot complete: failing writes, flushes, links and renames, a
// full disk, a process killed half way, and a user without write
// permission.  After each, the status line says what failed, every file
// that existed before is byte-identical (or, after a later save, completely
// replaced), and no temporary file is left.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>

#include "test_support.h"

namespace rastella {
namespace {

using testing::FolderEntries;
using Bytes = std::vector<std::uint8_t>;

struct ScriptRun {
  std::string output;
  int status = -1;  // exit status, or 128 + signal number
};

ScriptRun RunScript(const std::filesystem::path& folder, const std::string& script, const std::string& environment,
                    const std::string& prefix = "") {
  std::ofstream(folder / ".." / (folder.filename().string() + ".script")) << script;
  const std::string command = "cd '" + folder.string() + "' && " + environment + " " + prefix + " '" +
                              RASTELLA_SCRIPT_PATH + "' '../" + folder.filename().string() + ".script' 2>&1";
  ScriptRun run;
  FILE* pipe = ::popen(command.c_str(), "r");
  char buffer[4096];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) run.output.append(buffer, count);
  const int status = ::pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  // The shell reports a killed child as 128 + its signal number.
  return run;
}

const std::string kSaveAll = "click rock.tga\nview\nsave-tga\nsave-ztf\nsave-alpha\ntexts\n";

// A folder holding rock.tga and an earlier file under each saver's name.
struct SaveFolder {
  testing::TempFolder outer;
  std::filesystem::path path = outer / "images";
  std::map<std::string, Bytes> before;

  explicit SaveFolder(int size = 64) {
    std::filesystem::create_directory(path);
    const testing::TestImage image = testing::StructuredImage(size, size, 3);
    Put("rock.tga", testing::TgaFile(2, 32, 0x28, size, size, testing::StoreTgaPixels(image, 2, true)));
    for (const char* earlier : {"TGA-rock.tga", "ZTF-rock.tga", "ALPHA-rock.tga"}) {
      Put(earlier, Bytes(100, static_cast<std::uint8_t>(earlier[0])));
    }
  }
  void Put(const std::string& name, const Bytes& bytes) {
    testing::WriteBytes(path / name, bytes);
    before[name] = bytes;
  }
  // Every file is as it was, and nothing else is in the folder.
  void ExpectUnchanged() const {
    std::vector<std::string> names;
    for (const auto& [name, bytes] : before) {
      names.push_back(name);
      EXPECT_EQ(testing::ReadBytes(path / name), bytes) << name;
    }
    EXPECT_EQ(FolderEntries(path), names);
  }
};

std::string Shim() { return "LD_PRELOAD='" RASTELLA_FAULT_SHIM "'"; }

TEST(SaveFaults, FailingCallsAreReportedAndLoseNothing) {
  for (const char* fault : {"write-eio", "write-enospc", "fsync", "link", "rename"}) {
    SCOPED_TRACE(fault);
    SaveFolder folder;
    const ScriptRun run = RunScript(folder.path, kSaveAll, Shim() + " RASTELLA_FAULT=" + fault);
    EXPECT_EQ(run.status, 0);
    EXPECT_NE(run.output.find("SAVING  :  TGA-rock.tga\nERROR  :  Cannot write TGA-rock.tga\n"), std::string::npos)
        << run.output;
    EXPECT_NE(run.output.find(">\nERROR  :  Cannot write ZTF-rock.tga\n"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("SAVING  :  ALPHA-rock.tga\nERROR  :  Cannot write ALPHA-rock.tga\n"), std::string::npos);
    EXPECT_EQ(run.output.find("SAVED AS"), std::string::npos);
    folder.ExpectUnchanged();
  }
}

TEST(SaveFaults, AProcessKilledWhileSavingLeavesTheEarlierFile) {
  SaveFolder folder;
  ScriptRun run = RunScript(folder.path, kSaveAll, Shim() + " RASTELLA_FAULT=kill-in-write");
  EXPECT_EQ(run.status, 128 + SIGKILL);
  folder.ExpectUnchanged();

  // Killed after the new file got its temporary name: the earlier file is
  // still whole, and the next save clears the leftover away.
  run = RunScript(folder.path, kSaveAll, Shim() + " RASTELLA_FAULT=kill-before-rename");
  EXPECT_EQ(run.status, 128 + SIGKILL);
  for (const auto& [name, bytes] : folder.before) {
    EXPECT_EQ(testing::ReadBytes(folder.path / name), bytes) << name;
  }
  run = RunScript(folder.path, kSaveAll, "");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(FolderEntries(folder.path),
            (std::vector<std::string>{"ALPHA-rock.tga", "TGA-rock.tga", "ZTF-rock.tga", "rock.tga"}));
  EXPECT_EQ(testing::ReadBytes(folder.path / "TGA-rock.tga"), folder.before.at("rock.tga"));
}

TEST(SaveFaults, WithoutUnnamedFilesNamedTemporariesAreUsedAndCleanedUp) {
  SaveFolder folder;
  // A killed save leaves its named temporary file; the next run removes it.
  ScriptRun run = RunScript(folder.path, kSaveAll, Shim() + " RASTELLA_FAULT=no-tmpfile,kill-before-rename");
  EXPECT_EQ(run.status, 128 + SIGKILL);
  std::vector<std::string> entries = FolderEntries(folder.path);
  ASSERT_EQ(entries.size(), folder.before.size() + 1);
  EXPECT_EQ(entries.front().rfind(".rastella-", 0), 0u) << entries.front();
  for (const auto& [name, bytes] : folder.before) EXPECT_EQ(testing::ReadBytes(folder.path / name), bytes) << name;

  // Failing writes remove the temporary files that they created.
  run = RunScript(folder.path, kSaveAll, Shim() + " RASTELLA_FAULT=no-tmpfile,write-eio");
  EXPECT_NE(run.output.find("ERROR  :  Cannot write TGA-rock.tga\n"), std::string::npos) << run.output;
  folder.ExpectUnchanged();

  run = RunScript(folder.path, kSaveAll, Shim() + " RASTELLA_FAULT=no-tmpfile");
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.output.find("ERROR"), std::string::npos) << run.output;
  EXPECT_EQ(FolderEntries(folder.path),
            (std::vector<std::string>{"ALPHA-rock.tga", "TGA-rock.tga", "ZTF-rock.tga", "rock.tga"}));
  EXPECT_EQ(testing::ReadBytes(folder.path / "TGA-rock.tga"), folder.before.at("rock.tga"));
}

TEST(SaveFaults, AFullDiskIsReportedAndLosesNothing) {
  SaveFolder folder(150);
  const std::filesystem::path disk = folder.outer / "disk";
  std::filesystem::create_directory(disk);
  // Room for the image and the earlier files, not for a new saved file.
  if (::mount("tmpfs", disk.c_str(), "tmpfs", 0, "size=100k") != 0) {
    GTEST_SKIP() << "cannot mount a small tmpfs here (" << std::strerror(errno) << "); full-disk test skipped";
  }
  struct Unmount {
    std::string path;
    ~Unmount() { ::umount(path.c_str()); }
  } unmount{disk.string()};
  for (const auto& [name, bytes] : folder.before) testing::WriteBytes(disk / name, bytes);
  std::filesystem::remove_all(folder.path);
  folder.path = disk;
  const ScriptRun run = RunScript(folder.path, kSaveAll, "");
  EXPECT_NE(run.output.find("ERROR  :  Cannot write TGA-rock.tga\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("ERROR  :  Cannot write ZTF-rock.tga\n"), std::string::npos) << run.output;
  folder.ExpectUnchanged();
}

TEST(SaveFaults, AUserWithoutWritePermissionIsRefused) {
  SaveFolder folder;
  ASSERT_EQ(::chmod(folder.outer.Path().c_str(), 0755), 0);
  for (const auto& [name, bytes] : folder.before) ::chmod((folder.path / name).c_str(), 0644);
  const std::string asNobody = "setpriv --reuid=65534 --regid=65534 --clear-groups";
  if (RunScript(folder.path, "status\n", "", asNobody).output != "Select a file from green list\n") {
    GTEST_SKIP() << "cannot run rastella-script as user 65534 here; permission test skipped";
  }
  // A read-only folder: nothing can be created in it.
  ASSERT_EQ(::chmod(folder.path.c_str(), 0555), 0);
  ScriptRun run = RunScript(folder.path, kSaveAll, "", asNobody);
  EXPECT_NE(run.output.find("ERROR  :  Cannot write TGA-rock.tga\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("ERROR  :  Cannot write ALPHA-rock.tga\n"), std::string::npos) << run.output;
  folder.ExpectUnchanged();

  // A writable folder with a read-only earlier file: that file is kept,
  // while a writable one is replaced.
  ASSERT_EQ(::chmod(folder.path.c_str(), 0777), 0);
  ASSERT_EQ(::chmod((folder.path / "TGA-rock.tga").c_str(), 0444), 0);
  ASSERT_EQ(::chmod((folder.path / "ZTF-rock.tga").c_str(), 0666), 0);
  run = RunScript(folder.path, kSaveAll, "", asNobody);
  EXPECT_NE(run.output.find("ERROR  :  Cannot write TGA-rock.tga\n"), std::string::npos) << run.output;
  EXPECT_NE(run.output.find("SAVED AS  :  ZTF-rock.tga\n"), std::string::npos) << run.output;
  EXPECT_EQ(testing::ReadBytes(folder.path / "TGA-rock.tga"), folder.before.at("TGA-rock.tga"));
}

}  // namespace
}  // namespace rastella
