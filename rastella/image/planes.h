#pragma once
// The two pixel planes that every layer works on: a colour plane and an
// alpha plane, each allocated once at the largest image size.  The codecs
// fill them and read them, the display draws from them, and the viewer's
// image state holds one pair.

#include <cstddef>
#include <cstdint>

#include "image/fresh_pages.h"

namespace rastella {

// Images have at most this many columns and rows; every buffer index lies
// in 0 to kMaxDimension - 1.
inline constexpr int kMaxDimension = 1024;
inline constexpr std::size_t kColorRowBytes = kMaxDimension * 3;
inline constexpr std::size_t kColorBufferBytes = kColorRowBytes * kMaxDimension;
inline constexpr std::size_t kAlphaBufferBytes = std::size_t{kMaxDimension} * kMaxDimension;

// True when a header's dimensions fit the planes (0 to 1024 each).  A
// dimension whose high byte is 128 or more is negative and never fits.
constexpr bool FitsPlanes(std::int16_t width, std::int16_t height) {
  return width >= 0 && width <= kMaxDimension && height >= 0 && height <= kMaxDimension;
}

struct Planes {
  // ColorBuffer(x, y, c) lies at (y * 1024 + x) * 3 + c; channel 0 red,
  // 1 green, 2 blue; row 0 is the top row.  Zero at first, from fresh pages
  // that no one writes until a load does.  Never cleared: a load writes
  // only the pixels inside the loaded image.
  ByteBuffer ColorBuffer = ByteBuffer(kColorBufferBytes);
  // AlphaBuffer(x, y) lies at y * 1024 + x.  Alpha plane of a 32-bit image,
  // gray values of a grayscale TGA image.
  ByteBuffer AlphaBuffer = ByteBuffer(kAlphaBufferBytes);

  std::uint8_t* ColorAt(int x, int y) {
    return ColorBuffer.data() + (static_cast<std::size_t>(y) * kMaxDimension + static_cast<std::size_t>(x)) * 3;
  }
  const std::uint8_t* ColorAt(int x, int y) const {
    return ColorBuffer.data() + (static_cast<std::size_t>(y) * kMaxDimension + static_cast<std::size_t>(x)) * 3;
  }
  std::uint8_t* AlphaRow(int y) { return AlphaBuffer.data() + static_cast<std::size_t>(y) * kMaxDimension; }
  const std::uint8_t* AlphaRow(int y) const {
    return AlphaBuffer.data() + static_cast<std::size_t>(y) * kMaxDimension;
  }
  std::uint8_t& AlphaAt(int x, int y) { return AlphaRow(y)[x]; }
  std::uint8_t AlphaAt(int x, int y) const { return AlphaRow(y)[x]; }
};

}  // namespace rastella
