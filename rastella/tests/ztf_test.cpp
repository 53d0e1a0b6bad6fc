// The ZTF filter arithmetic, the header, the encoder's choices and the
// decoder, against worked examples and a literal reference encoder.

#include <gtest/gtest.h>

#include "test_support.h"
#include "ztf/ztf_decoder.h"
#include "ztf/ztf_encoder.h"
#include "ztf/ztf_format.h"

namespace rastella {
namespace {

using testing::TestImage;

// The predictor written the long way, as the PNG standard states it.
int PlainPaeth(int a, int b, int c) {
  const int p = a + b - c;
  const int pa = std::abs(p - a);
  const int pb = std::abs(p - b);
  const int pc = std::abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  if (pb <= pc) return b;
  return c;
}

TEST(ZtfArithmetic, PaethMatchesThePlainPredictorForEveryTriple) {
  for (int a = 0; a < 256; ++a) {
    for (int b = 0; b < 256; ++b) {
      for (int c = 0; c < 256; ++c) {
        const auto predicted =
            PaethPredict(static_cast<std::uint8_t>(a), static_cast<std::uint8_t>(b), static_cast<std::uint8_t>(c));
        if (predicted != PlainPaeth(a, b, c)) {
          FAIL() << "PaethPredict(" << a << ", " << b << ", " << c << ")";
        }
      }
    }
  }
  EXPECT_EQ(PaethPredict(2, 14, 10), 2) << "a wins a tie with c";
  EXPECT_EQ(PaethPredict(14, 2, 10), 2) << "b wins a tie with c";
  EXPECT_EQ(PaethPredict(10, 20, 15), 15);
}

TEST(ZtfArithmetic, ModularSumsAndTheAverageWithoutWrapAround) {
  EXPECT_EQ(AddMod256(200, 100), 44);
  EXPECT_EQ(SubMod256(10, 20), 246);
  EXPECT_EQ(AveragePredict(255, 255), 255);
  EXPECT_EQ(AveragePredict(255, 0), 127);
  for (int u = 0; u < 256; ++u) {
    for (int p = 0; p < 256; ++p) {
      const auto x = static_cast<std::uint8_t>(u);
      const auto y = static_cast<std::uint8_t>(p);
      ASSERT_EQ(AddMod256(SubMod256(x, y), y), x);
    }
  }
}

TEST(ZtfArithmetic, AccumulateAbsReadsBytesAsSigned) {
  EXPECT_EQ(AccumulateAbs(0, 0), 0);
  EXPECT_EQ(AccumulateAbs(0, 127), 127);
  EXPECT_EQ(AccumulateAbs(0, 128), 128);
  EXPECT_EQ(AccumulateAbs(0, 200), 56);
  EXPECT_EQ(AccumulateAbs(10, 255), 11);
  for (int value = 0; value < 256; ++value) {
    const int asSigned = value <= 127 ? value : value - 256;
    ASSERT_EQ(AccumulateAbs(1000, static_cast<std::uint8_t>(value)), 1000 + std::abs(asSigned));
  }
}

TEST(ZtfArithmetic, ChooseFilterTakesTheSmallestSumAndTheLowestTypeOnTies) {
  // Every ordering of four sums drawn from {0, 1, 2}: the result is the
  // first index of the minimum.
  for (int s1 = 0; s1 < 3; ++s1)
    for (int s2 = 0; s2 < 3; ++s2)
      for (int s3 = 0; s3 < 3; ++s3)
        for (int s4 = 0; s4 < 3; ++s4) {
          const std::array<std::int32_t, 5> sums = {999, s1, s2, s3, s4};
          const auto lowest = std::min_element(sums.begin() + 1, sums.end()) - sums.begin();
          ASSERT_EQ(ChooseFilter(sums), lowest) << s1 << s2 << s3 << s4;
        }
}

TEST(ZtfHeader, BuildsAndParsesTheTwelveBytes) {
  const ZtfHeader small = BuildZtfHeader(384, 200, 24);
  EXPECT_EQ(small, (ZtfHeader{'Z', 'T', 'F', 0x1A, '1', '0', 0, 0, 128, 1, 200, 0}));
  const ZtfHeaderFields parsed = ParseZtfHeader(small);
  EXPECT_EQ(parsed.ImageWidth, 384);
  EXPECT_EQ(parsed.ImageHeight, 200);
  EXPECT_EQ(parsed.BitsPerPixel, 24);

  const ZtfHeader large = BuildZtfHeader(1024, 1024, 32);
  EXPECT_EQ((std::vector<std::uint8_t>(large.begin() + 7, large.end())), (std::vector<std::uint8_t>{1, 0, 4, 0, 4}));

  ZtfHeader anyFlag = small;
  anyFlag[7] = 2;
  EXPECT_EQ(ParseZtfHeader(anyFlag).BitsPerPixel, 32);

  EXPECT_EQ(ZtfLayoutOf(1, 1, false).fileSize, 16u);
  EXPECT_EQ(ZtfLayoutOf(2, 2, true).fileSize, 32u);
}

TEST(ZtfLayout, PartsFollowEachOtherWithoutGaps) {
  // 5 x 3 with alpha: 12 header bytes, 3 types, 45 colour bytes, 3 types,
  // 15 alpha bytes.
  const ZtfLayout layout = ZtfLayoutOf(5, 3, true);
  EXPECT_EQ(layout.colorTypes, 12u);
  EXPECT_EQ(layout.colorRows, 15u);
  EXPECT_EQ(layout.alphaTypes, 60u);
  EXPECT_EQ(layout.alphaRows, 63u);
  EXPECT_EQ(layout.fileSize, 78u);
  EXPECT_EQ(ZtfLayoutOf(5, 3, false).fileSize, 60u) << "without alpha the file ends before the alpha table";
  EXPECT_EQ(ZtfLayoutOf(0, 7, true).fileSize, 26u) << "an empty row still has its filter type";
}

std::vector<std::uint8_t> Encode(const TestImage& image, bool withAlpha, int* marks = nullptr) {
  ImageState state;
  testing::LoadIntoState(image, state);
  ZtfEncodeProgress progress;
  progress.rowMark = [marks] {
    if (marks != nullptr) ++*marks;
  };
  return EncodeZtf(state, image.width, image.height, withAlpha ? 32 : 24, progress);
}

std::vector<std::uint8_t> Body(const std::vector<std::uint8_t>& file) {
  return std::vector<std::uint8_t>(file.begin() + 12, file.end());
}

TEST(ZtfEncoder, ThreeByTwoExampleChoosesSubThenUp) {
  TestImage image(3, 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      std::uint8_t* pixel = image.Rgb(x, y);
      pixel[0] = static_cast<std::uint8_t>(10 + 2 * x);
      pixel[1] = static_cast<std::uint8_t>(20 + 2 * x);
      pixel[2] = static_cast<std::uint8_t>(30 + 2 * x);
    }
  }
  const auto file = Encode(image, false);
  ASSERT_EQ(file.size(), 32u);
  EXPECT_EQ(Body(file), (std::vector<std::uint8_t>{1, 2, 10, 20, 30, 2, 2, 2, 2, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(ZtfEncoder, AllZeroRowsAreStoredAsNoneAndForceSubAfterThem) {
  TestImage image(1, 3);
  std::fill_n(image.Rgb(0, 1), 3, 5);
  std::fill_n(image.Rgb(0, 2), 3, 5);
  const auto file = Encode(image, false);
  ASSERT_EQ(file.size(), 24u);
  EXPECT_EQ(Body(file), (std::vector<std::uint8_t>{0, 1, 2, 0, 0, 0, 5, 5, 5, 0, 0, 0}));

  // The planes are classified independently, and an all-zero alpha plane is
  // stored as zeros.
  TestImage blackOpaque(2, 2);
  std::fill(blackOpaque.alpha.begin(), blackOpaque.alpha.end(), 9);
  const auto withAlpha = Encode(blackOpaque, true);
  EXPECT_EQ(Body(withAlpha), (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // colour
                                                        1, 2, 9, 0, 0, 0}));                       // alpha
}

TEST(ZtfEncoder, MarksOnePerTwentyFourRowsOfEachPlane) {
  for (const auto& [height, expected] :
       std::vector<std::pair<int, int>>{{0, 0}, {1, 1}, {24, 1}, {25, 2}, {1024, 43}}) {
    int marks = 0;
    Encode(TestImage(2, height), false, &marks);
    EXPECT_EQ(marks, expected) << height << " rows";
    marks = 0;
    Encode(TestImage(1, height), true, &marks);
    EXPECT_EQ(marks, 2 * expected) << height << " rows with alpha";
  }
}

TEST(ZtfEncoder, EmptyImagesHaveOnlyTablesOrOnlyTheHeader) {
  EXPECT_EQ(Encode(TestImage(0, 3), false),
            (std::vector<std::uint8_t>{'Z', 'T', 'F', 0x1A, '1', '0', 0, 0, 0, 0, 3, 0, 0, 0, 0}));
  EXPECT_EQ(Encode(TestImage(5, 0), true).size(), 12u);
}

TEST(ZtfEncoder, MatchesTheLiteralReferenceOnVariedImages) {
  std::uint32_t seed = 7;
  for (const auto& [width, height] :
       std::vector<std::pair<int, int>>{{1, 1}, {1, 40}, {3, 3}, {17, 9}, {64, 64}, {250, 31}, {1024, 4}}) {
    for (const bool withAlpha : {false, true}) {
      const TestImage structured = testing::StructuredImage(width, height, ++seed);
      ASSERT_EQ(Encode(structured, withAlpha), testing::ReferenceZtf(structured, withAlpha))
          << width << "x" << height << (withAlpha ? " with alpha" : "");
      const TestImage noise = testing::NoiseImage(width, height, ++seed);
      ASSERT_EQ(Encode(noise, withAlpha), testing::ReferenceZtf(noise, withAlpha));
    }
  }
}

// Decodes `file` into a state pre-filled with 0xEE.
ImageState Decode(const std::vector<std::uint8_t>& file) {
  ImageState state;
  std::fill(state.ColorBuffer.begin(), state.ColorBuffer.end(), 0xEE);
  std::fill(state.AlphaBuffer.begin(), state.AlphaBuffer.end(), 0xEE);
  ZtfHeader header{};
  std::copy_n(file.begin(), std::min<std::size_t>(file.size(), 12), header.begin());
  std::vector<std::uint8_t> scratch;
  DecodeZtfPlanes(file, ParseZtfHeader(header), state, scratch);
  return state;
}

std::vector<std::uint8_t> ZtfWithBody(int width, int height, bool withAlpha, const std::vector<std::uint8_t>& body) {
  const ZtfHeader header = BuildZtfHeader(width, height, withAlpha ? 32 : 24);
  std::vector<std::uint8_t> file(header.size() + body.size());
  std::copy(body.begin(), body.end(), std::copy(header.begin(), header.end(), file.begin()));
  return file;
}

TEST(ZtfDecoder, ReconstructsEveryFilterTypeByHand) {
  // Two pixels per row; row 0 is None, then Sub, Up, Average, Paeth.
  // Unfiltered image, red/green/blue per pixel:
  //   row 0: (10 20 30) (40 50 60)
  //   row 1: (11 22 33) (15 27 39)   Sub: 11 22 33, 4 5 6
  //   row 2: (12 24 36) (18 30 42)   Up: 1 2 3, 3 3 3
  //   row 3: (20 30 40) (25 35 45)   Average: 20-6, 30-12, 40-18 ; 25-(20+18)/2, 35-(30+30)/2, 45-(40+42)/2
  //   row 4: (20 30 40) (21 31 41)   Paeth: first pixel predicts b; second
  //                                   a=20,b=25,c=20 -> p=25 -> b
  const std::vector<std::uint8_t> body = {
      0,
      1,
      2,
      3,
      4,
      10,
      20,
      30,
      40,
      50,
      60,
      11,
      22,
      33,
      4,
      5,
      6,
      1,
      2,
      3,
      3,
      3,
      3,
      14,
      18,
      22,
      6,
      5,
      4,
      0,
      0,
      0,
      static_cast<std::uint8_t>(21 - 25),
      static_cast<std::uint8_t>(31 - 35),
      static_cast<std::uint8_t>(41 - 45),
  };
  const ImageState state = Decode(ZtfWithBody(2, 5, false, body));
  const std::vector<std::vector<int>> expected = {{10, 20, 30, 40, 50, 60},
                                                  {11, 22, 33, 15, 27, 39},
                                                  {12, 24, 36, 18, 30, 42},
                                                  {20, 30, 40, 25, 35, 45},
                                                  {20, 30, 40, 21, 31, 41}};
  for (int y = 0; y < 5; ++y) {
    EXPECT_EQ(std::vector<int>(state.ColorAt(0, y), state.ColorAt(0, y) + 6), expected[static_cast<std::size_t>(y)])
        << "row " << y;
  }
  EXPECT_EQ(state.AlphaAt(0, 0), 0xEE) << "a file without alpha leaves the alpha plane";
}

TEST(ZtfDecoder, AnUndefinedTypeGivesZerosThatRowsBelowBuildOn) {
  const std::vector<std::uint8_t> body = {0, 9, 2, 7, 7, 7, 8, 8, 8, 1, 1, 1};
  const ImageState state = Decode(ZtfWithBody(1, 3, false, body));
  EXPECT_EQ(std::vector<int>(state.ColorAt(0, 1), state.ColorAt(0, 1) + 3), (std::vector<int>{0, 0, 0}));
  EXPECT_EQ(std::vector<int>(state.ColorAt(0, 2), state.ColorAt(0, 2) + 3), (std::vector<int>{1, 1, 1}));
  EXPECT_EQ(std::vector<int>(state.ColorAt(0, 0), state.ColorAt(0, 0) + 3), (std::vector<int>{7, 7, 7}));
}

TEST(ZtfDecoder, UpInRowZeroIsNoneAndShortFilesReadZeros) {
  const ImageState up = Decode(ZtfWithBody(1, 1, false, {2, 5, 6, 7}));
  EXPECT_EQ(std::vector<int>(up.ColorAt(0, 0), up.ColorAt(0, 0) + 3), (std::vector<int>{5, 6, 7}));

  // The alpha table ends early: rows of a missing type read as type 0 over
  // zero bytes.
  const ImageState cut = Decode(ZtfWithBody(1, 2, true, {0, 0, 1, 2, 3, 4, 5, 6, 0}));
  EXPECT_EQ(cut.AlphaAt(0, 0), 0);
  EXPECT_EQ(cut.AlphaAt(0, 1), 0);
  EXPECT_EQ(cut.ColorAt(0, 1)[2], 6);
  EXPECT_EQ(cut.AlphaAt(1, 0), 0xEE) << "nothing outside the image is written";

  const ImageState empty = Decode(ZtfWithBody(4, 0, true, {1, 2, 3}));
  EXPECT_EQ(empty.ColorAt(0, 0)[0], 0xEE);
}

TEST(ZtfRoundTrip, DecodingTheEncoderOutputGivesTheImageBack) {
  std::uint32_t seed = 100;
  for (const auto& [width, height] : std::vector<std::pair<int, int>>{{1, 1}, {3, 2}, {33, 70}, {1024, 3}, {2, 1024}}) {
    for (const bool withAlpha : {false, true}) {
      for (const TestImage& image :
           {testing::StructuredImage(width, height, ++seed), testing::NoiseImage(width, height, ++seed)}) {
        std::vector<std::uint8_t> file = Encode(image, withAlpha);
        file.insert(file.end(), {1, 2, 3});  // trailing bytes are ignored
        const ImageState state = Decode(file);
        for (int y = 0; y < height; ++y) {
          for (int x = 0; x < width; ++x) {
            ASSERT_TRUE(std::equal(image.Rgb(x, y), image.Rgb(x, y) + 3, state.ColorAt(x, y)));
            ASSERT_EQ(state.AlphaAt(x, y), withAlpha ? image.Alpha(x, y) : 0xEE);
          }
        }
      }
    }
  }
}

}  // namespace
}  // namespace rastella
