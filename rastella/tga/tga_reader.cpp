#include "tga/tga_reader.h"

#include <cassert>

#include "shell/padded_bytes.h"

namespace rastella {

int TgaColorBytesPerPixel(const TgaHeaderFields& fields) { return fields.ImageType == 2 ? 3 : 0; }

int TgaAlphaBytesPerPixel(const TgaHeaderFields& fields) {
  return fields.BitsPerPixel == 32 || fields.ImageType == 3 ? 1 : 0;
}

namespace {

// Copies one stored row into row `y` of the planes; `fromRight` when the
// file stores the row's rightmost pixel first.
template <int kColorBytes, int kAlphaBytes>
void StoreRow(const std::uint8_t* stored, int width, int y, bool fromRight, ImageState& state) {
  constexpr int kPixelBytes = kColorBytes + kAlphaBytes;
  std::uint8_t* colorRow = state.ColorAt(0, y);
  std::uint8_t* alphaRow = &state.AlphaAt(0, y);
  for (int i = 0; i < width; ++i) {
    const int x = fromRight ? width - 1 - i : i;
    const std::uint8_t* pixel = stored + static_cast<std::ptrdiff_t>(i) * kPixelBytes;
    if constexpr (kColorBytes == 3) {
      colorRow[3 * x + 0] = pixel[2];
      colorRow[3 * x + 1] = pixel[1];
      colorRow[3 * x + 2] = pixel[0];
    }
    if constexpr (kAlphaBytes == 1) {
      alphaRow[x] = pixel[kColorBytes];
    }
  }
}

template <int kColorBytes, int kAlphaBytes>
void StoreRows(const std::uint8_t* pixels, const TgaHeaderFields& fields, ImageState& state) {
  const int width = fields.ImageWidth;
  const int height = fields.ImageHeight;
  const bool fromBottom = fields.ImageOrigin == kOriginBottomLeft || fields.ImageOrigin == kOriginBottomRight;
  const bool fromRight = fields.ImageOrigin == kOriginBottomRight || fields.ImageOrigin == kOriginTopRight;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * (kColorBytes + kAlphaBytes);
  for (int row = 0; row < height; ++row) {
    const int y = fromBottom ? height - 1 - row : row;
    StoreRow<kColorBytes, kAlphaBytes>(pixels + rowBytes * static_cast<std::size_t>(row), width, y, fromRight,
                                       state);
  }
}

}  // namespace

void DecodeTgaPixels(std::span<const std::uint8_t> file, const TgaHeaderFields& fields, ImageState& state,
                     std::vector<std::uint8_t>& scratch) {
  assert(FitsImageState(fields.ImageWidth, fields.ImageHeight));
  const int colorBytes = TgaColorBytesPerPixel(fields);
  const int alphaBytes = TgaAlphaBytesPerPixel(fields);
  const std::size_t pixelCount = static_cast<std::size_t>(fields.ImageWidth) * fields.ImageHeight;
  if (colorBytes + alphaBytes == 0 || pixelCount == 0) {
    return;
  }
  const std::span<const std::uint8_t> pixels = PaddedRange(
      file, std::size_t{fields.DataStart} - 1, pixelCount * static_cast<std::size_t>(colorBytes + alphaBytes), scratch);
  if (colorBytes == 3 && alphaBytes == 1) {
    StoreRows<3, 1>(pixels.data(), fields, state);
  } else if (colorBytes == 3) {
    StoreRows<3, 0>(pixels.data(), fields, state);
  } else {
    StoreRows<0, 1>(pixels.data(), fields, state);
  }
}

}  // namespace rastella
