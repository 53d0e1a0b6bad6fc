// The SSE4.1 kernels of the ZTF codec: the wavefront decoder of a plane and
// the encoder's candidate filters.  They give the bytes of the portable
// kernels, which the tests check side by side.

#include "image/kernel_set.h"
#include "ztf/ztf_kernels.h"

#if RASTELLA_SSE41_KERNELS

#include <algorithm>

#include "ztf/ztf_format.h"
#include "ztf/ztf_lanes_sse41.h"

// Inlined into the band loop, so that the band's state stays in registers.
#define RASTELLA_SSE41_STEP RASTELLA_TARGET_SSE41 inline __attribute__((always_inline))

namespace rastella {

namespace {

// ---------------------------------------------------------------------------
// Decoder.
//
// The vector decoder works on bands of rows in a wavefront.  Every row
// depends on the pixel to its left, so one row alone is a chain of
// dependent steps; but row y + 1 at column x needs only columns x - 1 and x
// of row y.  Lane k of a band therefore holds row k of the band one pixel
// behind lane k - 1: at step i, lane k works on byte i - unit * k of its
// row.  Then the left neighbour a of every lane is its own result one pixel
// (unit steps) earlier, the upper neighbour b is the result of lane k - 1
// at that same step, moved up one lane, and the upper-left neighbour c is
// what b was one pixel earlier.  All lanes advance together, every lane
// with its own row's filter type.
//
// Lane 0 carries the already reconstructed row above the band, passed
// through unchanged, so the lanes below it find their upper neighbours in
// the band itself.  Lanes before the start of their row (i < unit * k) read
// zeros and produce zeros, which are exactly the neighbours outside the
// image; lanes past the end of their row produce bytes that only later
// lanes past their ends read, and that are never stored.
//
// A band is kGroups vectors of 16 lanes.  In the alpha plane (unit 1) each
// step depends on the step before, so two vectors side by side give the
// processor two chains to work on at once; in the colour plane the three
// channels already make three.  The steps go sixteen at a time: a block of
// sixteen bytes of every lane is loaded and transposed (LoadBlock), run
// through sixteen steps (StepBlock), transposed back and stored
// (StoreBlock).

constexpr int kLanes = 16;
constexpr std::ptrdiff_t kPrefetchDistance = 256;

// Transposes a 16 x 16 block of bytes: byte j of vector k goes to byte k
// of vector j.
RASTELLA_SSE41_STEP void Transpose16(__m128i v[kLanes]) {
  __m128i a[kLanes];
  __m128i b[kLanes];
  for (int k = 0; k < kLanes; k += 2) {
    a[k] = _mm_unpacklo_epi8(v[k], v[k + 1]);
    a[k + 1] = _mm_unpackhi_epi8(v[k], v[k + 1]);
  }
  for (int k = 0; k < kLanes; k += 4) {
    b[k] = _mm_unpacklo_epi16(a[k], a[k + 2]);
    b[k + 1] = _mm_unpackhi_epi16(a[k], a[k + 2]);
    b[k + 2] = _mm_unpacklo_epi16(a[k + 1], a[k + 3]);
    b[k + 3] = _mm_unpackhi_epi16(a[k + 1], a[k + 3]);
  }
  for (int k = 0; k < kLanes; k += 8) {
    for (int j = 0; j < 4; ++j) {
      a[k + 2 * j] = _mm_unpacklo_epi32(b[k + j], b[k + j + 4]);
      a[k + 2 * j + 1] = _mm_unpackhi_epi32(b[k + j], b[k + j + 4]);
    }
  }
  for (int j = 0; j < 8; ++j) {
    v[2 * j] = _mm_unpacklo_epi64(a[j], a[j + 8]);
    v[2 * j + 1] = _mm_unpackhi_epi64(a[j], a[j + 8]);
  }
}

// Bytes `offset` to `offset` + 15 of a row of `rowBytes` bytes; those
// outside the row read as 0.
RASTELLA_TARGET_SSE41 inline __m128i LoadClipped(const std::uint8_t* row, std::ptrdiff_t offset,
                                                 std::ptrdiff_t rowBytes) {
  alignas(16) std::uint8_t bytes[16] = {};
  for (std::ptrdiff_t t = 0; t < 16; ++t) {
    if (offset + t >= 0 && offset + t < rowBytes) {
      bytes[t] = row[offset + t];
    }
  }
  return _mm_load_si128(reinterpret_cast<const __m128i*>(bytes));
}

// Stores the bytes of `value` that fall inside the row.
RASTELLA_TARGET_SSE41 inline void StoreClipped(std::uint8_t* row, std::ptrdiff_t offset, std::ptrdiff_t rowBytes,
                                               __m128i value) {
  alignas(16) std::uint8_t bytes[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(bytes), value);
  for (std::ptrdiff_t t = 0; t < 16; ++t) {
    if (offset + t >= 0 && offset + t < rowBytes) {
      row[offset + t] = bytes[t];
    }
  }
}

// Per lane: all ones where the lane's row has that filter type.  `keep` is
// zero for a type outside 0 to 4, whose row decodes to zeros.
struct LaneTypes {
  __m128i sub;
  __m128i up;
  __m128i average;
  __m128i paeth;
  __m128i keep;
};

// The types of lanes `firstLane` to `firstLane` + 15 of a band of `rows`
// rows whose row types start at `types`.  Lane 0 (the row above) and
// lanes past the band pass their input through, as rows of type None.
RASTELLA_TARGET_SSE41 LaneTypes TypesOfLanes(const std::uint8_t* types, int rows, int firstLane) {
  alignas(16) std::uint8_t masks[5][kLanes] = {};
  for (int lane = 0; lane < kLanes; ++lane) {
    const int k = firstLane + lane;
    const std::uint8_t type = k >= 1 && k <= rows ? types[k - 1] : std::uint8_t{kFilterNone};
    masks[0][lane] = type == kFilterSub ? 0xFF : 0;
    masks[1][lane] = type == kFilterUp ? 0xFF : 0;
    masks[2][lane] = type == kFilterAverage ? 0xFF : 0;
    masks[3][lane] = type == kFilterPaeth ? 0xFF : 0;
    masks[4][lane] = type <= kFilterPaeth ? 0xFF : 0;
  }
  LaneTypes lanes;
  lanes.sub = _mm_load_si128(reinterpret_cast<const __m128i*>(masks[0]));
  lanes.up = _mm_load_si128(reinterpret_cast<const __m128i*>(masks[1]));
  lanes.average = _mm_load_si128(reinterpret_cast<const __m128i*>(masks[2]));
  lanes.paeth = _mm_load_si128(reinterpret_cast<const __m128i*>(masks[3]));
  lanes.keep = _mm_load_si128(reinterpret_cast<const __m128i*>(masks[4]));
  return lanes;
}

// One step of one vector of lanes.  The Average and Paeth predictors are
// left out when no row of the band uses them.
template <bool kAverage, bool kPaeth>
RASTELLA_SSE41_STEP __m128i ReconstructLanes(__m128i filtered, __m128i a, __m128i b, __m128i c,
                                             const LaneTypes& lanes) {
  __m128i predictor = _mm_or_si128(_mm_and_si128(lanes.sub, a), _mm_and_si128(lanes.up, b));
  if constexpr (kAverage) {
    predictor = _mm_or_si128(predictor, _mm_and_si128(lanes.average, AveragePredictLanes(a, b)));
  }
  if constexpr (kPaeth) {
    predictor = _mm_or_si128(predictor, _mm_and_si128(lanes.paeth, PaethPredictLanes(a, b, c)));
  }
  return _mm_and_si128(_mm_add_epi8(filtered, predictor), lanes.keep);
}

// A band of at most kGroups * 16 - 1 rows on its way through the
// wavefront.
template <int kUnit, int kGroups>
struct Band {
  static constexpr int kBandLanes = kGroups * kLanes;

