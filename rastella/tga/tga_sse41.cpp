// The SSE4.1 kernels of the TGA reader and writer: rows of pixels between
// the file's order (blue, green, red, alpha per pixel) and the planes'
// (red, green, blue in one plane, alpha in the other).  Each handles the
// pixels that whole vectors cover and leaves the rest of its row to the
// portable function, so both give the same bytes.

#include "image/kernel_set.h"
#include "tga/tga_kernels.h"

#if RASTELLA_SSE41_KERNELS

#include <immintrin.h>

#include <cstring>

namespace rastella {

namespace {

// Five pixels of three bytes with their first and third bytes swapped
// (blue, green, red <-> red, green, blue); the sixteenth byte is kept.
RASTELLA_TARGET_SSE41 inline __m128i SwapOuterBytesOfFivePixels(__m128i pixels) {
  return _mm_shuffle_epi8(pixels, _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15));
}

// Sixteen pixels blue, green, red, alpha per round: each group of four
// becomes twelve colour bytes red, green, blue followed by its four alpha
// bytes; the colour bytes are then joined into three vectors and the alpha
// bytes into one.
RASTELLA_TARGET_SSE41 void ReadBgraRowSse41(const std::uint8_t* stored, int width, std::uint8_t* colorRow,
                                            std::uint8_t* alphaRow) {
  const __m128i split = _mm_setr_epi8(2, 1, 0, 6, 5, 4, 10, 9, 8, 14, 13, 12, 3, 7, 11, 15);
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    __m128i groups[4];
    for (int g = 0; g < 4; ++g) {
      groups[g] = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(stored + 4 * x + 16 * g)), split);
    }
    const __m128i colors0 = _mm_alignr_epi8(groups[1], _mm_slli_si128(groups[0], 4), 4);
    const __m128i colors1 = _mm_alignr_epi8(groups[2], _mm_slli_si128(groups[1], 4), 8);
    const __m128i colors2 = _mm_alignr_epi8(groups[3], _mm_slli_si128(groups[2], 4), 12);
    const __m128i alpha =
        _mm_unpackhi_epi64(_mm_unpackhi_epi32(groups[0], groups[1]), _mm_unpackhi_epi32(groups[2], groups[3]));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(colorRow + 3 * x), colors0);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(colorRow + 3 * x + 16), colors1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(colorRow + 3 * x + 32), colors2);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(alphaRow + x), alpha);
  }
  ReadBgraRowPortable(stored + 4 * x, width - x, colorRow + 3 * x, alphaRow + x);
}

// Five pixels per round.  A store writes one byte past the pixels it
// completes, which the next store overwrites, so the loop stops while that
// byte still lies inside the row.
RASTELLA_TARGET_SSE41 void ReadBgrRowSse41(const std::uint8_t* stored, int width, std::uint8_t* colorRow) {
  int x = 0;
  for (; x + 6 <= width; x += 5) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(stored + 3 * x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(colorRow + 3 * x), SwapOuterBytesOfFivePixels(pixels));
  }
  ReadBgrRowPortable(stored + 3 * x, width - x, colorRow + 3 * x);
}

// Four pixels per round: the colour bytes reversed in their pixel, the
// alpha byte after them.  The load reaches four bytes past the pixels it
// completes, so the loop stops while those still lie inside the row.
RASTELLA_TARGET_SSE41 void WriteBgraRowSse41(const std::uint8_t* colorRow, const std::uint8_t* alphaRow, int width,
                                             std::uint8_t* out) {
  const __m128i colorToBgra = _mm_setr_epi8(2, 1, 0, -1, 5, 4, 3, -1, 8, 7, 6, -1, 11, 10, 9, -1);
  const __m128i alphaToBgra = _mm_setr_epi8(-1, -1, -1, 0, -1, -1, -1, 1, -1, -1, -1, 2, -1, -1, -1, 3);
  int x = 0;
  for (; x + 6 <= width; x += 4) {
    const __m128i rgb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colorRow + 3 * x));
    std::int32_t alphaBytes;
    std::memcpy(&alphaBytes, alphaRow + x, sizeof alphaBytes);
    const __m128i bgra =
        _mm_or_si128(_mm_shuffle_epi8(rgb, colorToBgra), _mm_shuffle_epi8(_mm_cvtsi32_si128(alphaBytes), alphaToBgra));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 4 * x), bgra);
  }
  WriteBgraRowPortable(colorRow + 3 * x, alphaRow + x, width - x, out + 4 * x);
}

// Five pixels per round; the sixteenth byte of a store is the next
// store's.
RASTELLA_TARGET_SSE41 void WriteBgrRowSse41(const std::uint8_t* colorRow, int width, std::uint8_t* out) {
  int x = 0;
  for (; x + 6 <= width; x += 5) {
    const __m128i rgb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(colorRow + 3 * x));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 3 * x), SwapOuterBytesOfFivePixels(rgb));
  }
  WriteBgrRowPortable(colorRow + 3 * x, width - x, out + 3 * x);
}

const TgaKernels kSse41Kernels{
    ReadBgraRowSse41,
    ReadBgrRowSse41,
    WriteBgraRowSse41,
    WriteBgrRowSse41,
};

}  // namespace

const TgaKernels* Sse41TgaKernels() { return &kSse41Kernels; }

}  // namespace rastella

#else

namespace rastella {

const TgaKernels* Sse41TgaKernels() { return nullptr; }

}  // namespace rastella

#endif
