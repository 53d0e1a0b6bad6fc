// Where the savers write: targets of the longest legal names, targets that
// are symbolic links, and the temporary files beside them, whose names must
// never cost the target its length nor touch a file of the user's.

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>

#ifdef _WIN32
#include <process.h>
#include <windows.h>
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "test_support.h"

namespace rastella {
namespace {

using testing::FolderEntries;
using testing::TestImage;
using testing::Viewer;
using Bytes = std::vector<std::uint8_t>;

struct Saver {
  std::string prefix;
  void (MainForm::*click)();
};

const std::vector<Saver> kSavers = {
    {"TGA-", &MainForm::Command3_Click},
    {"ZTF-", &MainForm::Command4_Click},
    {"ALPHA-", &MainForm::Command5_Click},
};

Bytes Rgba(const TestImage& image) {
  return testing::TgaFile(2, 32, 0x28, image.width, image.height, testing::StoreTgaPixels(image, 2, true));
}

// The bytes that `saver` must write for `image` loaded from Rgba(image).
Bytes Expected(const Saver& saver, const TestImage& image) {
  if (saver.prefix == "TGA-") return Rgba(image);
  if (saver.prefix == "ZTF-") return testing::ReferenceZtf(image, true);
  return testing::TgaFile(3, 8, 0x20, image.width, image.height, image.alpha);
}

long OwnProcessId() {
#ifdef _WIN32
  return _getpid();
#else
  return ::getpid();
#endif
}

std::string TemporaryName(long owner, int number) {
  return ".rastella-" + std::to_string(owner) + "-" + std::to_string(number) + ".part";
}

TEST(SaveTargets, EveryNameUpToTheFileSystemLimitSaves) {
  const TestImage image = testing::StructuredImage(5, 4, 40);
  for (std::size_t targetLength = 250; targetLength <= 256; ++targetLength) {
    for (const Saver& saver : kSavers) {
      SCOPED_TRACE(saver.prefix + " target of " + std::to_string(targetLength) + " bytes");
      Viewer viewer;
      const std::string source = std::string(targetLength - saver.prefix.size() - 4, 'n') + ".tga";
      const std::string target = saver.prefix + source;
      ASSERT_EQ(target.size(), targetLength);
      viewer.AddFile(source, Rgba(image));
      viewer.Open(source);
      ASSERT_TRUE(viewer.State().ImageLoaded);
      (viewer.form.*saver.click)();
      if (targetLength <= 255) {
        EXPECT_EQ(viewer.window.StatusText(), "SAVED AS  :  " + target);
        EXPECT_EQ(viewer.FileBytes(target), Expected(saver, image));
        EXPECT_EQ(FolderEntries(viewer.folder.Path()), (std::vector<std::string>{saver.prefix + source, source}));
      } else {
        // One byte past the limit the name itself is refused, and nothing
        // is left behind.
        EXPECT_EQ(viewer.window.StatusText(), "ERROR  :  Cannot write " + target);
        EXPECT_EQ(FolderEntries(viewer.folder.Path()), std::vector<std::string>{source});
      }
    }
  }
}

TEST(SaveTargets, FilesNamedLikeTemporariesAreNeverTouched) {
  Viewer viewer;
  const TestImage image = testing::NoiseImage(3, 3, 41);
  viewer.AddFile("rock.tga", Rgba(image));
  viewer.Open("rock.tga");
  // Names of this process's own temporary pattern (fewer than a save tries)
  // and names that only look like it.
  std::vector<std::string> userFiles = {".rastella-.part",         ".rastella-12-.part",    ".rastella-x-1.part",
                                        ".rastella-12-1.part.tga", ".TGA-rock.tga.12.part", "rastella-12-1.part"};
  for (int number = 0; number < 50; ++number) userFiles.push_back(TemporaryName(OwnProcessId(), number));
  for (const std::string& name : userFiles) testing::WriteBytes(viewer.folder / name, {7, 7});
  for (const Saver& saver : kSavers) {
    (viewer.form.*saver.click)();
    EXPECT_EQ(viewer.window.StatusText(), "SAVED AS  :  " + saver.prefix + "rock.tga");
    EXPECT_EQ(viewer.FileBytes(saver.prefix + "rock.tga"), Expected(saver, image));
  }
  for (const std::string& name : userFiles) EXPECT_EQ(viewer.FileBytes(name), (Bytes{7, 7})) << name;
  EXPECT_EQ(FolderEntries(viewer.folder.Path()).size(), userFiles.size() + 4);
}

// A child process that runs until the end of the scope, and the id of one
// that has ended.
#ifdef _WIN32
class RunningProcess {
 public:
  RunningProcess() {
    // Created suspended, it runs nothing and cannot end by itself.
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    char command[] = "cmd.exe /c exit";
    ::CreateProcessA(nullptr, command, nullptr, nullptr, FALSE, CREATE_SUSPENDED, nullptr, nullptr, &startup,
                     &process_);
  }
  ~RunningProcess() {
    ::TerminateProcess(process_.hProcess, 0);
    ::CloseHandle(process_.hThread);
    ::CloseHandle(process_.hProcess);
  }
  long Id() const { return static_cast<long>(process_.dwProcessId); }

 private:
  PROCESS_INFORMATION process_{};
};

long EndedProcessId() {
  long id = 0;
  {
    RunningProcess process;
    id = process.Id();
  }
  return id;
}
#else
class RunningProcess {
 public:
  RunningProcess() : id_(::fork()) {
    if (id_ == 0) {
      ::pause();
      ::_exit(0);
    }
  }
  ~RunningProcess() {
    ::kill(id_, SIGKILL);
    ::waitpid(id_, nullptr, 0);
  }
  long Id() const { return id_; }