  // Where each lane reads its filtered bytes and stores its results; the
  // row above row 0 and the lanes past the last row read zeros, and lane 0
  // and those lanes store nothing.
  const std::uint8_t* sources[kBandLanes];
  std::uint8_t* targets[kBandLanes];
  LaneTypes lanes[kGroups];
  int rows;
  std::ptrdiff_t rowBytes;
  // Per group, the results and the upper neighbours of the last kUnit
  // steps, newest first; before step 0 all are zero.
  __m128i previous[kGroups][kUnit];
  __m128i previousAbove[kGroups][kUnit];

  // Sixteen steps of every group: block[g][t] is the input of step t.
  using Block = __m128i[kGroups][kLanes];

  // Rows `first` to `first` + `bandRows` - 1 of a plane.
  RASTELLA_SSE41_STEP Band(const std::uint8_t* types, const std::uint8_t* filtered, int first, int bandRows,
                           std::ptrdiff_t bytesPerRow, std::uint8_t* plane, std::size_t stride)
      : targets{}, rows(bandRows), rowBytes(bytesPerRow) {
    std::fill(std::begin(sources), std::end(sources), kZeroRow.data());
    if (first > 0) {
      sources[0] = plane + stride * static_cast<std::size_t>(first - 1);
    }
    for (int k = 1; k <= rows; ++k) {
      const std::size_t y = static_cast<std::size_t>(first + k - 1);
      sources[k] = filtered + static_cast<std::size_t>(rowBytes) * y;
      targets[k] = plane + stride * y;
    }
    for (int g = 0; g < kGroups; ++g) {
      lanes[g] = TypesOfLanes(types + first, rows, g * kLanes);
      for (int s = 0; s < kUnit; ++s) {
        previous[g][s] = _mm_setzero_si128();
        previousAbove[g][s] = _mm_setzero_si128();
      }
    }
  }

