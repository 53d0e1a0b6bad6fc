#include "tga/tga_reader.h"

#include <cassert>
#include <cstring>

#include "image/padded_bytes.h"
#include "tga/tga_kernels.h"

namespace rastella {

namespace {

// Bytes that one stored pixel takes: three colour bytes (blue, green, red)
// for image type 2, then one byte for the alpha plane when the depth is 32
// or the type is 3 (grayscale).  Other types take one byte with depth 32
// and nothing otherwise.
int TgaColorBytesPerPixel(const TgaHeaderFields& fields) { return fields.ImageType == 2 ? 3 : 0; }

int TgaAlphaBytesPerPixel(const TgaHeaderFields& fields) {
  return fields.BitsPerPixel == 32 || fields.ImageType == 3 ? 1 : 0;
}

// One row of pixels as the file stores it into rows of the planes; pixel i
// of the stored row is pixel width - 1 - i of the row when kFromRight.
template <int kColorBytes, int kAlphaBytes, bool kFromRight>
void ReadRow(const std::uint8_t* stored, int width, std::uint8_t* colorRow, std::uint8_t* alphaRow) {
  constexpr int kPixelBytes = kColorBytes + kAlphaBytes;
  for (int i = 0; i < width; ++i) {
    const int x = kFromRight ? width - 1 - i : i;
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

// A row stored from the left: colour rows go through the kernel table, and
// a grayscale row is copied as it is.
template <int kColorBytes, int kAlphaBytes>
void ReadRowFromLeft(const TgaKernels& table, const std::uint8_t* stored, int width, std::uint8_t* colorRow,
                     std::uint8_t* alphaRow) {
  if constexpr (kColorBytes == 3 && kAlphaBytes == 1) {
    table.readBgraRow(stored, width, colorRow, alphaRow);
  } else if constexpr (kColorBytes == 3) {
    table.readBgrRow(stored, width, colorRow);
  } else {
    std::memcpy(alphaRow, stored, static_cast<std::size_t>(width));
  }
}

template <int kColorBytes, int kAlphaBytes>
void StoreRows(const std::uint8_t* pixels, const TgaHeaderFields& fields, Planes& planes, const TgaKernels& table) {
  const int width = fields.ImageWidth;
  const int height = fields.ImageHeight;
  const bool fromBottom = fields.ImageOrigin == kOriginBottomLeft || fields.ImageOrigin == kOriginBottomRight;
  const bool fromRight = fields.ImageOrigin == kOriginBottomRight || fields.ImageOrigin == kOriginTopRight;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * (kColorBytes + kAlphaBytes);
  for (int row = 0; row < height; ++row) {
    const int y = fromBottom ? height - 1 - row : row;
    const std::uint8_t* stored = pixels + rowBytes * static_cast<std::size_t>(row);
    if (fromRight) {
      ReadRow<kColorBytes, kAlphaBytes, true>(stored, width, planes.ColorAt(0, y), planes.AlphaRow(y));
    } else {
      ReadRowFromLeft<kColorBytes, kAlphaBytes>(table, stored, width, planes.ColorAt(0, y), planes.AlphaRow(y));
    }
  }
}

}  // namespace

void ReadBgraRowPortable(const std::uint8_t* stored, int width, std::uint8_t* colorRow, std::uint8_t* alphaRow) {
  ReadRow<3, 1, false>(stored, width, colorRow, alphaRow);
}

void ReadBgrRowPortable(const std::uint8_t* stored, int width, std::uint8_t* colorRow) {
  ReadRow<3, 0, false>(stored, width, colorRow, nullptr);
}

void DecodeTgaPixels(std::span<const std::uint8_t> file, const TgaHeaderFields& fields, Planes& planes,
                     std::vector<std::uint8_t>& scratch, KernelSet kernels) {
  assert(FitsPlanes(fields.ImageWidth, fields.ImageHeight));
  const TgaKernels& table = TgaKernelsFor(kernels);
  const int colorBytes = TgaColorBytesPerPixel(fields);
  const int alphaBytes = TgaAlphaBytesPerPixel(fields);
  const std::size_t pixelCount = static_cast<std::size_t>(fields.ImageWidth) * fields.ImageHeight;
  if (colorBytes + alphaBytes == 0 || pixelCount == 0) {
    return;
  }
  const std::span<const std::uint8_t> pixels = PaddedRange(
      file, std::size_t{fields.DataStart} - 1, pixelCount * static_cast<std::size_t>(colorBytes + alphaBytes), scratch);
  if (colorBytes == 3 && alphaBytes == 1) {
    StoreRows<3, 1>(pixels.data(), fields, planes, table);
  } else if (colorBytes == 3) {
    StoreRows<3, 0>(pixels.data(), fields, planes, table);
  } else {
    StoreRows<0, 1>(pixels.data(), fields, planes, table);
  }
}

}  // namespace rastella
