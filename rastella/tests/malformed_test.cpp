// A corpus of damaged and unusual files, each viewed in a fresh viewer and
// then saved every way: the status line and the image state must be exactly
// what the formats' rules say, and nothing but the savers' own files may
// appear in the folder.

#include <gtest/gtest.h>

#include "test_support.h"
#include "ztf/ztf_format.h"

namespace rastella {
namespace {

using testing::TgaFile;
using Bytes = std::vector<std::uint8_t>;

struct Expectation {
  std::string name;
  Bytes file;
  std::string status;
  bool loaded;
  int width = 0;
  int height = 0;
  int bitsPerPixel = 0;
  // A pixel to check: x, y and ColorBuffer(x, y, 0..2), AlphaBuffer(x, y).
  std::vector<int> pixel = {};
};

Bytes Repeat(std::size_t count, std::uint8_t value) { return Bytes(count, value); }

Bytes Ztf(int width, int height, std::uint8_t alphaFlag, const Bytes& body) {
  ZtfHeader header = BuildZtfHeader(width, height, 24);
  header[7] = alphaFlag;
  Bytes file(header.size() + body.size());
  std::copy(body.begin(), body.end(), std::copy(header.begin(), header.end(), file.begin()));
  return file;
}

Bytes Truncated(Bytes file, std::size_t size) {
  file.resize(size);
  return file;
}

Bytes WithTrailer(Bytes file) {
  for (const char c : std::string("TRUEVISION-XFILE.")) file.push_back(static_cast<std::uint8_t>(c));
  return file;
}

// A type-2 file whose colour map of two 24-bit entries sits before the pixels.
Bytes WithColourMap() {
  Bytes file = TgaFile(2, 24, 0x20, 2, 1, {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
  file[1] = 1;   // colour map type
  file[5] = 2;   // map length
  file[7] = 24;  // entry size
  return file;
}

std::vector<Expectation> Corpus() {
  const Bytes pixels2x2 = {10, 20, 30, 11, 21, 31, 12, 22, 32, 13, 23, 33};
  const Bytes full = TgaFile(2, 24, 0x20, 2, 2, pixels2x2);
  const std::string unsupported = "TGA  :  UNSUPPORTED FORMAT";
  const std::string tgaSize = "TGA  :  UNSUPPORTED SIZE";
  const std::string ztfSize = "ZTF  :  UNSUPPORTED SIZE";
  std::vector<Expectation> corpus = {
      {"empty", {}, unsupported, false},
      {"one-byte", {2}, unsupported, false},
      {"two-bytes", {0, 0}, unsupported, false},
      {"three-bytes", {0, 0, 2}, "TGA  :  0 x 0 - 0BPP", true},
      {"seventeen-bytes", Truncated(full, 17), "TGA  :  2 x 2 - 24BPP", true, 2, 2, 24, {0, 1, 0, 0, 0, 0}},
      {"ztf-magic-only", {'Z', 'T', 'F'}, "ZTF  :  0 x 0 - 24BPP", true, 0, 0, 24},
      {"type-0", TgaFile(0, 24, 0x20, 2, 2, pixels2x2), unsupported, false, 2, 2, 24},
      {"type-1", TgaFile(1, 8, 0x20, 2, 2, pixels2x2), unsupported, false, 2, 2, 8},
      {"type-9", TgaFile(9, 8, 0x20, 2, 2, pixels2x2), unsupported, false, 2, 2, 8},
      {"type-10", TgaFile(10, 24, 0x20, 2, 2, pixels2x2), unsupported, false, 2, 2, 24},
      {"type-11", TgaFile(11, 8, 0x20, 2, 2, pixels2x2), unsupported, false, 2, 2, 8},
      {"type-255", TgaFile(255, 32, 0x20, 2, 2, pixels2x2), unsupported, false, 2, 2, 32},
      {"depth-0", TgaFile(2, 0, 0x20, 2, 2, pixels2x2), "TGA  :  2 x 2 - 0BPP", true, 2, 2, 0, {1, 0, 31, 21, 11, 0}},
      {"depth-15", TgaFile(2, 15, 0x20, 2, 2, pixels2x2), "TGA  :  2 x 2 - 0BPP", true, 2, 2, 0},
      {"depth-16", TgaFile(2, 16, 0x20, 2, 2, pixels2x2), "TGA  :  2 x 2 - 0BPP", true, 2, 2, 0},
      {"depth-33", TgaFile(2, 33, 0x20, 2, 2, pixels2x2), "TGA  :  2 x 2 - 0BPP", true, 2, 2, 0},
      {"tga-width-0", TgaFile(2, 24, 0x20, 0, 5, {}), "TGA  :  0 x 5 - 24BPP", true, 0, 5, 24},
      {"tga-height-0", TgaFile(2, 24, 0x20, 5, 0, {}), "TGA  :  5 x 0 - 24BPP", true, 5, 0, 24},
      {"tga-width-1024",
       TgaFile(2, 24, 0x20, 1024, 1, Repeat(3072, 7)),
       "TGA  :  1024 x 1 - 24BPP",
       true,
       1024,
       1,
       24,
       {1023, 0, 7, 7, 7, 0}},
      {"tga-height-1024",
       TgaFile(3, 8, 0x20, 1, 1024, Repeat(1024, 9)),
       "TGA  :  1 x 1024 - GRAYSCALE",
       true,
       1,
       1024,
       8,
       {0, 1023, 0, 0, 0, 9}},
      {"tga-width-1025", TgaFile(2, 24, 0x20, 1025, 1, Repeat(3075, 7)), tgaSize, false},
      {"tga-height-1025", TgaFile(2, 24, 0x20, 1, 1025, Repeat(3075, 7)), tgaSize, false},
      {"tga-width-32768", TgaFile(2, 24, 0x20, 32768, 1, {}), tgaSize, false},
      {"tga-height-32768", TgaFile(2, 24, 0x20, 1, 32768, {}), tgaSize, false},
      {"tga-width-65535", TgaFile(2, 24, 0x20, 65535, 65535, {}), tgaSize, false},
      {"ztf-width-0", Ztf(0, 3, 0, {0, 0, 0}), "ZTF  :  0 x 3 - 24BPP", true, 0, 3, 24},
      {"ztf-height-0", Ztf(3, 0, 1, {}), "ZTF  :  3 x 0 - 32BPP", true, 3, 0, 32},
      {"ztf-width-1024", Ztf(1024, 1, 0, Repeat(3073, 0)), "ZTF  :  1024 x 1 - 24BPP", true, 1024, 1, 24},
      {"ztf-height-1024", Ztf(1, 1024, 0, {}), "ZTF  :  1 x 1024 - 24BPP", true, 1, 1024, 24},
      {"ztf-width-1025", Ztf(1025, 1, 0, Repeat(3076, 1)), ztfSize, false},
      {"ztf-height-1025", Ztf(1, 1025, 1, {}), ztfSize, false},
      {"ztf-width-32768", Ztf(32768, 1, 0, {}), ztfSize, false},
      {"ztf-height-65535", Ztf(1, 65535, 0, {}), ztfSize, false},
      {"id-255-short",
       TgaFile(2, 24, 0x20, 2, 2, {1, 2, 3}, 255),
       "TGA  :  2 x 2 - 24BPP",
       true,
       2,
       2,
       24,
       {0, 0, 3, 2, 1, 0}},
      {"colour-map-read-as-pixels", WithColourMap(), "TGA  :  2 x 1 - 24BPP", true, 2, 1, 24, {0, 0, 3, 2, 1, 0}},
      {"short-by-one", Truncated(full, full.size() - 1), "TGA  :  2 x 2 - 24BPP", true, 2, 2, 24, {1, 1, 0, 23, 13, 0}},
      {"short-by-half", Truncated(full, 18 + 6), "TGA  :  2 x 2 - 24BPP", true, 2, 2, 24, {0, 1, 0, 0, 0, 0}},
      {"trailing-bytes", WithTrailer(full), "TGA  :  2 x 2 - 24BPP", true, 2, 2, 24, {1, 1, 33, 23, 13, 0}},
      {"ztf-filter-5",
       Ztf(1, 2, 0, {5, 2, 9, 9, 9, 1, 1, 1}),
       "ZTF  :  1 x 2 - 24BPP",
       true,
       1,
       2,
       24,
       {0, 1, 1, 1, 1, 0}},
      {"ztf-filter-255", Ztf(1, 1, 0, {255, 9, 9, 9}), "ZTF  :  1 x 1 - 24BPP", true, 1, 1, 24, {0, 0, 0, 0, 0, 0}},
      {"ztf-alpha-flag-2",
       Ztf(1, 1, 2, {0, 1, 2, 3, 0, 4}),
       "ZTF  :  1 x 1 - 32BPP",
       true,
       1,
       1,
       32,
       {0, 0, 1, 2, 3, 4}},
      {"ztf-ends-in-alpha-table",
       Ztf(1, 2, 1, {0, 0, 1, 2, 3, 4, 5, 6, 1}),
       "ZTF  :  1 x 2 - 32BPP",
       true,
       1,
       2,
       32,
       {0, 1, 4, 5, 6, 0}},
  };
  return corpus;
}

TEST(MalformedFiles, EachGivesItsStatusAndStateAndLeavesNothingBehind) {
  const std::vector<Expectation> corpus = Corpus();
  ASSERT_GE(corpus.size(), 25u);
  for (const Expectation& expected : corpus) {
    SCOPED_TRACE(expected.name);
    testing::Viewer viewer;
    const std::string fileName = expected.name + ".tga";
    viewer.AddFile(fileName, expected.file);
    viewer.Open(fileName);
    const ImageState& state = viewer.State();
    EXPECT_EQ(viewer.window.StatusText(), expected.status);
    EXPECT_EQ(state.ImageLoaded, expected.loaded);
    EXPECT_EQ(state.ImageWidth, expected.width);
    EXPECT_EQ(state.ImageHeight, expected.height);
    EXPECT_EQ(state.BitsPerPixel, expected.bitsPerPixel);
    if (!expected.pixel.empty()) {
      const int x = expected.pixel[0];
      const int y = expected.pixel[1];
      const std::uint8_t* color = state.ColorAt(x, y);
      EXPECT_EQ((std::vector<int>{color[0], color[1], color[2], state.AlphaAt(x, y)}),
                std::vector<int>(expected.pixel.begin() + 2, expected.pixel.end()));
    }

    // Each save either writes its one file or refuses; nothing else appears.
    viewer.form.Command3_Click();
    viewer.form.Command4_Click();
    viewer.form.Command5_Click();
    for (const std::string& entry : testing::FolderEntries(viewer.folder.Path())) {
      const bool savedFile = entry == "TGA-" + fileName || entry == "ZTF-" + fileName || entry == "ALPHA-" + fileName;
      EXPECT_TRUE(entry == fileName || (expected.loaded && savedFile)) << entry;
    }
    EXPECT_EQ(viewer.FileBytes(fileName), expected.file) << "the viewed file is never changed";
  }
}

}  // namespace
}  // namespace rastella
