// The built program where the system refuses: a disk too full for a backup
// or a rewrite, and a user without root's power over read-only files and
// folders. Both need root to set up (a mount, a change of user); where that
// is not allowed the tests are skipped and say why.

#include "program_runner.h"
#include "texture_fixtures.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

namespace treebane::testing {
namespace {

using Names = std::vector<std::string>;

// A tmpfs mounted over a folder for the lifetime of the object, when the
// system allows it.
class MountedTmpfs {
 public:
  explicit MountedTmpfs(const std::filesystem::path& folder) : folder_(folder) {
    if (::mount("tmpfs", folder_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV | MS_NOEXEC, "size=2m") == 0) {
      mounted_ = true;
    } else {
      error_ = errno;
    }
  }
  ~MountedTmpfs() {
    if (mounted_ && ::umount2(folder_.c_str(), 0) != 0) {
      ::umount2(folder_.c_str(), MNT_DETACH);
    }
  }
  MountedTmpfs(const MountedTmpfs&) = delete;
  MountedTmpfs& operator=(const MountedTmpfs&) = delete;

  bool Mounted() const { return mounted_; }
  int Error() const { return error_; }

 private:
  std::filesystem::path folder_;
  bool mounted_ = false;
  int error_ = 0;
};

struct Space {
  std::uint64_t blockSize = 0;
  std::uint64_t freeBlocks = 0;
};

Space FreeSpace(const std::filesystem::path& folder) {
  struct statvfs status {};
  if (::statvfs(folder.c_str(), &status) != 0) {
    throw std::runtime_error("cannot ask for the free space of " + folder.string());
  }
  return {status.f_frsize, status.f_bavail};
}

// Fills the file system of `folder` with the file "filler" until only
// `blocks` blocks are free.
void LeaveFreeBlocks(const std::filesystem::path& folder, std::uint64_t blocks) {
  const std::string filler = (folder / "filler").string();
  std::filesystem::remove(filler);
  const Space space = FreeSpace(folder);
  ASSERT_GT(space.freeBlocks, blocks);
  WriteBytes(filler, std::string((space.freeBlocks - blocks) * space.blockSize, 'f'));
  ASSERT_EQ(FreeSpace(folder).freeBlocks, blocks);
}

// A texture a.tree.tga without a backup and b.tree.tga with one, on a disk
// that first has room for neither a backup nor a rewrite, then for a backup
// but not for a rewrite besides, and at last for everything.
TEST(FullDisk, TexturesThatDoNotFitAreLeftUnchanged) {
  TemporaryFolder folder;
  const MountedTmpfs disk(folder.Path());
  if (!disk.Mounted()) {
    GTEST_SKIP() << "cannot mount a tmpfs here (" << std::strerror(disk.Error())
                 << "): the full-disk test needs root with the right to mount";
  }
  const std::string mask = MakeMask(50, 0.5);
  const std::string a = MakeTexture(51);
  const std::string b = MakeTexture(52);
  WriteBytes(folder / "treebane.data", mask);
  WriteBytes(folder / "a.tree.tga", a);
  WriteBytes(folder / "b.tree.tga", b);
  WriteBytes(folder / "b.tree.tga_org", b);
  const Names before = {"a.tree.tga", "b.tree.tga", "b.tree.tga_org", "filler", "treebane.data"};
  const std::uint64_t blockSize = FreeSpace(folder.Path()).blockSize;
  const std::uint64_t textureBlocks = (TextureSize + blockSize - 1) / blockSize;

  {
    SCOPED_TRACE("room for half a texture");
    ASSERT_NO_FATAL_FAILURE(LeaveFreeBlocks(folder.Path(), textureBlocks / 2));
    const RunResult result = RunTreebane(folder.Path());
    EXPECT_TRUE(EndedNormally(result.status));
    EXPECT_EQ(result.output,
              Transcript({"", "Saving a.tree.tga", LeftUnchanged("a.tree.tga"),  //
                          "", "b.tree.tga_org allready excists", "Processing b.tree.tga", LeftUnchanged("b.tree.tga")},
                         2, 0));
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "a.tree.tga"), a));
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "b.tree.tga"), b));
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "b.tree.tga_org"), b));
    EXPECT_EQ(FolderEntries(folder.Path()), before) << "no temporary file stays";
  }
  {
    SCOPED_TRACE("room for one and a half textures");
    ASSERT_NO_FATAL_FAILURE(LeaveFreeBlocks(folder.Path(), textureBlocks + textureBlocks / 2));
    const RunResult result = RunTreebane(folder.Path());
    EXPECT_TRUE(EndedNormally(result.status));
    EXPECT_EQ(result.output,
              Transcript({"", "Saving a.tree.tga", "Processing a.tree.tga", LeftUnchanged("a.tree.tga"), "",
                          "b.tree.tga_org allready excists", "Processing b.tree.tga", LeftUnchanged("b.tree.tga")},
                         2, 0));
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "a.tree.tga"), a));
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "a.tree.tga_org"), a));
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "b.tree.tga"), b));
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "b.tree.tga_org"), b));
    EXPECT_EQ(FolderEntries(folder.Path()),
              (Names{"a.tree.tga", "a.tree.tga_org", "b.tree.tga", "b.tree.tga_org", "filler", "treebane.data"}))
        << "no temporary file stays";
  }
  {
    SCOPED_TRACE("room for everything");
    std::filesystem::remove(folder / "filler");
    const MaskedTexture aMasked = ApplyMask(a, a, mask);
    const MaskedTexture bMasked = ApplyMask(b, b, mask);
    const RunResult result = RunTreebane(folder.Path());
    EXPECT_TRUE(EndedNormally(result.status));
    EXPECT_EQ(result.output, Transcript({"", "a.tree.tga_org allready excists", "Processing a.tree.tga",  //
                                         "", "b.tree.tga_org allready excists", "Processing b.tree.tga"},
                                        2, aMasked.cleared + bMasked.cleared));
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "a.tree.tga"), aMasked.bytes));
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "b.tree.tga"), bMasked.bytes));
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "a.tree.tga_org"), a));
    EXPECT_TRUE(SameBytes(ReadBytes(folder / "b.tree.tga_org"), b));
  }
}

