// The SSE4.1 kernels against the portable ones: the same files, planes and
// pixels for every width from 0 to 1024, with and without alpha, with
// all-zero rows, every filter type and undefined ones; and the row-wise
// drawing against the pixel-by-pixel one.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

#include "display/display.h"
#include "display/picture_surface.h"
#include "shell/show_image.h"
#include "shell/headless_window.h"
#include "image/kernel_set.h"
#include "test_support.h"
#include "tga/tga_header.h"
#include "tga/tga_reader.h"
#include "tga/tga_writer.h"
#include "ztf/ztf_decoder.h"
#include "ztf/ztf_encoder.h"
#include "ztf/ztf_lanes_sse41.h"

namespace rastella {
namespace {

using testing::TestImage;

#define SKIP_WITHOUT_VECTOR_KERNELS()                                \
  if (!KernelSetAvailable(KernelSet::Sse41)) {                       \
    GTEST_SKIP() << "this processor runs only the portable kernels"; \
  }

constexpr int kWidestImage = 1024;

// Rows that lead the encoder to every choice in turn: all zero (in the
// colour and the alpha plane on different rows), noise, a copy of the row
// above (Up), a ramp along the row (Sub), a smooth surface (Average or
// Paeth), a row whose only non-zero byte is in its last pixel, and small
// changes to the row above.
TestImage PatternedImage(int width, int height, std::uint32_t seed) {
  TestImage image(width, height);
  std::mt19937 random(seed);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* pixel = image.Rgb(x, y);
      const std::uint8_t* above = y > 0 ? image.Rgb(x, y - 1) : nullptr;
      for (int c = 0; c < 3; ++c) {
        switch (y % 7) {
          case 0:
            pixel[c] = 0;
            break;
          case 1:
            pixel[c] = static_cast<std::uint8_t>(random());
            break;
          case 2:
            pixel[c] = above[c];
            break;
          case 3:
            pixel[c] = static_cast<std::uint8_t>(x * (c + 1));
            break;
          case 4:
            pixel[c] = static_cast<std::uint8_t>((x * x + y * 40) / 16 + c);
            break;
          case 5:
            pixel[c] = x == width - 1 ? 9 : 0;
            break;
          default:
            pixel[c] = static_cast<std::uint8_t>(above[c] + random() % 3);
            break;
        }
      }
      image.Alpha(x, y) = y % 5 == 1 ? 0 : static_cast<std::uint8_t>(y % 5 == 3 ? random() : x + 2 * y);
    }
  }
  return image;
}

