// The samples are meant to be opened: each viewer sample loads in the
// viewer as the kind of image it stands for, and the tree folder has the
// shape treebane expects.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "samples/sample_images.h"
#include "shell/file_access.h"
#include "shell/headless_window.h"
#include "shell/main_form.h"

namespace rastella::samples {
namespace {

namespace fs = std::filesystem;

class ViewerSamplesTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    std::string pattern = (fs::temp_directory_path() / "rastella-samples-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    folder_ = new std::string(pattern);
    for (const SampleFile& file : ViewerSamples()) {
      ASSERT_TRUE(WriteFileAtomically(JoinPath(*folder_, file.name), file.bytes)) << file.name;
    }
  }
  static void TearDownTestSuite() {
    fs::remove_all(*folder_);
    delete folder_;
  }

  // Views `name` in a fresh headless viewer on the sample folder.
  void View(const std::string& name) {
    ASSERT_TRUE(window_.SelectFile(name)) << name;
    form_.File1_Click();
    form_.Command1_Click();
  }

  static std::string* folder_;
  HeadlessWindow window_{*folder_};
  MainForm form_{window_};
};

std::string* ViewerSamplesTest::folder_ = nullptr;

TEST_F(ViewerSamplesTest, EachSampleLoadsAsTheKindItStandsFor) {
  const std::pair<const char*, const char*> expected[] = {
      {"sunset-rgba.tga", "TGA  :  256 x 256 - 32BPP"},   {"hills-bottom-left.tga", "TGA  :  320 x 240 - 24BPP"},
      {"moon-gray.tga", "TGA  :  256 x 256 - GRAYSCALE"}, {"ridges-1024.tga", "TGA  :  1024 x 1024 - 24BPP"},
      {"leaf-ztf.tga", "ZTF  :  300 x 200 - 32BPP"},
  };
  EXPECT_EQ(window_.FileNames().size(), std::size(expected));
  for (const auto& [name, status] : expected) {
    View(name);
    EXPECT_EQ(window_.StatusText(), status) << name;
    EXPECT_TRUE(form_.State().ImageLoaded) << name;
  }
}

TEST_F(ViewerSamplesTest, BottomLeftSampleShowsTheSkyOnTop) {
  View("hills-bottom-left.tga");
  EXPECT_EQ(form_.State().ImageOrigin, 0);
  // Row 0 as displayed is blue sky, the last row green grass.
  const std::uint8_t* sky = form_.State().ColorAt(10, 0);
  const std::uint8_t* grass = form_.State().ColorAt(10, 239);
  EXPECT_GT(sky[2], sky[0] + 60);
  EXPECT_GT(grass[1], grass[2] + 30);
  EXPECT_GT(grass[1], grass[0]);
}

TEST_F(ViewerSamplesTest, AlphaSamplesFadeFromOpaqueToClear) {
  View("sunset-rgba.tga");
  EXPECT_EQ(form_.State().AlphaAt(128, 128), 255);
  EXPECT_EQ(form_.State().AlphaAt(0, 0), 0);
  EXPECT_GT(form_.State().AlphaAt(128, 20), 0);
  EXPECT_LT(form_.State().AlphaAt(128, 20), 255);

  View("leaf-ztf.tga");
  EXPECT_EQ(form_.State().AlphaAt(0, 0), 0);
  EXPECT_GT(form_.State().AlphaAt(156, 100), 200);
}

TEST(TreeSamplesTest, TexturesAndMaskHaveTheSizesTreebaneReads) {
  const std::vector<SampleFile> files = TreeSamples();
  const auto mask =
      std::find_if(files.begin(), files.end(), [](const SampleFile& file) { return file.name == kTreeMaskName; });
  ASSERT_NE(mask, files.end());
  ASSERT_EQ(mask->bytes.size(), kTreePixels);
  const auto zeros = std::count(mask->bytes.begin(), mask->bytes.end(), 0);
  EXPECT_GT(zeros, 0);
  EXPECT_LT(zeros, static_cast<long>(kTreePixels / 4));

  int textures = 0;
  for (const SampleFile& file : files) {
    if (!file.name.ends_with(".tree.tga")) {
      continue;
    }
    ++textures;
    ASSERT_EQ(file.bytes.size(), 18 + kTreePixels) << file.name;
    EXPECT_EQ(file.bytes[2], 3) << "grayscale image type";
    EXPECT_EQ(file.bytes[16], 8) << "one byte per pixel";
    EXPECT_EQ(file.bytes[12] + 256 * file.bytes[13], kTreeTextureSize);
    EXPECT_EQ(file.bytes[14] + 256 * file.bytes[15], kTreeTextureSize);
    // The mask's road and railway cross trees, so a run has pixels to clear.
    long cleared = 0;
    for (std::size_t pixel = 0; pixel < kTreePixels; ++pixel) {
      cleared += mask->bytes[pixel] == 0 && file.bytes[18 + pixel] != 0 ? 1 : 0;
    }
    EXPECT_GT(cleared, 1000) << file.name;
  }
  EXPECT_EQ(textures, 2);
}

}  // namespace
}  // namespace rastella::samples