 private:
  pid_t id_;
};

long EndedProcessId() {
  const pid_t child = ::fork();
  if (child == 0) ::_exit(0);
  ::waitpid(child, nullptr, 0);
  return child;
}
#endif

TEST(SaveTargets, LeftoversOfEndedProcessesAreRemovedAndThoseOfRunningOnesKept) {
  Viewer viewer;
  viewer.AddFile("rock.tga", Rgba(testing::NoiseImage(3, 3, 42)));
  viewer.Open("rock.tga");
  const RunningProcess running;
  ASSERT_GT(running.Id(), 0);
  const std::string endedLeftover = TemporaryName(EndedProcessId(), 0);
  const std::string runningLeftover = TemporaryName(running.Id(), 0);
  testing::WriteBytes(viewer.folder / endedLeftover, {1});
  testing::WriteBytes(viewer.folder / runningLeftover, {2});
  viewer.form.Command3_Click();
  EXPECT_EQ(viewer.window.StatusText(), "SAVED AS  :  TGA-rock.tga");
  EXPECT_FALSE(std::filesystem::exists(viewer.folder / endedLeftover));
  EXPECT_EQ(viewer.FileBytes(runningLeftover), Bytes{2});
}

#ifndef _WIN32

// A folder with a saved image loaded and a second folder beside it, for
// links that lead out of the viewer's folder.
struct LinkFolder {
  Viewer viewer;
  testing::TempFolder elsewhere;
  TestImage image = testing::StructuredImage(6, 5, 43);

  LinkFolder() {
    viewer.AddFile("rock.tga", Rgba(image));
    viewer.Open("rock.tga");
  }
  std::filesystem::path In(const std::string& name) const { return viewer.folder / name; }
};

TEST(SaveThroughLinks, TheLinkStaysAndTheFileItNamesIsReplaced) {
  namespace fs = std::filesystem;
  for (const Saver& saver : kSavers) {
    SCOPED_TRACE(saver.prefix);
    LinkFolder folder;
    const std::string target = saver.prefix + "rock.tga";
    // A relative link into a subfolder, an absolute link to another folder,
    // and a chain of two links.
    fs::create_directory(folder.In("real"));
    const std::vector<std::pair<fs::path, fs::path>> cases = {
        {"real/kept.tga", folder.In("real/kept.tga")},
        {folder.elsewhere / "kept.tga", folder.elsewhere / "kept.tga"},
        {"chain", folder.In("real/end.tga")},
    };
    fs::create_symlink("real/end.tga", folder.In("chain"));
    for (const auto& [linkText, file] : cases) {
      SCOPED_TRACE(linkText.string());
      testing::WriteBytes(file, Bytes(3000, 0xEE));
      fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
      fs::remove(folder.In(target));
      fs::create_symlink(linkText, folder.In(target));
      (folder.viewer.form.*saver.click)();
      EXPECT_EQ(folder.viewer.window.StatusText(), "SAVED AS  :  " + target);
      ASSERT_TRUE(fs::is_symlink(folder.In(target)));
      EXPECT_EQ(fs::read_symlink(folder.In(target)), linkText);
      EXPECT_EQ(testing::ReadBytes(file), Expected(saver, folder.image));
      EXPECT_EQ(fs::status(file).permissions(), fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
      for (const std::string& entry : FolderEntries(file.parent_path())) {
        EXPECT_NE(entry.front(), '.') << "no temporary file is left beside the file";
      }
    }
    EXPECT_EQ(FolderEntries(folder.viewer.folder.Path()),
              (std::vector<std::string>{target, "chain", "real", "rock.tga"}));
  }
}

TEST(SaveThroughLinks, ALinkToNothingOrToNoRegularFileIsRefusedAndNothingChanges) {
  namespace fs = std::filesystem;
  for (const Saver& saver : kSavers) {
    SCOPED_TRACE(saver.prefix);
    const std::string target = saver.prefix + "rock.tga";
    const std::vector<std::pair<std::string, std::function<void(LinkFolder&)>>> cases = {
        {"dangling", [&](LinkFolder& f) { fs::create_symlink("missing.tga", f.In(target)); }},
        {"dangling into a missing folder", [&](LinkFolder& f) { fs::create_symlink("no/such.tga", f.In(target)); }},
        {"to a folder",
         [&](LinkFolder& f) {
           fs::create_directory(f.In("sub"));
           fs::create_symlink("sub", f.In(target));
         }},
        {"to a device", [&](LinkFolder& f) { fs::create_symlink("/dev/null", f.In(target)); }},
        {"in a loop",
         [&](LinkFolder& f) {
           fs::create_symlink("loop.tga", f.In(target));
           fs::create_symlink(target, f.In("loop.tga"));
         }},
    };
    for (const auto& [description, make] : cases) {
      SCOPED_TRACE(description);
      LinkFolder folder;
      make(folder);
      const auto entries = FolderEntries(folder.viewer.folder.Path());
      const fs::path linkText = fs::read_symlink(folder.In(target));
      (folder.viewer.form.*saver.click)();
      EXPECT_EQ(folder.viewer.window.StatusText(), "ERROR  :  Cannot write " + target);
      EXPECT_EQ(FolderEntries(folder.viewer.folder.Path()), entries);
      ASSERT_TRUE(fs::is_symlink(folder.In(target)));
      EXPECT_EQ(fs::read_symlink(folder.In(target)), linkText);
      EXPECT_FALSE(fs::exists(folder.In("missing.tga")));
      EXPECT_TRUE(folder.viewer.State().ImageLoaded);
    }
  }
}

#endif  // _WIN32

}  // namespace
}  // namespace rastella