// ---------------------------------------------------------------------------

constexpr uid_t OtherUserId = 65534;

// Runs the program as uid and gid 65534 in a folder that this user owns.
class OtherUser : public ::testing::Test {
 protected:
  void SetUp() override {
    if (::geteuid() != 0) {
      GTEST_SKIP() << "only root can run the program as uid " << OtherUserId;
    }
    ASSERT_EQ(::chmod(folder_.Path().c_str(), 0755), 0);
    const std::string probe = "setpriv --reuid=65534 --regid=65534 --clear-groups -- test -x '" TREEBANE_PROGRAM
                              "' -a -x '" +
                              folder_.Path().string() + "' 2>/dev/null";
    if (std::system(probe.c_str()) != 0) {
      GTEST_SKIP() << "setpriv cannot start the program as uid " << OtherUserId << " in " << folder_.Path()
                   << ": setpriv missing, no right to change the user, or the program or the folder out of "
                      "that user's reach";
    }
    ASSERT_EQ(::chown(folder_.Path().c_str(), OtherUserId, OtherUserId), 0);
    mask_ = MakeMask(60, 0.5);
    AddFile("treebane.data", mask_, 0644);
  }

  void AddFile(const std::string& name, const std::string& bytes, mode_t mode) {
    WriteBytes(folder_ / name, bytes);
    ASSERT_EQ(::chown((folder_ / name).c_str(), OtherUserId, OtherUserId), 0);
    ASSERT_EQ(::chmod((folder_ / name).c_str(), mode), 0);
  }

  RunResult Run() const {
    ProgramOptions options;
    options.launcher = {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", "--"};
    return RunTreebane(folder_.Path(), "\n", options);
  }

  std::string Read(const std::string& name) const { return ReadBytes(folder_ / name); }

  TemporaryFolder folder_;
  std::string mask_;
};

// The files could be written, but the folder takes no new file: no backup
// can be made and no texture replaced.
TEST_F(OtherUser, ReadOnlyFolderChangesNothing) {
  const std::string a = MakeTexture(61);
  const std::string b = MakeTexture(62);
  AddFile("a.tree.tga", a, 0644);
  AddFile("b.tree.tga", b, 0644);
  AddFile("b.tree.tga_org", b, 0644);
  ASSERT_EQ(::chmod(folder_.Path().c_str(), 0555), 0);

  const RunResult result = Run();
  EXPECT_TRUE(EndedNormally(result.status));
  EXPECT_EQ(result.output, Transcript({"", "Saving a.tree.tga", LeftUnchanged("a.tree.tga"),  //
                                       "", "b.tree.tga_org allready excists", LeftUnchanged("b.tree.tga")},
                                      2, 0));
  EXPECT_TRUE(SameBytes(Read("a.tree.tga"), a));
  EXPECT_TRUE(SameBytes(Read("b.tree.tga"), b));
  EXPECT_TRUE(SameBytes(Read("b.tree.tga_org"), b));
  EXPECT_EQ(FolderEntries(folder_.Path()), (Names{"a.tree.tga", "b.tree.tga", "b.tree.tga_org", "treebane.data"}));
}

// A read-only texture is its owner's wish that it stays as it is, even in a
// folder where a rename could replace it: it gets no backup and no rewrite.
// The writable texture beside it is handled as usual.
TEST_F(OtherUser, ReadOnlyTexturesAreLeftUnchangedWithoutBackup) {
  const std::string a = MakeTexture(63);
  const std::string b = MakeTexture(64);
  const std::string c = MakeTexture(65);
  AddFile("a.tree.tga", a, 0444);
  AddFile("b.tree.tga", b, 0644);
  AddFile("c.tree.tga", c, 0444);
  AddFile("c.tree.tga_org", c, 0644);

  const MaskedTexture bMasked = ApplyMask(b, b, mask_);
  const RunResult result = Run();
  EXPECT_TRUE(EndedNormally(result.status));
  EXPECT_EQ(result.output, Transcript({"", LeftUnchanged("a.tree.tga"),                   //
                                       "", "Saving b.tree.tga", "Processing b.tree.tga",  //
                                       "", LeftUnchanged("c.tree.tga")},
                                      3, bMasked.cleared));
  EXPECT_TRUE(SameBytes(Read("a.tree.tga"), a));
  EXPECT_TRUE(SameBytes(Read("b.tree.tga"), bMasked.bytes));
  EXPECT_TRUE(SameBytes(Read("b.tree.tga_org"), b));
  EXPECT_TRUE(SameBytes(Read("c.tree.tga"), c));
  EXPECT_TRUE(SameBytes(Read("c.tree.tga_org"), c));
  EXPECT_EQ(FolderEntries(folder_.Path()),
            (Names{"a.tree.tga", "b.tree.tga", "b.tree.tga_org", "c.tree.tga", "c.tree.tga_org", "treebane.data"}));
}

}  // namespace
}  // namespace treebane::testing
