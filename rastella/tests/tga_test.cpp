// The TGA header in both directions and the reader's placement of pixels.

#include <gtest/gtest.h>

#include "test_support.h"
#include "tga/tga_header.h"
#include "tga/tga_reader.h"

namespace rastella {
namespace {

using testing::StoreGrayPixels;
using testing::StoreTgaPixels;
using testing::TestImage;
using testing::TgaFile;

TgaHeader HeaderOf(const std::vector<std::uint8_t>& file) {
  TgaHeader header{};
  std::copy_n(file.begin(), std::min<std::size_t>(file.size(), 18), header.begin());
  return header;
}

TEST(TgaHeader, DerivesFieldsFromTheHeaderBytes) {
  auto fields = ParseTgaHeader(HeaderOf(TgaFile(2, 24, 0x00, 640, 480, {})));
  EXPECT_EQ(fields.ImageWidth, 640);
  EXPECT_EQ(fields.ImageHeight, 480);
  EXPECT_EQ(fields.BitsPerPixel, 24);
  EXPECT_EQ(fields.ImageOrigin, 0);
  EXPECT_EQ(fields.AlphaBits, 0);
  EXPECT_EQ(fields.DataStart, 19);
  EXPECT_EQ(fields.ImageType, 2);

  fields = ParseTgaHeader(HeaderOf(TgaFile(2, 32, 0x28, 1, 1, {})));
  EXPECT_EQ(fields.BitsPerPixel, 32);
  EXPECT_EQ(fields.ImageOrigin, 2);
  EXPECT_EQ(fields.AlphaBits, 8);

  EXPECT_EQ(ParseTgaHeader(HeaderOf(TgaFile(3, 8, 0x00, 1, 1, {}))).BitsPerPixel, 8);
  EXPECT_EQ(ParseTgaHeader(HeaderOf(TgaFile(9, 77, 0xFF, 1, 1, {}))).ImageType, 9);
  EXPECT_EQ(ParseTgaHeader(HeaderOf(TgaFile(2, 24, 0x30, 1, 1, {}, 10))).DataStart, 29);
  EXPECT_EQ(ParseTgaHeader(HeaderOf(TgaFile(2, 24, 0x30, 1, 1, {}, 255))).DataStart, 274);
}

TEST(TgaHeader, KnowsOnlyThreeDepths) {
  for (int depth = 0; depth < 256; ++depth) {
    const auto fields = ParseTgaHeader(HeaderOf(TgaFile(2, static_cast<std::uint8_t>(depth), 0, 1, 1, {})));
    const int expected = depth == 32 || depth == 24 || depth == 8 ? depth : 0;
    EXPECT_EQ(fields.BitsPerPixel, expected) << "depth " << depth;
  }
}

TEST(TgaHeader, HighBytesOf128AndMoreGiveNegativeDimensions) {
  const auto fields = ParseTgaHeader(HeaderOf(TgaFile(2, 24, 0, 32768, 65535, {})));
  EXPECT_EQ(fields.ImageWidth, -32768);
  EXPECT_EQ(fields.ImageHeight, -1);
  EXPECT_FALSE(FitsPlanes(fields.ImageWidth, fields.ImageHeight));
  EXPECT_FALSE(FitsPlanes(1025, 1));
  EXPECT_TRUE(FitsPlanes(1024, 0));
}

TEST(TgaHeader, BuildersWriteTheFixedFields) {
  EXPECT_EQ(BuildTgaHeader(256, 256, 32), (TgaHeader{0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 0, 1, 32, 40}));
  const TgaHeader wide = BuildTgaHeader(1000, 384, 24);
  EXPECT_EQ((std::vector<std::uint8_t>(wide.begin() + 12, wide.end())),
            (std::vector<std::uint8_t>{232, 3, 128, 1, 24, 32}));
  EXPECT_EQ(BuildAlphaHeader(512, 256), (TgaHeader{0, 0, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 0, 1, 8, 32}));
}

TEST(TgaHeader, BuiltHeadersReadBackForEveryDimension) {
  for (int size = 0; size <= kMaxDimension; ++size) {
    const auto color = ParseTgaHeader(BuildTgaHeader(size, kMaxDimension - size, 24));
    const auto alpha = ParseTgaHeader(BuildAlphaHeader(kMaxDimension - size, size));
    ASSERT_EQ(color.ImageWidth, size);
    ASSERT_EQ(color.ImageHeight, kMaxDimension - size);
    ASSERT_EQ(alpha.ImageWidth, kMaxDimension - size);
    ASSERT_EQ(alpha.ImageHeight, size);
    ASSERT_EQ(color.ImageOrigin, kOriginTopLeft);
    ASSERT_EQ(alpha.ImageOrigin, kOriginTopLeft);
  }
}

// Decodes a whole file into a state that was filled with 0xEE beforehand, so
// that untouched elements show.
struct Decoded {
  ImageState state;
  explicit Decoded(const std::vector<std::uint8_t>& file) {
    std::fill(state.ColorBuffer.begin(), state.ColorBuffer.end(), 0xEE);
    std::fill(state.AlphaBuffer.begin(), state.AlphaBuffer.end(), 0xEE);
    std::vector<std::uint8_t> scratch;
    DecodeTgaPixels(file, ParseTgaHeader(HeaderOf(file)), state, scratch);
  }
  std::vector<int> Rgb(int x, int y) const {
    const std::uint8_t* pixel = state.ColorAt(x, y);
    return {pixel[0], pixel[1], pixel[2]};
  }
};

TEST(TgaReader, PlacesPixelsByOrigin) {
  // P0..P3 as stored; P0 is blue 10, green 20, red 30.
  const std::vector<std::uint8_t> stored = {10, 20, 30, 11, 21, 31, 12, 22, 32, 13, 23, 33};
  const std::vector<int> p0 = {30, 20, 10};
  const std::vector<int> p1 = {31, 21, 11};
  const std::vector<int> p2 = {32, 22, 12};

  Decoded bottomLeft(TgaFile(2, 24, 0x00, 2, 2, stored));
  EXPECT_EQ(bottomLeft.Rgb(0, 1), p0);
  EXPECT_EQ(bottomLeft.Rgb(1, 1), p1);
  EXPECT_EQ(bottomLeft.Rgb(0, 0), p2);

  Decoded topLeft(TgaFile(2, 24, 0x20, 2, 2, stored));
  EXPECT_EQ(topLeft.Rgb(0, 0), p0);
  EXPECT_EQ(topLeft.Rgb(1, 0), p1);
  EXPECT_EQ(topLeft.Rgb(0, 1), p2);

  EXPECT_EQ(Decoded(TgaFile(2, 24, 0x30, 2, 2, stored)).Rgb(1, 0), p0);
  EXPECT_EQ(Decoded(TgaFile(2, 24, 0x10, 2, 2, stored)).Rgb(1, 1), p0);
}

TEST(TgaReader, EveryOriginGivesTheSameImage) {
  const TestImage image = testing::NoiseImage(7, 5, 1);
  for (int origin = 0; origin < 4; ++origin) {
    const auto descriptor = static_cast<std::uint8_t>(origin << 4);
    Decoded color(TgaFile(2, 32, descriptor | 8, 7, 5, StoreTgaPixels(image, origin, true)));
    Decoded gray(TgaFile(3, 8, descriptor, 7, 5, StoreGrayPixels(image, origin)));
    for (int y = 0; y < 5; ++y) {
      for (int x = 0; x < 7; ++x) {
        ASSERT_TRUE(std::equal(image.Rgb(x, y), image.Rgb(x, y) + 3, color.state.ColorAt(x, y))) << origin;
        ASSERT_EQ(color.state.AlphaAt(x, y), image.Alpha(x, y)) << origin;
        ASSERT_EQ(gray.state.AlphaAt(x, y), image.Alpha(x, y)) << origin;
        ASSERT_EQ(gray.state.ColorAt(x, y)[0], 0xEE) << "a grayscale image leaves the colour plane";
      }
    }
  }
}

TEST(TgaReader, BytesPerPixelFollowTypeAndDepth) {
  // A 24-bit file reads three bytes per pixel and leaves the alpha plane.
  Decoded rgb(TgaFile(2, 24, 0x20, 2, 1, {1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(rgb.Rgb(1, 0), (std::vector<int>{6, 5, 4}));
  EXPECT_EQ(rgb.state.AlphaAt(0, 0), 0xEE);

  // Depths other than 24 and 32 on type 2 still take three bytes per pixel.
  Decoded sixteen(TgaFile(2, 16, 0x20, 2, 1, {1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(sixteen.Rgb(1, 0), (std::vector<int>{6, 5, 4}));

  // Another type with depth 32 takes one byte per pixel into the alpha plane.
  Decoded mapped(TgaFile(1, 32, 0x20, 2, 1, {7, 8}));
  EXPECT_EQ(mapped.state.AlphaAt(1, 0), 8);
  EXPECT_EQ(mapped.state.ColorAt(0, 0)[0], 0xEE);

  // A run-length encoded file stores nothing.
  Decoded encoded(TgaFile(10, 24, 0x20, 2, 1, {1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(encoded.state.ColorAt(0, 0)[0], 0xEE);
  EXPECT_EQ(encoded.state.AlphaAt(0, 0), 0xEE);
}

TEST(TgaReader, SkipsTheImageIdButNotAColourMap) {
  Decoded withId(TgaFile(2, 24, 0x20, 1, 1, {1, 2, 3}, 5));
  EXPECT_EQ(withId.Rgb(0, 0), (std::vector<int>{3, 2, 1}));
  Decoded longId(TgaFile(2, 24, 0x20, 1, 1, {1, 2, 3}, 255));
  EXPECT_EQ(longId.Rgb(0, 0), (std::vector<int>{3, 2, 1}));
}

TEST(TgaReader, MissingBytesReadAsZeroAndExtraBytesAreIgnored) {
  Decoded shortFile(TgaFile(2, 32, 0x20, 2, 1, {1, 2, 3, 4, 5, 6}));
  EXPECT_EQ(shortFile.Rgb(1, 0), (std::vector<int>{0, 6, 5}));
  EXPECT_EQ(shortFile.state.AlphaAt(1, 0), 0);
  std::vector<std::uint8_t> truncatedHeader = TgaFile(2, 24, 0x20, 2, 2, {});
  truncatedHeader.resize(13);
  Decoded headerOnly(truncatedHeader);
  EXPECT_EQ(headerOnly.state.ColorAt(0, 0)[0], 0xEE) << "width 2, height 0: nothing to read";
  Decoded longFile(TgaFile(2, 24, 0x20, 1, 1, {1, 2, 3, 9, 9, 9, 9}));
  EXPECT_EQ(longFile.Rgb(0, 0), (std::vector<int>{3, 2, 1}));
}

}  // namespace
}  // namespace rastella
