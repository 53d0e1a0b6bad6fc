// Buffers from fresh pages: zero without being written, and left as they
// are by a resize, as the planes and the file buffer rely on.

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "image/fresh_pages.h"
#include "image/packed_image.h"
#include "image/planes.h"

namespace rastella {
namespace {

template <typename Bytes>
bool AllZero(const Bytes& bytes) {
  return std::all_of(bytes.begin(), bytes.end(), [](std::uint8_t byte) { return byte == 0; });
}

TEST(FreshPages, NewBuffersAreZeroWhateverTheirSize) {
  // Below and above the size from which the operating system's pages are
  // taken directly, and again after a block of each size was used and freed.
  for (int round = 0; round < 2; ++round) {
    for (const std::size_t size : {std::size_t{1}, std::size_t{4096}, std::size_t{1} << 20, kColorBufferBytes}) {
      ByteBuffer bytes(size);
      EXPECT_TRUE(AllZero(bytes)) << size << " bytes, round " << round;
      std::fill(bytes.begin(), bytes.end(), std::uint8_t{0xA5});
    }
  }
  const auto planes = std::make_unique<Planes>();
  EXPECT_EQ(planes->ColorBuffer.size(), kColorBufferBytes);
  EXPECT_EQ(planes->AlphaBuffer.size(), kAlphaBufferBytes);
  EXPECT_TRUE(AllZero(planes->ColorBuffer));
  EXPECT_TRUE(AllZero(planes->AlphaBuffer));
}

TEST(FreshPages, BlocksRoundedUpToHugePagesAreZeroAndWritableToTheirEnd) {
  // The picture surface's size, which ends inside its only huge page.
  using Pixels = std::vector<std::uint32_t, FreshPageAllocator<std::uint32_t, HugePages::RoundUp>>;
  for (int round = 0; round < 2; ++round) {
    Pixels pixels(518 * 518);
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](std::uint32_t pixel) { return pixel == 0; }))
        << "round " << round;
    std::fill(pixels.begin(), pixels.end(), 0xA5A5A5A5u);
    EXPECT_EQ(pixels.back(), 0xA5A5A5A5u);
  }
}

TEST(FreshPages, ResizeKeepsTheBytesOfAnEarlierUseAndCopiesCopy) {
  ByteBuffer bytes;
  bytes.reserve(8192);
  bytes.resize(8192);
  std::fill(bytes.begin(), bytes.end(), std::uint8_t{7});
  bytes.clear();
  bytes.resize(100);
  EXPECT_EQ(bytes.front(), 7);
  EXPECT_EQ(bytes.back(), 7);

  const ByteBuffer copy = bytes;
  EXPECT_EQ(copy, bytes);
  const ByteBuffer filled(3, std::uint8_t{9});
  EXPECT_EQ(filled, ByteBuffer({9, 9, 9}));
}

TEST(Planes, CopiesHoldTheirOwnBytesAndMovesKeepTheirs) {
  auto original = std::make_unique<Planes>();
  original->ColorAt(5, 7)[1] = 11;
  original->AlphaAt(1023, 1023) = 22;

  Planes copy = *original;
  EXPECT_TRUE(copy.ColorBuffer == original->ColorBuffer && copy.AlphaBuffer == original->AlphaBuffer);
  copy.ColorAt(5, 7)[1] = 33;
  copy.AlphaAt(0, 0) = 44;
  EXPECT_EQ(original->ColorAt(5, 7)[1], 11) << "a copy writes its own colour plane";
  EXPECT_EQ(original->AlphaAt(0, 0), 0) << "a copy writes its own alpha plane";
  EXPECT_FALSE(copy.ColorBuffer == original->ColorBuffer);

  Planes assigned;
  assigned = *original;
  EXPECT_EQ(assigned.AlphaAt(1023, 1023), 22);
  assigned.AlphaAt(1023, 1023) = 0;
  EXPECT_EQ(original->AlphaAt(1023, 1023), 22);

  const std::uint8_t* block = original->ColorBuffer.data();
  Planes moved = std::move(*original);
  EXPECT_EQ(moved.ColorBuffer.data(), block) << "a move takes the block";
  EXPECT_EQ(moved.ColorAt(5, 7)[1], 11);
  EXPECT_EQ(moved.AlphaAt(1023, 1023), 22);
  original.reset();
  EXPECT_EQ(moved.AlphaAt(1023, 1023), 22) << "the moved planes outlive their source";
}

TEST(PackedImage, CopiesItsRowsIntoThePlanesAtTheirStride) {
  PackedImage image(3, 2);
  for (int y = 0; y < 2; ++y) {
    for (int x = 0; x < 3; ++x) {
      std::fill_n(image.Rgb(x, y), 3, static_cast<std::uint8_t>(10 * y + x + 1));
      image.Alpha(x, y) = static_cast<std::uint8_t>(100 + 10 * y + x);
    }
  }
  const auto planes = std::make_unique<Planes>();
  image.CopyInto(*planes);
  EXPECT_EQ(planes->ColorAt(2, 1)[0], 13);
  EXPECT_EQ(planes->ColorAt(0, 1)[2], 11);
  EXPECT_EQ(planes->AlphaAt(2, 1), 112);
  EXPECT_EQ(planes->ColorAt(3, 0)[0], 0) << "nothing beyond the image's own columns";
  EXPECT_EQ(planes->AlphaAt(0, 2), 0) << "nothing beyond the image's own rows";

  // Images without pixels have rows without bytes, or no rows.
  PackedImage(0, 3).CopyInto(*planes);
  PackedImage(4, 0).CopyInto(*planes);
  EXPECT_EQ(planes->ColorAt(2, 1)[0], 13) << "an empty image copies nothing";
}

}  // namespace
}  // namespace rastella
