// The View command, the background cycle and the savers, run through the
// main form against a headless window in a scratch folder.

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "test_support.h"
#include "tga/tga_header.h"
#include "ztf/ztf_format.h"

namespace rastella {
namespace {

using testing::FolderEntries;
using testing::StoreTgaPixels;
using testing::TestImage;
using testing::TgaFile;
using testing::Viewer;

std::vector<std::uint8_t> Rgba(const TestImage& image) {
  return TgaFile(2, 32, 0x28, image.width, image.height, StoreTgaPixels(image, 2, true));
}
std::vector<std::uint8_t> Rgb(const TestImage& image) {
  return TgaFile(2, 24, 0x00, image.width, image.height, StoreTgaPixels(image, 0, false));
}
std::vector<std::uint8_t> Gray(const TestImage& image) {
  return TgaFile(3, 8, 0x20, image.width, image.height, testing::StoreGrayPixels(image, 2));
}

TEST(ViewCommand, WithNothingSelectedClearsThePictureAndKeepsTheStatus) {
  Viewer viewer;
  viewer.form.Picture1_Click();
  viewer.window.SetPixel(5, 5, MakeColor(1, 2, 3));
  viewer.form.Command1_Click();
  EXPECT_EQ(viewer.window.StatusText(), "Select a file from green list");
  EXPECT_EQ(viewer.window.PixelAt(5, 5), MakeColor(128, 128, 128));
  EXPECT_FALSE(viewer.State().ImageLoaded);
  for (auto save : {&MainForm::Command3_Click, &MainForm::Command4_Click, &MainForm::Command5_Click}) {
    (viewer.form.*save)();
    EXPECT_EQ(viewer.window.StatusText(), "WARNING  :  No file selected");
  }
  EXPECT_TRUE(FolderEntries(viewer.folder.Path()).empty());
}

TEST(ViewCommand, ReportsReadingThenTheImage) {
  Viewer viewer;
  viewer.AddFile("rock.tga", Rgba(testing::NoiseImage(4, 3, 1)));
  viewer.window.TakeStatusHistory();
  viewer.Open("rock.tga");
  EXPECT_EQ(viewer.window.TakeStatusHistory(),
            (std::vector<std::string>{"READING  :  rock.tga", "TGA  :  4 x 3 - 32BPP"}));
  EXPECT_TRUE(viewer.State().ImageLoaded);
  EXPECT_EQ(viewer.State().SelectedPath, (viewer.folder / "rock.tga").string());
  EXPECT_EQ(viewer.State().FileMagic.size(), 3u);
}

TEST(ViewCommand, DispatchesOnTheFirstThreeBytesAlone) {
  Viewer viewer;
  const TestImage image = testing::NoiseImage(2, 2, 2);
  viewer.AddFile("actually-ztf.tga", testing::ReferenceZtf(image, false));
  viewer.Open("actually-ztf.tga");
  EXPECT_EQ(viewer.window.StatusText(), "ZTF  :  2 x 2 - 24BPP");

  // "ztf" in lower case is no ZTF magic: the bytes are read as a TGA header
  // with image ID length 'z' and image type 'f'.
  std::vector<std::uint8_t> lower = TgaFile(2, 24, 0, 2, 2, std::vector<std::uint8_t>(200, 1));
  lower[0] = 'z', lower[1] = 't', lower[2] = 'f';
  viewer.AddFile("lower.tga", lower);
  viewer.Open("lower.tga");
  EXPECT_EQ(viewer.window.StatusText(), "TGA  :  UNSUPPORTED FORMAT");
  EXPECT_EQ(viewer.State().ImageType, 'f');
  EXPECT_EQ(viewer.State().DataStart, 'z' + 19);
  EXPECT_FALSE(viewer.State().ImageLoaded);
}

TEST(ViewCommand, LoadsLeaveWhatTheyDoNotWrite) {
  Viewer viewer;
  TestImage rgba = testing::NoiseImage(3, 3, 3);
  viewer.AddFile("a.tga", Rgba(rgba));
  viewer.AddFile("b.tga", Rgb(testing::NoiseImage(3, 3, 4)));
  viewer.AddFile("c.tga", Gray(testing::NoiseImage(3, 3, 5)));
  viewer.AddFile("d.tga", testing::ReferenceZtf(testing::NoiseImage(3, 3, 6), false));
  viewer.Open("a.tga");
  viewer.Open("b.tga");
  EXPECT_EQ(viewer.State().AlphaAt(2, 2), rgba.Alpha(2, 2)) << "a 24-bit image leaves the older alpha plane";
  viewer.Open("c.tga");
  viewer.Open("d.tga");
  EXPECT_EQ(viewer.State().ImageType, 3) << "a ZTF load leaves the type of the last TGA file";
  EXPECT_EQ(viewer.State().BitsPerPixel, 24);
}

TEST(ViewCommand, ReadsTheClickedFileButNamesTheCurrentSelection) {
  Viewer viewer;
  viewer.AddFile("first.tga", Rgb(testing::NoiseImage(2, 2, 7)));
  std::filesystem::create_directory(viewer.folder / "other");
  testing::WriteBytes(viewer.folder / "other" / "second.tga", Rgb(testing::NoiseImage(5, 5, 8)));
  viewer.Click("first.tga");
  viewer.window.SetDirectoryFolder((viewer.folder / "other").string());
  viewer.form.Dir1_Change();
  viewer.window.TakeStatusHistory();
  viewer.form.Command1_Click();
  EXPECT_EQ(viewer.window.TakeStatusHistory(), (std::vector<std::string>{"READING  :  ", "TGA  :  2 x 2 - 24BPP"}));
  ASSERT_TRUE(viewer.window.SelectFile("second.tga"));
  viewer.form.Command1_Click();
  EXPECT_EQ(viewer.window.StatusText(), "TGA  :  2 x 2 - 24BPP") << "only a click in the list changes the file";
}

TEST(ViewCommand, RefusesOversizedHeadersBeforeAnyPixel) {
  Viewer viewer;
  const TestImage image = testing::NoiseImage(2, 2, 9);
  viewer.AddFile("good.tga", Rgba(image));
  viewer.Open("good.tga");
  const ImageState before = viewer.State();
  struct Case {
    std::string name;
    std::vector<std::uint8_t> bytes;
    std::string status;
  };
  const std::vector<Case> cases = {
      {"wide.tga", TgaFile(2, 24, 0, 1025, 1, std::vector<std::uint8_t>(3075, 1)), "TGA  :  UNSUPPORTED SIZE"},
      {"tall.tga", TgaFile(2, 24, 0, 1, 32768, {}), "TGA  :  UNSUPPORTED SIZE"},
      {"huge.tga", TgaFile(10, 24, 0, 65535, 65535, {}), "TGA  :  UNSUPPORTED SIZE"},
      {"wide-ztf.tga", {'Z', 'T', 'F', 26, '1', '0', 0, 1, 1, 4, 1, 0, 1, 1, 1, 1}, "ZTF  :  UNSUPPORTED SIZE"},
      {"negative-ztf.tga", {'Z', 'T', 'F', 26, '1', '0', 0, 0, 1, 0, 0, 128}, "ZTF  :  UNSUPPORTED SIZE"},
  };
  for (const Case& refused : cases) {
    viewer.AddFile(refused.name, refused.bytes);
    viewer.Open(refused.name);
    EXPECT_EQ(viewer.window.StatusText(), refused.status) << refused.name;
    const ImageState& after = viewer.State();
    EXPECT_FALSE(after.ImageLoaded);
    EXPECT_EQ(after.ImageWidth, before.ImageWidth);
    EXPECT_EQ(after.ImageHeight, before.ImageHeight);
    EXPECT_EQ(after.BitsPerPixel, before.BitsPerPixel);
    EXPECT_EQ(after.ImageType, before.ImageType);
    EXPECT_EQ(after.TgaHeaderBytes, before.TgaHeaderBytes);
    EXPECT_EQ(after.ZtfHeaderBytes, before.ZtfHeaderBytes);
    EXPECT_TRUE(after.ColorBuffer == before.ColorBuffer && after.AlphaBuffer == before.AlphaBuffer);
    EXPECT_EQ(viewer.window.PixelAt(1, 1), kStartBackground) << "nothing is drawn";
  }
  viewer.form.Command3_Click();
  EXPECT_EQ(viewer.window.StatusText(), "WARNING  :  No file selected");
}

TEST(ViewCommand, AFileThatCannotBeReadEmptiesTheStatus) {
  Viewer viewer;
  viewer.AddFile("gone.tga", Rgb(testing::NoiseImage(2, 2, 10)));
  viewer.Click("gone.tga");
  std::filesystem::remove(viewer.folder / "gone.tga");
  viewer.form.Command1_Click();
  EXPECT_EQ(viewer.window.StatusText(), "");
  EXPECT_FALSE(viewer.State().ImageLoaded);

#ifndef _WIN32
  // A FIFO or a device put where the clicked file was is refused, so
  // nothing waits for a writer or reads without end.
  ASSERT_EQ(::mkfifo((viewer.folder / "gone.tga").c_str(), 0600), 0);
  viewer.form.Command3_Click();  // any text but the empty one
  viewer.form.Command1_Click();
  EXPECT_EQ(viewer.window.StatusText(), "");
  EXPECT_FALSE(viewer.State().ImageLoaded);
  std::filesystem::remove(viewer.folder / "gone.tga");
  std::filesystem::create_symlink("/dev/zero", viewer.folder / "gone.tga");
  viewer.form.Command3_Click();
  viewer.form.Command1_Click();
  EXPECT_EQ(viewer.window.StatusText(), "");
#endif
}

TEST(ViewCommand, ShortFilesLoadWithZeros) {
  Viewer viewer;
  for (const std::vector<std::uint8_t>& bytes :
       {std::vector<std::uint8_t>{}, std::vector<std::uint8_t>{'Z', 'T'}, std::vector<std::uint8_t>{'Z', 'T', 'F'}}) {
    viewer.AddFile("short.tga", bytes);
    viewer.Open("short.tga");
    EXPECT_TRUE(bytes.size() == 3 ? viewer.window.StatusText() == "ZTF  :  0 x 0 - 24BPP"
                                  : viewer.window.StatusText() == "TGA  :  UNSUPPORTED FORMAT")
        << viewer.window.StatusText();
  }
}

TEST(BackgroundCycle, RunsGrayWhiteBlackFromTheStart) {
  Viewer viewer;
  EXPECT_EQ(viewer.window.PictureBackground(), MakeColor(64, 64, 64));
  const std::vector<ColorValue> expected = {MakeColor(128, 128, 128), MakeColor(255, 255, 255), MakeColor(0, 0, 0),
                                            MakeColor(128, 128, 128), MakeColor(255, 255, 255)};
  for (const ColorValue color : expected) {
    viewer.form.Picture1_Click();
    EXPECT_EQ(viewer.window.PictureBackground(), color);
    EXPECT_EQ(viewer.window.PixelAt(517, 0), color) << "setting the colour clears the picture";
  }
}

TEST(SaveTGA, WritesTopRowFirstInBlueGreenRedOrder) {
  Viewer viewer;
  TestImage image(2, 1);
  image.rgb = {1, 2, 3, 4, 5, 6};
  viewer.AddFile("pair.tga", Rgb(image));
  viewer.Open("pair.tga");
  viewer.window.TakeStatusHistory();
  viewer.form.Command3_Click();
  EXPECT_EQ(viewer.window.TakeStatusHistory(),
            (std::vector<std::string>{"SAVING  :  TGA-pair.tga", "SAVED AS  :  TGA-pair.tga"}));
  const auto written = viewer.FileBytes("TGA-pair.tga");
  ASSERT_EQ(written.size(), 24u);
  EXPECT_EQ(std::vector<std::uint8_t>(written.begin() + 18, written.end()),
            (std::vector<std::uint8_t>{3, 2, 1, 6, 5, 4}));
  EXPECT_EQ(written[17], 0x20);
  EXPECT_EQ(viewer.window.FileNames(), (std::vector<std::string>{"TGA-pair.tga", "pair.tga"}));
}

TEST(SaveTGA, ThirtyTwoBitAndZtfImagesKeepTheirAlpha) {
  Viewer viewer;
  const TestImage image = testing::NoiseImage(5, 4, 11);
  viewer.AddFile("rgba.tga", Rgba(image));
  viewer.AddFile("rgba-ztf.tga", testing::ReferenceZtf(image, true));
  const std::vector<std::uint8_t> expected = TgaFile(2, 32, 0x28, 5, 4, StoreTgaPixels(image, 2, true));
  viewer.Open("rgba.tga");
  viewer.form.Command3_Click();
  EXPECT_EQ(viewer.FileBytes("TGA-rgba.tga"), expected);
  viewer.Open("rgba-ztf.tga");
  viewer.form.Command3_Click();
  EXPECT_EQ(viewer.FileBytes("TGA-rgba-ztf.tga"), expected);
}

TEST(SaveTGA, GrayscaleImagesStayGrayscaleAndOddDepthsBecome24Bits) {
  Viewer viewer;
  const TestImage image = testing::NoiseImage(3, 2, 12);
  viewer.AddFile("gray.tga", TgaFile(3, 16, 0x00, 3, 2, testing::StoreGrayPixels(image, 0)));
  viewer.Open("gray.tga");
  viewer.form.Command3_Click();
  EXPECT_EQ(viewer.FileBytes("TGA-gray.tga"), Gray(image));

  viewer.AddFile("sixteen.tga", TgaFile(2, 16, 0x20, 3, 2, StoreTgaPixels(image, 2, false)));
  viewer.Open("sixteen.tga");
  viewer.form.Command3_Click();
  EXPECT_EQ(viewer.FileBytes("TGA-sixteen.tga"), TgaFile(2, 24, 0x20, 3, 2, StoreTgaPixels(image, 2, false)));
}

TEST(SaveALPHA, RefusesInOrderThenWritesOneBytePerPixel) {
  Viewer viewer;
  viewer.form.Command5_Click();
  EXPECT_EQ(viewer.window.StatusText(), "WARNING  :  No file selected");
  TestImage image = testing::NoiseImage(3, 2, 13);
  viewer.AddFile("rgb.tga", Rgb(image));
  viewer.AddFile("gray.tga", Gray(image));
  viewer.AddFile("rgb-ztf.tga", testing::ReferenceZtf(image, false));
  for (const char* name : {"rgb.tga", "gray.tga", "rgb-ztf.tga"}) {
    viewer.Open(name);
    viewer.form.Command5_Click();
    EXPECT_EQ(viewer.window.StatusText(), "WARNING  :  No alpha channel present") << name;
  }
  viewer.AddFile("rgba.tga", Rgba(image));
  viewer.Open("rgba.tga");
  viewer.window.TakeStatusHistory();
  viewer.form.Command5_Click();
  EXPECT_EQ(viewer.window.TakeStatusHistory(),
            (std::vector<std::string>{"SAVING  :  ALPHA-rgba.tga", "SAVED AS  :  ALPHA-rgba.tga"}));
  const auto written = viewer.FileBytes("ALPHA-rgba.tga");
  EXPECT_EQ(written.size(), 24u);
  EXPECT_EQ(written, Gray(image));
}

TEST(Savers, NameTheOutputAfterTheCurrentSelection) {
  Viewer viewer;
  viewer.AddFile("loaded.tga", Rgba(testing::NoiseImage(2, 2, 14)));
  viewer.AddFile("other.tga", Rgb(testing::NoiseImage(2, 2, 15)));
  viewer.Open("loaded.tga");
  viewer.Click("other.tga");
  viewer.form.Command3_Click();
  viewer.form.Command4_Click();
  viewer.form.Command5_Click();
  EXPECT_EQ(viewer.window.StatusText(), "SAVED AS  :  ALPHA-other.tga");

  viewer.window.SetFileListFolder(viewer.folder.Path().string());  // clears the selection
  viewer.form.Command3_Click();
  EXPECT_EQ(viewer.window.StatusText(), "SAVED AS  :  TGA-");
  EXPECT_EQ(FolderEntries(viewer.folder.Path()),
            (std::vector<std::string>{"ALPHA-other.tga", "TGA-", "TGA-other.tga", "ZTF-other.tga", "loaded.tga",
                                      "other.tga"}));
}

TEST(Savers, ReplaceALongerFileWholeAndKeepItsPermissions) {
  Viewer viewer;
  viewer.AddFile("small.tga", Rgb(testing::NoiseImage(1, 1, 16)));
  viewer.AddFile("TGA-small.tga", std::vector<std::uint8_t>(5000, 0xAB));
  const auto permissions =
      std::filesystem::perms::owner_read | std::filesystem::perms::owner_write | std::filesystem::perms::group_read;
  std::filesystem::permissions(viewer.folder / "TGA-small.tga", permissions);
  viewer.Open("small.tga");
  viewer.form.Command3_Click();
  EXPECT_EQ(viewer.FileBytes("TGA-small.tga").size(), 21u);
#ifndef _WIN32
  EXPECT_EQ(std::filesystem::status(viewer.folder / "TGA-small.tga").permissions(), permissions);
#endif
}

TEST(Savers, ATargetThatCannotBeWrittenIsReportedAndLosesNothing) {
  Viewer viewer;
  viewer.AddFile("rock.tga", Rgba(testing::NoiseImage(30, 30, 17)));
  viewer.Open("rock.tga");
  for (const std::string prefix : {"TGA-", "ZTF-", "ALPHA-"}) {
    std::filesystem::create_directory(viewer.folder / (prefix + "rock.tga"));
    testing::WriteBytes(viewer.folder / (prefix + "rock.tga") / "keep", {1, 2, 3});
  }
  const ImageState before = viewer.State();
  const auto entriesBefore = FolderEntries(viewer.folder.Path());
  for (auto save : {&MainForm::Command3_Click, &MainForm::Command4_Click, &MainForm::Command5_Click}) {
    viewer.window.TakeStatusHistory();
    (viewer.form.*save)();
    const auto texts = viewer.window.TakeStatusHistory();
    ASSERT_FALSE(texts.empty());
    EXPECT_EQ(texts.back().rfind("ERROR  :  Cannot write ", 0), 0u) << texts.back();
    for (const std::string& text : texts) EXPECT_EQ(text.find("SAVED AS"), std::string::npos);
  }
  EXPECT_EQ(FolderEntries(viewer.folder.Path()), entriesBefore) << "no temporary file is left";
  EXPECT_EQ(viewer.FileBytes("TGA-rock.tga/keep"), (std::vector<std::uint8_t>{1, 2, 3}));
  EXPECT_TRUE(viewer.State().ImageLoaded);
  EXPECT_TRUE(viewer.State().ColorBuffer == before.ColorBuffer);
}

TEST(SaveZTF, RefusesGrayscaleTgaButEncodesZtfImages) {
  Viewer viewer;
  const TestImage image = testing::StructuredImage(40, 30, 18);
  viewer.AddFile("gray.tga", Gray(image));
  viewer.AddFile("rgba.ztf.tga", testing::ReferenceZtf(image, true));
  viewer.Open("gray.tga");
  viewer.form.Command4_Click();
  EXPECT_EQ(viewer.window.StatusText(), "WARNING  :  This file cannot be converted to ZTF");
  EXPECT_FALSE(std::filesystem::exists(viewer.folder / "ZTF-gray.tga"));

  viewer.Open("rgba.ztf.tga");
  EXPECT_EQ(viewer.State().ImageType, 3);
  viewer.window.TakeStatusHistory();
  viewer.form.Command4_Click();
  EXPECT_EQ(viewer.window.TakeStatusHistory(),
            (std::vector<std::string>{"SAVING  :  ZTF-rgba.ztf.tga   >", "SAVING  :  ZTF-rgba.ztf.tga   >>",
                                      "SAVING  :  ZTF-rgba.ztf.tga   >>>", "SAVING  :  ZTF-rgba.ztf.tga   >",
                                      "SAVING  :  ZTF-rgba.ztf.tga   >>", "SAVING  :  ZTF-rgba.ztf.tga   >>>",
                                      "SAVED AS  :  ZTF-rgba.ztf.tga"}));
  EXPECT_EQ(viewer.FileBytes("ZTF-rgba.ztf.tga"), testing::ReferenceZtf(image, true));
  const auto first = viewer.FileBytes("ZTF-rgba.ztf.tga");
  viewer.form.Command4_Click();
  EXPECT_EQ(viewer.FileBytes("ZTF-rgba.ztf.tga"), first) << "saving twice gives identical files";
}

TEST(SaveZTF, ViewingTheSavedFileReproducesTheImage) {
  Viewer viewer;
  const TestImage image = testing::StructuredImage(1024, 1024, 19);
  viewer.AddFile("big.tga", Rgba(image));
  viewer.Open("big.tga");
  const ImageState loaded = viewer.State();
  viewer.form.Command4_Click();
  EXPECT_EQ(viewer.FileBytes("ZTF-big.tga").size(), ZtfLayoutOf(1024, 1024, true).fileSize);
  viewer.Open("ZTF-big.tga");
  EXPECT_EQ(viewer.window.StatusText(), "ZTF  :  1024 x 1024 - 32BPP");
  EXPECT_TRUE(viewer.State().ColorBuffer == loaded.ColorBuffer);
  EXPECT_TRUE(viewer.State().AlphaBuffer == loaded.AlphaBuffer);
}

}  // namespace
}  // namespace rastella