std::vector<std::uint8_t> RandomBytes(std::size_t count, std::mt19937& random) {
  std::vector<std::uint8_t> bytes(count);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

// A ZTF file of random filtered bytes whose row types come from
// `typeOf(random)`.
template <typename TypeOf>
std::vector<std::uint8_t> RandomZtf(int width, int height, bool withAlpha, std::mt19937& random, TypeOf typeOf) {
  const ZtfHeader header = BuildZtfHeader(width, height, withAlpha ? 32 : 24);
  std::vector<std::uint8_t> file(header.begin(), header.end());
  for (const int unit : {3, 1}) {
    if (unit == 1 && !withAlpha) break;
    for (int y = 0; y < height; ++y) file.push_back(typeOf(random));
    const std::vector<std::uint8_t> rows = RandomBytes(static_cast<std::size_t>(unit) * width * height, random);
    file.insert(file.end(), rows.begin(), rows.end());
  }
  return file;
}

// Two image states decoded from the same file by the two kernel sets.
struct DecodedTwice {
  std::unique_ptr<ImageState> portable = std::make_unique<ImageState>();
  std::unique_ptr<ImageState> vector = std::make_unique<ImageState>();
  std::vector<std::uint8_t> scratch;

  DecodedTwice() {
    for (ImageState* state : {portable.get(), vector.get()}) {
      std::fill(state->ColorBuffer.begin(), state->ColorBuffer.end(), 0xEE);
      std::fill(state->AlphaBuffer.begin(), state->AlphaBuffer.end(), 0xEE);
    }
  }

  // True when the first `rows` + 1 rows of both planes are equal, whole
  // rows: nothing right of or below the image may differ either.
  bool Agree(int rows) const {
    const std::size_t colorBytes = kColorRowBytes * static_cast<std::size_t>(std::min(rows + 1, kMaxDimension));
    const std::size_t alphaBytes =
        std::size_t{kMaxDimension} * static_cast<std::size_t>(std::min(rows + 1, kMaxDimension));
    return std::equal(portable->ColorBuffer.begin(),
                      portable->ColorBuffer.begin() + static_cast<std::ptrdiff_t>(colorBytes),
                      vector->ColorBuffer.begin()) &&
           std::equal(portable->AlphaBuffer.begin(),
                      portable->AlphaBuffer.begin() + static_cast<std::ptrdiff_t>(alphaBytes),
                      vector->AlphaBuffer.begin());
  }
};

::testing::AssertionResult DecodeBothWays(const std::vector<std::uint8_t>& file, DecodedTwice& decoded) {
  ZtfHeader header{};
  std::copy_n(file.begin(), header.size(), header.begin());
  const ZtfHeaderFields fields = ParseZtfHeader(header);
  DecodeZtfPlanes(file, fields, *decoded.portable, decoded.scratch, KernelSet::Portable);
  DecodeZtfPlanes(file, fields, *decoded.vector, decoded.scratch, KernelSet::Sse41);
  if (decoded.Agree(fields.ImageHeight)) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << fields.ImageWidth << " x " << fields.ImageHeight
                                       << (fields.BitsPerPixel == 32 ? " with alpha" : "");
}

std::uint8_t AnyDefinedType(std::mt19937& random) { return static_cast<std::uint8_t>(random() % 5); }
std::uint8_t AnyByte(std::mt19937& random) { return static_cast<std::uint8_t>(random()); }
std::uint8_t Paeth(std::mt19937&) { return kFilterPaeth; }

TEST(VectorKernels, EncoderWritesTheSameFileAtEveryWidth) {
  SKIP_WITHOUT_VECTOR_KERNELS();
  auto state = std::make_unique<ImageState>();
  for (int width = 0; width <= kWidestImage; ++width) {
    for (const TestImage& image : {PatternedImage(width, 8, static_cast<std::uint32_t>(width)),
                                   testing::NoiseImage(width, 2, static_cast<std::uint32_t>(width))}) {
      testing::LoadIntoState(image, *state);
      for (const bool withAlpha : {false, true}) {
        const std::uint8_t depth = withAlpha ? 32 : 24;
        const std::vector<std::uint8_t> portable =
            EncodeZtf(*state, width, image.height, depth, {}, KernelSet::Portable);
        ASSERT_EQ(portable, EncodeZtf(*state, width, image.height, depth, {}, KernelSet::Sse41))
            << width << " x " << image.height << (withAlpha ? " with alpha" : "");
        if (width % 97 == 1) {
          ASSERT_EQ(portable, testing::ReferenceZtf(image, withAlpha)) << width;
        }
      }
    }
  }
}

TEST(VectorKernels, DecoderRebuildsTheSamePlanesAtEveryWidth) {
  SKIP_WITHOUT_VECTOR_KERNELS();
  DecodedTwice decoded;
  auto state = std::make_unique<ImageState>();
  std::mt19937 random(5);
  // 17 rows cross the boundary of the colour plane's bands of 15 rows.
  constexpr int kHeight = 17;
  for (int width = 0; width <= kWidestImage; ++width) {
    testing::LoadIntoState(PatternedImage(width, kHeight, static_cast<std::uint32_t>(width)), *state);
    ASSERT_TRUE(DecodeBothWays(EncodeZtf(*state, width, kHeight, 32, {}, KernelSet::Portable), decoded));
    ASSERT_TRUE(DecodeBothWays(RandomZtf(width, kHeight, width % 2 == 0, random, AnyDefinedType), decoded));
    ASSERT_TRUE(DecodeBothWays(RandomZtf(width, kHeight, true, random, AnyByte), decoded));
  }
}

TEST(VectorKernels, DecoderRebuildsTheSamePlanesAtEveryHeight) {
  SKIP_WITHOUT_VECTOR_KERNELS();
  DecodedTwice decoded;
  std::mt19937 random(6);
  // Around the bands of 15 colour rows and 31 alpha rows, and narrow and
  // wide rows.
  for (const int width : {1, 2, 3, 5, 6, 15, 16, 17, 31, 33, 100, 341, 1023, 1024}) {
    for (int height = 0; height <= 66; ++height) {
      ASSERT_TRUE(DecodeBothWays(RandomZtf(width, height, true, random, AnyDefinedType), decoded));
      ASSERT_TRUE(DecodeBothWays(RandomZtf(width, height, true, random, Paeth), decoded));
    }
  }
  // The tallest images, every row Paeth or every type mixed.
  ASSERT_TRUE(DecodeBothWays(RandomZtf(1024, 1024, true, random, Paeth), decoded));
  ASSERT_TRUE(DecodeBothWays(RandomZtf(999, 1024, true, random, AnyByte), decoded));
}

TEST(VectorKernels, TgaReaderStoresTheSamePixelsAtEveryWidth) {
  SKIP_WITHOUT_VECTOR_KERNELS();
  DecodedTwice decoded;
  std::mt19937 random(7);
  constexpr int kHeight = 2;
  struct Layout {
    std::uint8_t type;
    std::uint8_t depth;
    int bytesPerPixel;
  };
  // 32 and 24 bits, grayscale, a 16-bit file read as three bytes per pixel,
  // and a run-length type whose depth of 32 fills the alpha plane.
  const Layout layouts[] = {{2, 32, 4}, {2, 24, 3}, {3, 8, 1}, {2, 16, 3}, {10, 32, 1}};
  for (int width = 0; width <= kWidestImage; ++width) {
    for (const Layout& layout : layouts) {
      for (int origin = 0; origin < 4; ++origin) {
        const std::vector<std::uint8_t> file =
            testing::TgaFile(layout.type, layout.depth, static_cast<std::uint8_t>(origin << 4), width, kHeight,
                             RandomBytes(static_cast<std::size_t>(width) * kHeight * layout.bytesPerPixel, random));
        TgaHeader header{};
        std::copy_n(file.begin(), header.size(), header.begin());
        const TgaHeaderFields fields = ParseTgaHeader(header);
        DecodeTgaPixels(file, fields, *decoded.portable, decoded.scratch, KernelSet::Portable);
        DecodeTgaPixels(file, fields, *decoded.vector, decoded.scratch, KernelSet::Sse41);
        ASSERT_TRUE(decoded.Agree(kHeight))
            << width << " wide, type " << int{layout.type} << ", depth " << int{layout.depth} << ", origin " << origin;
      }
    }
  }
}

TEST(VectorKernels, TgaWriterWritesTheSameFileAtEveryWidth) {
  SKIP_WITHOUT_VECTOR_KERNELS();
  auto state = std::make_unique<ImageState>();
  for (int width = 0; width <= kWidestImage; ++width) {
    const TestImage image = testing::NoiseImage(width, 3, static_cast<std::uint32_t>(width));
    testing::LoadIntoState(image, *state);
    for (const bool withAlpha : {false, true}) {
      const TgaHeader header = BuildTgaHeader(width, image.height, withAlpha ? 32 : 24);
      const std::vector<std::uint8_t> portable =
          EncodeColorTga(header, *state, width, image.height, withAlpha, KernelSet::Portable);
      ASSERT_EQ(portable, EncodeColorTga(header, *state, width, image.height, withAlpha, KernelSet::Sse41))
          << width << (withAlpha ? " with alpha" : "");
      std::vector<std::uint8_t> expected(header.begin(), header.end());
      const std::vector<std::uint8_t> stored = testing::StoreTgaPixels(image, 2, withAlpha);
      expected.insert(expected.end(), stored.begin(), stored.end());
      ASSERT_EQ(portable, expected) << width;
    }
  }
}

#if RASTELLA_SSE41_KERNELS

// Compares the predictors of sixteen lanes, c running over `cBase` to
// `cBase` + 15, with the byte procedures.
RASTELLA_TARGET_SSE41 bool LanesMatch(int a, int b, int cBase) {
  alignas(16) std::uint8_t c[16];
  for (int lane = 0; lane < 16; ++lane) c[lane] = static_cast<std::uint8_t>(cBase + lane);
  const __m128i as = _mm_set1_epi8(static_cast<char>(a));
  const __m128i bs = _mm_set1_epi8(static_cast<char>(b));
  alignas(16) std::uint8_t paeth[16];
  alignas(16) std::uint8_t average[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(paeth),
                  PaethPredictLanes(as, bs, _mm_load_si128(reinterpret_cast<const __m128i*>(c))));
  _mm_store_si128(reinterpret_cast<__m128i*>(average), AveragePredictLanes(as, bs));
  for (int lane = 0; lane < 16; ++lane) {
    const auto byteA = static_cast<std::uint8_t>(a);
    const auto byteB = static_cast<std::uint8_t>(b);
    if (paeth[lane] != PaethPredict(byteA, byteB, c[lane]) || average[lane] != AveragePredict(byteA, byteB)) {
      return false;
    }
  }
  return true;
}

TEST(VectorKernels, PredictorLanesMatchTheBytePredictorsForEveryTriple) {
  SKIP_WITHOUT_VECTOR_KERNELS();
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      for (int c = 0; c < 256; c += 16) {
        if (!LanesMatch(a, b, c)) FAIL() << "a " << a << ", b " << b << ", c from " << c;
      }
    }
  }
}

