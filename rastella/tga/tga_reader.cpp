#include "tga/tga_reader.h"

#include <cassert>
#include <cstring>

#include "image/padded_bytes.h"

#if RASTELLA_SSE41_KERNELS
#include <immintrin.h>
#endif

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


// Copies stored pixels `from` to `width` - 1 of one row into row `y` of the
// planes; `fromRight` when the file stores the row's rightmost pixel first.
template <int kColorBytes, int kAlphaBytes>
void StoreRowPortable(const std::uint8_t* stored, int from, int width, int y, bool fromRight, Planes& planes) {
  constexpr int kPixelBytes = kColorBytes + kAlphaBytes;
  std::uint8_t* colorRow = planes.ColorAt(0, y);
  std::uint8_t* alphaRow = &planes.AlphaAt(0, y);
  for (int i = from; i < width; ++i) {
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

#if RASTELLA_SSE41_KERNELS

// A row stored from the left, as many pixels as whole vectors cover; returns
// how many.  A store of the 24-bit loop writes one byte past the pixels it
// completes, which the next store overwrites, so that loop stops while the
// byte still lies inside the row.
template <int kColorBytes, int kAlphaBytes>
RASTELLA_TARGET_SSE41 int StoreRowSse41(const std::uint8_t* stored, int width, std::uint8_t* colorRow,
                                        std::uint8_t* alphaRow) {
  int x = 0;
  if constexpr (kColorBytes == 3 && kAlphaBytes == 1) {
    // Sixteen pixels blue, green, red, alpha per round: each group of four
    // becomes twelve colour bytes red, green, blue followed by its four
    // alpha bytes; the colour bytes are then joined into three vectors and
    // the alpha bytes into one.
    const __m128i split = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, 3, 7, 11, 15);
    for (; x + 16 <= width; x += 16) {
      __m128i groups[4];
      for (int g = 0; g < 4; ++g) {
        groups[g] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(stored + 4 * x + 16 * g)), split);
      }
      const __m128i colors0 = _mm_alignr_epi8(groups[1], _mm_slli_si128(groups[0], 4), 4);
      const __m128i colors1 = _mm_alignr_epi8(groups[2], _mm_slli_si128(groups[1], 4), 8);
      const __m128i colors2 = _mm_alignr_epi8(groups[3], _mm_slli_si128(groups[2], 4), 12);
      const __m128i alpha = _mm_unpackhi_epi64(_mm_unpackhi_epi32(groups[0], groups[1]),
                                               _mm_unpackhi_epi32(groups[2], groups[3]));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(colorRow + 3 * x), colors0);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(colorRow + 3 * x + 16), colors1);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(colorRow + 3 * x + 32), colors2);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(alphaRow + x), alpha);
    }
  } else if constexpr (kColorBytes == 3) {
    // Five pixels blue, green, red become red, green, blue.
    const __m128i swap = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    for (; x + 6 <= width; x += 5) {
      const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stored + 3 * x));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(colorRow + 3 * x), _mm_shuffle_epi8(pixels, swap));
    }
  } else {
    static_cast<void>(colorRow);
    std::memcpy(alphaRow, stored, static_cast<std::size_t>(width));
    x = width;
  }
  return x;
}

#endif

template <int kColorBytes, int kAlphaBytes>
void StoreRows(const std::uint8_t* pixels, const TgaHeaderFields& fields, Planes& planes, KernelSet kernels) {
  const int width = fields.ImageWidth;
  const int height = fields.ImageHeight;
  const bool fromBottom = fields.ImageOrigin == kOriginBottomLeft || fields.ImageOrigin == kOriginBottomRight;
  const bool fromRight = fields.ImageOrigin == kOriginBottomRight || fields.ImageOrigin == kOriginTopRight;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * (kColorBytes + kAlphaBytes);
  for (int row = 0; row < height; ++row) {
    const int y = fromBottom ? height - 1 - row : row;
    const std::uint8_t* stored = pixels + rowBytes * static_cast<std::size_t>(row);
    int done = 0;
#if RASTELLA_SSE41_KERNELS
    if (kernels == KernelSet::Sse41 && !fromRight) {
      done = StoreRowSse41<kColorBytes, kAlphaBytes>(stored, width, planes.ColorAt(0, y), &planes.AlphaAt(0, y));
    }
#else
    static_cast<void>(kernels);
#endif
    StoreRowPortable<kColorBytes, kAlphaBytes>(stored, done, width, y, fromRight, planes);
  }
}

}  // namespace

void DecodeTgaPixels(std::span<const std::uint8_t> file, const TgaHeaderFields& fields, Planes& planes,
                     std::vector<std::uint8_t>& scratch, KernelSet kernels) {
  assert(FitsPlanes(fields.ImageWidth, fields.ImageHeight));
  assert(KernelSetAvailable(kernels));
  const int colorBytes = TgaColorBytesPerPixel(fields);
  const int alphaBytes = TgaAlphaBytesPerPixel(fields);
  const std::size_t pixelCount = static_cast<std::size_t>(fields.ImageWidth) * fields.ImageHeight;
  if (colorBytes + alphaBytes == 0 || pixelCount == 0) {
    return;
  }
  const std::span<const std::uint8_t> pixels = PaddedRange(
      file, std::size_t{fields.DataStart} - 1, pixelCount * static_cast<std::size_t>(colorBytes + alphaBytes), scratch);
  if (colorBytes == 3 && alphaBytes == 1) {
    StoreRows<3, 1>(pixels.data(), fields, planes, kernels);
  } else if (colorBytes == 3) {
    StoreRows<3, 0>(pixels.data(), fields, planes, kernels);
  } else {
    StoreRows<0, 1>(pixels.data(), fields, planes, kernels);
  }
}

}  // namespace rastella
