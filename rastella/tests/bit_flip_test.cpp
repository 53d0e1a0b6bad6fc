// Damaged copies of valid files of every kind: each bit of the header and of
// the first rows flipped in turn, and every copy viewed.  No copy may crash
// the viewer (the sanitizer build runs this too), and every view must end
// with a status text of the known set that agrees with the image state.

#include <gtest/gtest.h>

#include <charconv>

#include "status_texts.h"
#include "test_support.h"

namespace rastella {
namespace {

using testing::TestImage;
using testing::TgaFile;
using Bytes = std::vector<std::uint8_t>;

struct ValidFile {
  std::string kind;
  Bytes bytes;
  std::string status;     // what the undamaged file shows
  std::size_t flipBytes;  // header and first rows
};

std::vector<ValidFile> ValidFiles() {
  // An odd width, so that the vector kernels' ends of rows are damaged too.
  const TestImage image = testing::StructuredImage(21, 5, 60);
  const std::size_t w = 21;
  std::vector<ValidFile> files;
  for (int origin = 0; origin < 4; ++origin) {
    // Appended rather than `"literal" + std::to_string(...)`, which GCC 12
    // warns about wrongly (-Wrestrict) in 32-bit builds.
    std::string name = "tga-24-origin-";
    name += std::to_string(origin);
    files.push_back(
        {name,
         TgaFile(2, 24, static_cast<std::uint8_t>(origin << 4), 21, 5, testing::StoreTgaPixels(image, origin, false)),
         "TGA  :  21 x 5 - 24BPP", 18 + 2 * 3 * w});
  }
  files.push_back({"tga-32", TgaFile(2, 32, 0x28, 21, 5, testing::StoreTgaPixels(image, 2, true)),
                   "TGA  :  21 x 5 - 32BPP", 18 + 2 * 4 * w});
  files.push_back({"tga-gray", TgaFile(3, 8, 0x00, 21, 5, testing::StoreGrayPixels(image, 0)),
                   "TGA  :  21 x 5 - GRAYSCALE", 18 + 2 * w});
  files.push_back({"tga-24-image-id", TgaFile(2, 24, 0x20, 21, 5, testing::StoreTgaPixels(image, 2, false), 7),
                   "TGA  :  21 x 5 - 24BPP", 18 + 7 + 2 * 3 * w});
  for (const bool withAlpha : {false, true}) {
    files.push_back({withAlpha ? "ztf-32" : "ztf-24", testing::ReferenceZtf(image, withAlpha),
                     withAlpha ? "ZTF  :  21 x 5 - 32BPP" : "ZTF  :  21 x 5 - 24BPP", 12 + 5 + 2 * 3 * w});
  }
  return files;
}

// The width and height that a status such as "TGA  :  21 x 5 - 24BPP"
// names, or -1, -1 for one that names no size.
std::pair<int, int> SizeIn(const std::string& status) {
  const std::size_t x = status.find(" x ");
  if (x == std::string::npos) return {-1, -1};
  int width = -1;
  int height = -1;
  std::from_chars(status.data() + 8, status.data() + x, width);
  std::from_chars(status.data() + x + 3, status.data() + status.size(), height);
  return {width, height};
}

TEST(BitFlips, EveryDamagedCopyViewsWithAKnownStatus) {
  testing::Viewer viewer;
  std::size_t views = 0;
  for (const ValidFile& file : ValidFiles()) {
    SCOPED_TRACE(file.kind);
    ASSERT_LE(file.flipBytes, file.bytes.size());
    viewer.AddFile("damaged.tga", file.bytes);
    viewer.Open("damaged.tga");
    ASSERT_EQ(viewer.window.StatusText(), file.status);

    for (std::size_t bit = 0; bit < file.flipBytes * 8; ++bit) {
      Bytes damaged = file.bytes;
      damaged[bit / 8] ^= static_cast<std::uint8_t>(1u << (bit % 8));
      testing::WriteBytes(viewer.folder / "damaged.tga", damaged);
      viewer.form.Command1_Click();
      ++views;
      const std::string& status = viewer.window.StatusText();
      const ImageState& state = viewer.State();
      ASSERT_TRUE(fuzzing::IsViewResult(status)) << "byte " << bit / 8 << " bit " << bit % 8 << ": " << status;
      const auto [width, height] = SizeIn(status);
      if (width >= 0) {
        EXPECT_TRUE(state.ImageLoaded) << status;
        EXPECT_EQ(width, state.ImageWidth) << status;
        EXPECT_EQ(height, state.ImageHeight) << status;
      } else {
        EXPECT_FALSE(state.ImageLoaded) << status;
      }
      // The first three bytes alone choose the reader.
      const bool ztf = damaged[0] == 'Z' && damaged[1] == 'T' && damaged[2] == 'F';
      EXPECT_EQ(status.rfind(ztf ? "ZTF  :  " : "TGA  :  ", 0), 0u) << "byte " << bit / 8 << ": " << status;
    }
  }
  EXPECT_GT(views, 8000u);
}

}  // namespace
}  // namespace rastella
