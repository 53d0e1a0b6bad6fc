#pragma once
// ZTF: the viewer's own lossless format.  A 24-bit RGB image with an
// optional 8-bit alpha plane, each row of each plane filtered with one of the
// five PNG filter types and stored uncompressed.  W and H are the image's
// width and height; multi-byte numbers are little-endian.
//
//   offset            length  content
//   0                 12      header (below)
//   12                H       colour filter-type table, one byte per row
//   12 + H            3*W*H   colour rows, top row first; pixel x of a row is
//                             bytes 3x, 3x+1, 3x+2 = red, green, blue
//   12 + H*(3W+1)     H       alpha filter-type table (only with alpha)
//   12 + H*(3W+2)     W*H     alpha rows, top row first (only with alpha)
//
// Header: 0..2 "ZTF", 3 0x1A, 4 '1', 5 '0', 6 reserved 0, 7 alpha flag
// (written as 1; any non-zero value means an alpha plane follows), 8..9
// width, 10..11 height.  Nothing follows the last plane: no padding,
// checksum or end marker.
//
// Filter types: 0 None, 1 Sub (predictor a), 2 Up (b), 3 Average
// ((a + b) / 2 without wrap-around), 4 Paeth.  For a byte of a plane, a is the
// same channel of the pixel to its left, b of the pixel above, c of the pixel
// above-left; a neighbour outside the image (a and c in column 0, b and c in
// row 0) counts as 0.  Neighbours are always unfiltered bytes.  This is PNG
// filter method 0 with a filter unit of 3 bytes (colour) or 1 byte (alpha).

#include <array>
#include <cstddef>
#include <cstdint>

namespace rastella {

using ZtfHeader = std::array<std::uint8_t, 12>;

inline constexpr std::size_t kZtfHeaderBytes = 12;
inline constexpr std::uint16_t kZtfDataStart = 13;

enum ZtfFilter : std::uint8_t {
  kFilterNone = 0,
  kFilterSub = 1,
  kFilterUp = 2,
  kFilterAverage = 3,
  kFilterPaeth = 4,
};

struct ZtfHeaderFields {
  std::int16_t ImageWidth = 0;
  std::int16_t ImageHeight = 0;
  std::uint8_t BitsPerPixel = 0;  // 32 with an alpha plane, else 24
};

ZtfHeader BuildZtfHeader(int width, int height, std::uint8_t bitsPerPixel);
// Checks neither the magic nor the fixed bytes nor the dimensions.
ZtfHeaderFields ParseZtfHeader(const ZtfHeader& header);

// Where the parts of a complete file of these dimensions start, as the
// table above gives them, and the file's length.  Every offset into a ZTF
// file comes from here.
struct ZtfLayout {
  std::size_t colorTypes = 0;  // the colour filter-type table
  std::size_t colorRows = 0;
  std::size_t alphaTypes = 0;  // without alpha: where the file ends
  std::size_t alphaRows = 0;
  std::size_t fileSize = 0;
};

constexpr ZtfLayout ZtfLayoutOf(int width, int height, bool withAlpha) {
  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t h = static_cast<std::size_t>(height);
  ZtfLayout layout;
  layout.colorTypes = kZtfHeaderBytes;
  layout.colorRows = layout.colorTypes + h;
  layout.alphaTypes = layout.colorRows + 3 * w * h;
  layout.alphaRows = layout.alphaTypes + h;
  layout.fileSize = withAlpha ? layout.alphaRows + w * h : layout.alphaTypes;
  return layout;
}

// The PNG Paeth predictor of left a, above b and upper-left c; ties go to a,
// then b.
constexpr std::uint8_t PaethPredict(std::uint8_t a, std::uint8_t b, std::uint8_t c) {
  const int p = a + b - c;
  const int pa = p > a ? p - a : a - p;
  const int pb = p > b ? p - b : b - p;
  const int pc = p > c ? p - c : c - p;
  if (pa <= pb && pa <= pc) {
    return a;
  }
  return pb <= pc ? b : c;
}

constexpr std::uint8_t AddMod256(std::uint8_t x, std::uint8_t y) { return static_cast<std::uint8_t>(x + y); }
constexpr std::uint8_t SubMod256(std::uint8_t x, std::uint8_t y) { return static_cast<std::uint8_t>(x - y); }

// The Average predictor: the sum is taken without wrap-around.
constexpr std::uint8_t AveragePredict(std::uint8_t a, std::uint8_t b) { return static_cast<std::uint8_t>((a + b) / 2); }

}  // namespace rastella