#endif

// The picture role over a PictureSurface, but without SetPixelRow of its
// own: every row the display draws arrives through the interface's default,
// one SetPixel at a time.  Counts the pixels asked for outside the drawing
// area.
class PixelByPixelPicture : public PictureOperations {
 public:
  void ClearPicture() override { surface_.ClearPicture(); }
  ColorValue PictureBackground() const override { return surface_.PictureBackground(); }
  void SetPictureBackground(ColorValue color) override { surface_.SetPictureBackground(color); }
  void SetPixel(int x, int y, ColorValue color) override {
    if (x < 0 || y < 0 || x >= kPictureSize || y >= kPictureSize) ++pixelsOutside_;
    surface_.SetPixel(x, y, color);
  }
  void ShowPicture() override {}
  void SetPictureLineWidth(int) override {}

  const PictureSurface& Surface() const { return surface_; }
  int PixelsOutside() const { return pixelsOutside_; }

 private:
  PictureSurface surface_;
  int pixelsOutside_ = 0;
};

bool SameSurface(const PictureSurface& first, const PictureSurface& second) {
  for (int y = 0; y < kPictureSize; ++y) {
    for (int x = 0; x < kPictureSize; ++x) {
      if (first.PixelAt(x, y) != second.PixelAt(x, y)) return false;
    }
  }
  return true;
}

