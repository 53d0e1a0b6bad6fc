#pragma once
// The filter arithmetic of ztf_format.h on sixteen bytes at once, for the
// SSE4.1 kernels of the encoder and the decoder.  Every function gives in
// each byte lane what its byte procedure gives for that lane's bytes.

#include "image/kernel_set.h"

#if RASTELLA_SSE41_KERNELS

#include <immintrin.h>

namespace rastella {

RASTELLA_TARGET_SSE41 inline __m128i AbsoluteDifference(__m128i x, __m128i y) {
  return _mm_or_si128(_mm_subs_epu8(x, y), _mm_subs_epu8(y, x));
}

// All ones in the lanes where x <= y, unsigned.
RASTELLA_TARGET_SSE41 inline __m128i AtMost(__m128i x, __m128i y) { return _mm_cmpeq_epi8(_mm_min_epu8(x, y), x); }

// PaethPredict without leaving unsigned bytes: with pa = |b - c| and
// pb = |a - c|, the third distance |a + b - 2c| is pa + pb when a - c and
// b - c have the same sign and |pa - pb| otherwise.  The sum may saturate
// at 255, which changes no comparison, since it then exceeds both pa and pb
// anyway.  Ties go to a, then b, as in PaethPredict.
RASTELLA_TARGET_SSE41 inline __m128i PaethPredictLanes(__m128i a, __m128i b, __m128i c) {
  const __m128i pa = AbsoluteDifference(b, c);
  const __m128i pb = AbsoluteDifference(a, c);
  const __m128i sameSign = _mm_cmpeq_epi8(AtMost(c, a), AtMost(c, b));
  const __m128i pc = _mm_blendv_epi8(AbsoluteDifference(pa, pb), _mm_adds_epu8(pa, pb), sameSign);
  const __m128i smallestOfBc = _mm_min_epu8(pb, pc);
  const __m128i takeA = AtMost(pa, smallestOfBc);
  const __m128i takeB = _mm_cmpeq_epi8(smallestOfBc, pb);
  return _mm_blendv_epi8(_mm_blendv_epi8(c, b, takeB), a, takeA);
}

// AveragePredict: the rounded-up average less the lost half.
RASTELLA_TARGET_SSE41 inline __m128i AveragePredictLanes(__m128i a, __m128i b) {
  return _mm_sub_epi8(_mm_avg_epu8(a, b), _mm_and_si128(_mm_xor_si128(a, b), _mm_set1_epi8(1)));
}

}  // namespace rastella

#endif
