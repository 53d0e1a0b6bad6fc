#pragma once
// The two pixel planes that every layer works on: a colour plane and an
// alpha plane, each allocated once at the largest image size.  The codecs
// fill them and read them, the display draws from them, and the viewer's
// image state holds one pair.

#include <algorithm>
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

// The bytes of one plane: a view into the block that the planes share,
// with the container operations that their users need.
class PlaneBytes {
 public:
  PlaneBytes(std::uint8_t* bytes, std::size_t size) : bytes_(bytes), size_(size) {}

  std::uint8_t* data() { return bytes_; }
  const std::uint8_t* data() const { return bytes_; }
  std::size_t size() const { return size_; }
  std::uint8_t* begin() { return bytes_; }
  std::uint8_t* end() { return bytes_ + size_; }
  const std::uint8_t* begin() const { return bytes_; }
  const std::uint8_t* end() const { return bytes_ + size_; }
  std::uint8_t& operator[](std::size_t index) { return bytes_[index]; }
  const std::uint8_t& operator[](std::size_t index) const { return bytes_[index]; }

  // Equal when the bytes are.
  friend bool operator==(const PlaneBytes& a, const PlaneBytes& b) {
    return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
  }

 private:
  std::uint8_t* bytes_;
  std::size_t size_;
};

// Both planes live in one block of fresh pages, exactly two huge pages
// long: zero at first without being written, and touched only where a load
// writes.
class Planes {
 public:
  Planes() = default;
  // A copy holds its own block with the same bytes; its planes view it.
  Planes(const Planes& other) : block_(other.block_) {}
  Planes& operator=(const Planes& other) {
    std::copy(other.block_.begin(), other.block_.end(), block_.begin());
    return *this;
  }
  // A move takes the block, and the planes still view it.
  Planes(Planes&&) = default;
  Planes& operator=(Planes&&) = default;

 private:
  ByteBuffer block_ = ByteBuffer(kColorBufferBytes + kAlphaBufferBytes);

 public:
  // ColorBuffer(x, y, c) lies at (y * 1024 + x) * 3 + c; channel 0 red,
  // 1 green, 2 blue; row 0 is the top row.  Never cleared: a load writes
  // only the pixels inside the loaded image.
  PlaneBytes ColorBuffer{block_.data(), kColorBufferBytes};
  // AlphaBuffer(x, y) lies at y * 1024 + x.  Alpha plane of a 32-bit image,
  // gray values of a grayscale TGA image.
  PlaneBytes AlphaBuffer{block_.data() + kColorBufferBytes, kAlphaBufferBytes};

  std::uint8_t* ColorAt(int x, int y) {
    return ColorBuffer.data() + (static_cast<std::size_t>(y) * kMaxDimension + static_cast<std::size_t>(x)) * 3;
  }
  const std::uint8_t* ColorAt(int x, int y) const {
    return ColorBuffer.data() + (static_cast<std::size_t>(y) * kMaxDimension + static_cast<std::size_t>(x)) * 3;
  }
  std::uint8_t* AlphaRow(int y) { return AlphaBuffer.data() + static_cast<std::size_t>(y) * kMaxDimension; }
  const std::uint8_t* AlphaRow(int y) const { return AlphaBuffer.data() + static_cast<std::size_t>(y) * kMaxDimension; }
  std::uint8_t& AlphaAt(int x, int y) { return AlphaRow(y)[x]; }
  std::uint8_t AlphaAt(int x, int y) const { return AlphaRow(y)[x]; }
};

}  // namespace rastella