TEST(RowDrawing, DrawsTheSamePixelsAsOneSetPixelPerPixelAndNothingOutside) {
  struct Case {
    int width;
    int height;
    std::uint8_t bitsPerPixel;
    std::uint8_t imageType;
    bool asZtf;
  };
  const Case cases[] = {
      {1024, 1024, 32, 2, true}, {300, 200, 32, 2, true}, {700, 90, 24, 2, true},     {256, 256, 32, 2, false},
      {257, 10, 32, 2, false},   {600, 40, 8, 3, false},  {1024, 1024, 24, 2, false}, {0, 5, 32, 2, true},
  };
  auto state = std::make_unique<ImageState>();
  HeadlessWindow status("/");
  for (const Case& drawn : cases) {
    testing::LoadIntoState(PatternedImage(drawn.width, drawn.height, 3), *state);
    state->BitsPerPixel = drawn.bitsPerPixel;
    state->ImageType = drawn.imageType;
    state->ImageLoaded = true;
    PictureSurface rows;
    PixelByPixelPicture pixels;
    for (PictureOperations* picture : std::initializer_list<PictureOperations*>{&rows, &pixels}) {
      picture->SetPictureBackground(MakeColor(128, 128, 128));
      if (drawn.asZtf) {
        ShowZTF(*state, status, *picture);
      } else {
        ShowTGA(*state, status, *picture);
      }
    }
    EXPECT_TRUE(SameSurface(rows, pixels.Surface())) << drawn.width << " x " << drawn.height;
    EXPECT_EQ(pixels.PixelsOutside(), 0) << drawn.width << " x " << drawn.height;
  }
}

TEST(RowDrawing, HeadlessRowsAreClippedLikeSinglePixels) {
  HeadlessWindow rows("/");
  HeadlessWindow single("/");
  const std::vector<ColorValue> colors = [] {
    std::vector<ColorValue> values(40);
    for (std::size_t i = 0; i < values.size(); ++i) values[i] = MakeColor(static_cast<std::uint32_t>(i), 1, 2);
    return values;
  }();
  for (const auto& [x, y] : std::vector<std::pair<int, int>>{
           {-5, 3}, {500, 7}, {-100, 9}, {600, 11}, {0, -1}, {0, kPictureSize}, {478, kPictureSize - 1}, {3, 0}}) {
    rows.SetPixelRow(x, y, colors);
    for (std::size_t i = 0; i < colors.size(); ++i) single.SetPixel(x + static_cast<int>(i), y, colors[i]);
  }
  EXPECT_TRUE(SameSurface(rows.Surface(), single.Surface()));
  EXPECT_EQ(rows.PixelAt(0, 3), MakeColor(5, 1, 2));
  EXPECT_EQ(rows.PixelAt(kPictureSize - 1, 7), MakeColor(17, 1, 2));
}

}  // namespace
}  // namespace rastella
