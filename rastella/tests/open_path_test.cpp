// "Open with": a path given to the viewer is resolved into drive, folder and
// file, and opening it does what the user's own clicks would.

#include <gtest/gtest.h>

#include <filesystem>
#ifndef _WIN32
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "shell/open_path.h"
#include "shell/utf8_path.h"
#include "test_support.h"

namespace rastella {
namespace {

using testing::TempFolder;
using testing::Viewer;

std::vector<std::uint8_t> SmallRgba(std::uint32_t seed) {
  const testing::TestImage image = testing::NoiseImage(5, 4, seed);
  return testing::TgaFile(2, 32, 0x28, image.width, image.height, testing::StoreTgaPixels(image, 2, true));
}

// Runs `body` with `folder` as the process's current folder.
template <typename Body>
void InFolder(const std::filesystem::path& folder, Body body) {
  const std::filesystem::path before = std::filesystem::current_path();
  std::filesystem::current_path(folder);
  body();
  std::filesystem::current_path(before);
}

TEST(ResolveOpenPath, TellsFilesFromFoldersAndNormalisesThePath) {
  TempFolder folder;
  std::filesystem::create_directory(folder / "photos");
  testing::WriteBytes(folder / "photos" / "Rock.TGA", SmallRgba(1));
  const std::string photos = (folder / "photos").string();

  const OpenTarget file = ResolveOpenPath(photos + "/../photos/./Rock.TGA");
  EXPECT_EQ(file.kind, OpenTarget::Kind::File);
  EXPECT_EQ(file.folder, photos);
  EXPECT_EQ(file.fileName, "Rock.TGA");
  EXPECT_EQ(file.status, "");

  // A relative path is taken from the current folder.
  InFolder(folder.Path(), [&] {
    const OpenTarget relative = ResolveOpenPath("photos/Rock.TGA");
    EXPECT_EQ(relative.kind, OpenTarget::Kind::File);
    EXPECT_EQ(relative.folder, photos);
  });

  for (const std::string& given : {photos, photos + "/", photos + "//"}) {
    const OpenTarget target = ResolveOpenPath(given);
    EXPECT_EQ(target.kind, OpenTarget::Kind::Folder) << given;
    EXPECT_EQ(target.folder, photos) << given;
    EXPECT_EQ(target.status, "") << given;
  }
  const OpenTarget root = ResolveOpenPath("/");
  EXPECT_EQ(root.kind, OpenTarget::Kind::Folder);
  EXPECT_EQ(root.folder, std::filesystem::absolute("/").lexically_normal().string());

#ifdef _WIN32
  // Windows finds a file whatever the letter case; the list's spelling is
  // the one selected.
  const OpenTarget otherCase = ResolveOpenPath(photos + "\\rock.tga");
  EXPECT_EQ(otherCase.kind, OpenTarget::Kind::File);
  EXPECT_EQ(otherCase.fileName, "Rock.TGA");
#endif
}

TEST(ResolveOpenPath, RefusesWhatCannotBeOpenedAndSaysWhy) {
  TempFolder folder;
  const std::string missing = (folder / "gone" / "rock.tga").string();
  EXPECT_EQ(ResolveOpenPath(missing).kind, OpenTarget::Kind::Refused);
  EXPECT_EQ(ResolveOpenPath(missing).status, "WARNING  :  Cannot find " + missing);
  EXPECT_EQ(ResolveOpenPath("").status, "WARNING  :  Cannot find ");

#ifndef _WIN32
  // A FIFO would block the reader: it is never opened.
  const std::string fifo = (folder / "pipe.tga").string();
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_EQ(ResolveOpenPath(fifo).kind, OpenTarget::Kind::Refused);
  EXPECT_EQ(ResolveOpenPath(fifo).status, "WARNING  :  Cannot open " + fifo);

  // Permissions do not hold the superuser back: only check them when they
  // apply.
  testing::WriteBytes(folder / "locked.tga", SmallRgba(2));
  std::filesystem::create_directory(folder / "sealed");
  std::filesystem::permissions(folder / "locked.tga", std::filesystem::perms::none);
  std::filesystem::permissions(folder / "sealed", std::filesystem::perms::none);
  if (::geteuid() != 0) {
    EXPECT_EQ(ResolveOpenPath((folder / "locked.tga").string()).status,
              "WARNING  :  Cannot open " + (folder / "locked.tga").string());
    EXPECT_EQ(ResolveOpenPath((folder / "sealed").string()).status,
              "WARNING  :  Cannot open " + (folder / "sealed").string());
  }
  std::filesystem::permissions(folder / "sealed", std::filesystem::perms::owner_all);
#endif
}

TEST(ResolveOpenPath, AFileTheGreenListCannotShowSelectsItsFolder) {
  TempFolder folder;
  testing::WriteBytes(folder / "rock.png", SmallRgba(3));
  const OpenTarget target = ResolveOpenPath((folder / "rock.png").string());
  EXPECT_EQ(target.kind, OpenTarget::Kind::Folder);
  EXPECT_EQ(target.folder, folder.Path().string());
  EXPECT_EQ(target.status, "WARNING  :  rock.png is not a *.tga file");
}

// Names are UTF-8 text inside the viewer: a name outside any ANSI code page
// reaches the file system as it is, on Windows too.
TEST(ResolveOpenPath, NamesOutsideTheAsciiRangeAreOpenedAsGiven) {
  TempFolder folder;
  const std::string folderName = "\xce\xb1\xce\xb2";         // "αβ"
  const std::string fileName = "\xc3\xa9-\xe6\x97\xa5.tga";  // "é-日.tga"
  std::filesystem::create_directory(folder.Path() / PathFromUtf8(folderName));
  testing::WriteBytes(folder.Path() / PathFromUtf8(folderName) / PathFromUtf8(fileName), SmallRgba(4));
  const std::string given = Utf8FromPath(folder.Path()) + "/" + folderName + "/" + fileName;

  const OpenTarget target = ResolveOpenPath(given);
  EXPECT_EQ(target.kind, OpenTarget::Kind::File);
  EXPECT_EQ(target.folder, Utf8FromPath((folder.Path() / PathFromUtf8(folderName)).lexically_normal()));
  EXPECT_EQ(target.fileName, fileName);
  EXPECT_EQ(target.status, "");
}

TEST(OpenPath, AFileIsViewedExactlyAsByClickingItAndPressingView) {
  Viewer opened;
  Viewer clicked;
  std::filesystem::create_directory(opened.folder / "photos");
  testing::WriteBytes(opened.folder / "photos" / "rock.tga", SmallRgba(4));
  testing::WriteBytes(opened.folder / "photos" / "sand.tga", SmallRgba(5));
  std::filesystem::create_directory(clicked.folder / "photos");
  testing::WriteBytes(clicked.folder / "photos" / "rock.tga", SmallRgba(4));
  testing::WriteBytes(clicked.folder / "photos" / "sand.tga", SmallRgba(5));
  const std::string photos = (opened.folder / "photos").string();

  opened.window.TakeStatusHistory();
  opened.form.OpenPath((opened.folder / "photos" / "rock.tga").string());
  clicked.window.SetDirectoryFolder((clicked.folder / "photos").string());
  clicked.form.Dir1_Change();
  clicked.window.TakeStatusHistory();
  clicked.Open("rock.tga");

  EXPECT_EQ(opened.window.DirectoryFolder(), photos);
  EXPECT_EQ(opened.window.FileListFolder(), photos);
  EXPECT_EQ(opened.window.SelectedFileName(), "rock.tga");
  EXPECT_EQ(opened.State().SelectedPath, (opened.folder / "photos" / "rock.tga").string());
  EXPECT_TRUE(opened.State().ImageLoaded);
  EXPECT_EQ(opened.window.TakeStatusHistory(), clicked.window.TakeStatusHistory());
  EXPECT_EQ(opened.window.StatusText(), "TGA  :  5 x 4 - 32BPP");
  EXPECT_EQ(opened.window.SurfaceAsPpm(), clicked.window.SurfaceAsPpm());

  // Saving works on the opened file as on a clicked one.
  opened.form.Command3_Click();
  EXPECT_EQ(opened.window.StatusText(), "SAVED AS  :  TGA-rock.tga");
  EXPECT_TRUE(std::filesystem::exists(opened.folder / "photos" / "TGA-rock.tga"));
}

TEST(OpenPath, AFolderIsSelectedAndNothingIsViewed) {
  Viewer viewer;
  std::filesystem::create_directory(viewer.folder / "photos");
  testing::WriteBytes(viewer.folder / "photos" / "rock.tga", SmallRgba(6));
  viewer.form.OpenPath((viewer.folder / "photos").string() + "/");
  EXPECT_EQ(viewer.window.DirectoryFolder(), (viewer.folder / "photos").string());
  EXPECT_EQ(viewer.window.FileNames(), std::vector<std::string>{"rock.tga"});
  EXPECT_EQ(viewer.window.SelectedFileName(), "");
  EXPECT_EQ(viewer.window.StatusText(), "Select a file from green list");
  EXPECT_FALSE(viewer.State().ImageLoaded);
  EXPECT_EQ(viewer.State().SelectedPath, "");
}

TEST(OpenPath, APathThatCannotBeOpenedLeavesTheListsAndTellsWhy) {
  Viewer viewer;
  viewer.AddFile("here.tga", SmallRgba(7));
  viewer.Open("here.tga");
  const std::string before = viewer.window.SurfaceAsPpm();
  const std::string missing = (viewer.folder / "nowhere" / "rock.tga").string();
  viewer.form.OpenPath(missing);
  EXPECT_EQ(viewer.window.StatusText(), "WARNING  :  Cannot find " + missing);
  EXPECT_EQ(viewer.window.DirectoryFolder(), viewer.folder.Path().string());
  EXPECT_EQ(viewer.window.SelectedFileName(), "here.tga");
  EXPECT_TRUE(viewer.State().ImageLoaded) << "the loaded image stays loaded";
  EXPECT_EQ(viewer.window.SurfaceAsPpm(), before);

  // A readable file outside the green list: its folder, and the reason.
  std::filesystem::create_directory(viewer.folder / "notes");
  testing::WriteBytes(viewer.folder / "notes" / "readme.txt", {1, 2, 3});
  viewer.form.OpenPath((viewer.folder / "notes" / "readme.txt").string());
  EXPECT_EQ(viewer.window.DirectoryFolder(), (viewer.folder / "notes").string());
  EXPECT_EQ(viewer.window.StatusText(), "WARNING  :  readme.txt is not a *.tga file");
}

}  // namespace
}  // namespace rastella
