#include "tga/tga_writer.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#if RASTELLA_SSE41_KERNELS
#include <immintrin.h>
#endif

namespace rastella {

namespace {

// Pixels `from` to `width` - 1 of one row as blue, green, red (and alpha).
void StoreRowPortable(const std::uint8_t* color, const std::uint8_t* alpha, int from, int width, bool withAlpha,
                      std::uint8_t* out) {
  const int pixelBytes = withAlpha ? 4 : 3;
  out += static_cast<std::ptrdiff_t>(from) * pixelBytes;
  for (int x = from; x < width; ++x) {
    *out++ = color[3 * x + 2];
    *out++ = color[3 * x + 1];
    *out++ = color[3 * x + 0];
    if (withAlpha) {
      *out++ = alpha[x];
    }
  }
}

#if RASTELLA_SSE41_KERNELS

// As many pixels of the row as whole vectors cover; returns how many.  The
// loads and stores reach a few bytes past the pixels they complete, so the
// loops stop while those bytes still lie inside the row.
RASTELLA_TARGET_SSE41 int StoreRowSse41(const std::uint8_t* color, const std::uint8_t* alpha, int width,
                                        bool withAlpha, std::uint8_t* out) {
  int x = 0;
  if (withAlpha) {
    // Four pixels: the colour bytes reversed in their pixel, the alpha byte
    // after them.
    const __m128i colorToBgra = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
    const __m128i alphaToBgra = _mm_setr_epi8(-1, -1, -1, 0, -1, -1, -1, 1, -1, -1, -1, 2, -1, -1, -1, 3);
    for (; x + 6 <= width; x += 4) {
      const __m128i rgb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(color + 3 * x));
      std::int32_t alphaBytes;
      std::memcpy(&alphaBytes, alpha + x, sizeof alphaBytes);
      const __m128i bgra = _mm_or_si128(_mm_shuffle_epi8(rgb, colorToBgra),
                                        _mm_shuffle_epi8(_mm_cvtsi32_si128(alphaBytes), alphaToBgra));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), bgra);
    }
  } else {
    // Five pixels reversed in their pixel; the sixteenth byte is the next
    // store's.
    const __m128i swap = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
    for (; x + 6 <= width; x += 5) {
      const __m128i rgb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(color + 3 * x));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * x), _mm_shuffle_epi8(rgb, swap));
    }
  }
  return x;
}

#endif

}  // namespace

void EncodeColorTga(const TgaHeader& header, const Planes& planes, int width, int height, bool withAlpha,
                    ByteBuffer& file, KernelSet kernels) {
  assert(KernelSetAvailable(kernels));
  const std::size_t pixelBytes = withAlpha ? 4 : 3;
  const std::size_t rowBytes = pixelBytes * static_cast<std::size_t>(width);
  // Every byte is written below, so a buffer of the right size from an
  // earlier save is reused as it is.
  file.resize(header.size() + rowBytes * static_cast<std::size_t>(height));
  std::copy(header.begin(), header.end(), file.begin());
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* color = planes.ColorAt(0, y);
    const std::uint8_t* alpha = &planes.AlphaBuffer[static_cast<std::size_t>(y) * kMaxDimension];
    std::uint8_t* out = file.data() + header.size() + rowBytes * static_cast<std::size_t>(y);
    int done = 0;
#if RASTELLA_SSE41_KERNELS
    if (kernels == KernelSet::Sse41) {
      done = StoreRowSse41(color, alpha, width, withAlpha, out);
    }
#else
    static_cast<void>(kernels);
#endif
    StoreRowPortable(color, alpha, done, width, withAlpha, out);
  }
}

std::vector<std::uint8_t> EncodeColorTga(const TgaHeader& header, const Planes& planes, int width, int height,
                                         bool withAlpha, KernelSet kernels) {
  ByteBuffer file;
  EncodeColorTga(header, planes, width, height, withAlpha, file, kernels);
  return {file.begin(), file.end()};
}

void EncodeAlphaTga(const TgaHeader& header, const Planes& planes, int width, int height,
                    ByteBuffer& file) {
  file.resize(header.size() + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  auto out = std::copy(header.begin(), header.end(), file.begin());
  for (int y = 0; y < height; ++y) {
    const auto row = planes.AlphaBuffer.begin() + static_cast<std::ptrdiff_t>(y) * kMaxDimension;
    out = std::copy(row, row + width, out);
  }
}

std::vector<std::uint8_t> EncodeAlphaTga(const TgaHeader& header, const Planes& planes, int width, int height) {
  ByteBuffer file;
  EncodeAlphaTga(header, planes, width, height, file);
  return {file.begin(), file.end()};
}

}  // namespace rastella