  // The number of steps until the last lane in use reaches the end of its
  // row.
  std::ptrdiff_t Steps() const { return rowBytes + kUnit * rows; }

  // True when every lane's bytes of the block starting at step `start` lie
  // inside its row, so that whole vectors are read and written.
  bool Inside(std::ptrdiff_t start) const { return start >= kUnit * (kBandLanes - 1) && start + kLanes <= rowBytes; }

  // Loads the inputs of steps `start` to `start` + 15 into `block`.
  RASTELLA_SSE41_STEP void LoadBlock(std::ptrdiff_t start, Block& block) const {
    const bool inside = Inside(start);
    for (int g = 0; g < kGroups; ++g) {
      for (int lane = 0; lane < kLanes; ++lane) {
        const int k = g * kLanes + lane;
        const std::ptrdiff_t offset = start - kUnit * k;
        if (inside) {
          // Sixteen rows are read side by side, more streams than the
          // processor follows on its own: ask for each row's bytes a few
          // blocks ahead.
          if (offset + kPrefetchDistance < rowBytes) {
            _mm_prefetch(reinterpret_cast<const char*>(sources[k] + offset + kPrefetchDistance), _MM_HINT_T0);
          }
          block[g][lane] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sources[k] + offset));
        } else {
          block[g][lane] = LoadClipped(sources[k], offset, rowBytes);
        }
      }
      Transpose16(block[g]);
    }
  }

  // Runs sixteen steps, replacing each input of `block` with its result.
  template <bool kAverage, bool kPaeth>
  RASTELLA_SSE41_STEP void StepBlock(Block& block) {
    for (int t = 0; t < kLanes; ++t) {
      __m128i results[kGroups];
      __m128i aboves[kGroups];
      for (int g = 0; g < kGroups; ++g) {
        const __m128i a = previous[g][kUnit - 1];
        // Lane 0 of a group takes the last lane of the group before it.
        const __m128i b = g == 0 ? _mm_slli_si128(a, 1) : _mm_alignr_epi8(a, previous[g - 1][kUnit - 1], 15);
        results[g] = ReconstructLanes<kAverage, kPaeth>(block[g][t], a, b, previousAbove[g][kUnit - 1], lanes[g]);
        aboves[g] = b;
      }
      for (int g = 0; g < kGroups; ++g) {
        for (int s = kUnit - 1; s > 0; --s) {
          previous[g][s] = previous[g][s - 1];
          previousAbove[g][s] = previousAbove[g][s - 1];
        }
        previous[g][0] = results[g];
        previousAbove[g][0] = aboves[g];
        block[g][t] = results[g];
      }
    }
  }

  // Stores the results of steps `start` to `start` + 15 into the rows.
  RASTELLA_SSE41_STEP void StoreBlock(std::ptrdiff_t start, Block& block) const {
    const bool inside = Inside(start);
    for (int g = 0; g < kGroups; ++g) {
      Transpose16(block[g]);  // block[g][lane]: the lane's bytes from start - kUnit * k on
      for (int lane = 0; lane < kLanes; ++lane) {
        const int k = g * kLanes + lane;
        if (k < 1 || k > rows) {
          continue;
        }
        if (inside) {
          _mm_storeu_si128(reinterpret_cast<__m128i*>(targets[k] + start - kUnit * k), block[g][lane]);
        } else {
          StoreClipped(targets[k], start - kUnit * k, rowBytes, block[g][lane]);
        }
      }
    }
  }
};

template <int kUnit, int kGroups, bool kAverage, bool kPaeth>
RASTELLA_TARGET_SSE41 void DecodeBand(const std::uint8_t* types, const std::uint8_t* filtered, int first, int rows,
                                      std::ptrdiff_t rowBytes, std::uint8_t* plane, std::size_t stride) {
  Band<kUnit, kGroups> band(types, filtered, first, rows, rowBytes, plane, stride);
  typename Band<kUnit, kGroups>::Block block;
  for (std::ptrdiff_t start = 0; start < band.Steps(); start += kLanes) {
    band.LoadBlock(start, block);
    band.template StepBlock<kAverage, kPaeth>(block);
    band.StoreBlock(start, block);
  }
}

template <int kUnit>
RASTELLA_TARGET_SSE41 void DecodePlaneSse41(const std::uint8_t* types, const std::uint8_t* rows, int width, int height,
                                            std::uint8_t* plane, std::size_t stride) {
  constexpr int kGroups = kUnit == 1 ? 2 : 1;
  constexpr int kBandRows = kGroups * kLanes - 1;
  const std::ptrdiff_t rowBytes = kUnit * static_cast<std::ptrdiff_t>(width);
  if (rowBytes == 0) {
    return;
  }
  for (int first = 0; first < height; first += kBandRows) {
    const int bandRows = std::min(kBandRows, height - first);
    const std::uint8_t* bandTypes = types + first;
    const bool average = std::find(bandTypes, bandTypes + bandRows, kFilterAverage) != bandTypes + bandRows;
    const bool paeth = std::find(bandTypes, bandTypes + bandRows, kFilterPaeth) != bandTypes + bandRows;
    if (paeth) {
      if (average) {
        DecodeBand<kUnit, kGroups, true, true>(types, rows, first, bandRows, rowBytes, plane, stride);
      } else {
        DecodeBand<kUnit, kGroups, false, true>(types, rows, first, bandRows, rowBytes, plane, stride);
      }
    } else if (average) {
      DecodeBand<kUnit, kGroups, true, false>(types, rows, first, bandRows, rowBytes, plane, stride);
    } else {
      DecodeBand<kUnit, kGroups, false, false>(types, rows, first, bandRows, rowBytes, plane, stride);
    }
  }
}

// ---------------------------------------------------------------------------
// Encoder.

// The costs of sixteen filtered bytes, added to two 64-bit lanes: |v| of a
// signed byte is at most 128, which _mm_abs_epi8 gives as the unsigned
// byte 128 for -128.
RASTELLA_TARGET_SSE41 inline __m128i AddCosts(__m128i sums, __m128i filtered) {
  return _mm_add_epi64(sums, _mm_sad_epu8(_mm_abs_epi8(filtered), _mm_setzero_si128()));
}

RASTELLA_TARGET_SSE41 inline std::int32_t TotalOf(__m128i sums) {
  return static_cast<std::int32_t>(_mm_cvtsi128_si64(sums) + _mm_extract_epi64(sums, 1));
}

// The candidates of the row's whole 16-byte blocks; the rest of the row is
// left to the portable loop.
template <int kUnit>
RASTELLA_TARGET_SSE41 void FilterCandidatesSse41(const std::uint8_t* row, const std::uint8_t* above,
                                                 RowCandidates& candidates) {
  const std::size_t blocks = candidates.rowBytes / 16 * 16;
  std::uint8_t* sub = candidates.Of(kFilterSub);
  std::uint8_t* up = candidates.Of(kFilterUp);
  std::uint8_t* average = candidates.Of(kFilterAverage);
  std::uint8_t* paeth = candidates.Of(kFilterPaeth);
  __m128i subSums = _mm_setzero_si128();
  __m128i upSums = _mm_setzero_si128();
  __m128i averageSums = _mm_setzero_si128();
  __m128i paethSums = _mm_setzero_si128();
  for (std::size_t i = 0; i < blocks; i += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + i));
    // In the first block the left neighbours of the first pixel are 0.
    const __m128i a =
        i == 0 ? _mm_slli_si128(x, kUnit) : _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i - kUnit));
    const __m128i c =
        i == 0 ? _mm_slli_si128(b, kUnit) : _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + i - kUnit));
    const __m128i bySub = _mm_sub_epi8(x, a);
    const __m128i byUp = _mm_sub_epi8(x, b);
    const __m128i byAverage = _mm_sub_epi8(x, AveragePredictLanes(a, b));
    const __m128i byPaeth = _mm_sub_epi8(x, PaethPredictLanes(a, b, c));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(sub + i), bySub);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(up + i), byUp);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(average + i), byAverage);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(paeth + i), byPaeth);
    subSums = AddCosts(subSums, bySub);
    upSums = AddCosts(upSums, byUp);
    averageSums = AddCosts(averageSums, byAverage);
    paethSums = AddCosts(paethSums, byPaeth);
  }
  candidates.sums[kFilterSub] = TotalOf(subSums);
  candidates.sums[kFilterUp] = TotalOf(upSums);
  candidates.sums[kFilterAverage] = TotalOf(averageSums);
  candidates.sums[kFilterPaeth] = TotalOf(paethSums);
  FilterCandidatesFrom(row, above, kUnit, blocks, candidates);
}

const ZtfKernels kSse41Kernels{
    DecodePlaneSse41<3>,
    DecodePlaneSse41<1>,
    FilterCandidatesSse41<3>,
    FilterCandidatesSse41<1>,
};

}  // namespace

const ZtfKernels* Sse41ZtfKernels() { return &kSse41Kernels; }

}  // namespace rastella

#else

namespace rastella {

const ZtfKernels* Sse41ZtfKernels() { return nullptr; }

}  // namespace rastella

#endif
