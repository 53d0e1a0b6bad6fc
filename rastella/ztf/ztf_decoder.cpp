#include "ztf/ztf_decoder.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cstring>

#include "image/padded_bytes.h"
#include "ztf/ztf_lanes.h"

namespace rastella {

namespace {

// The row above row 0: every neighbour outside the image counts as 0.
constexpr std::array<std::uint8_t, kColorRowBytes> kZeroRow{};

void DecodePlanePortable(const std::uint8_t* types, const std::uint8_t* rows, int width, int height,
                         std::size_t unit, std::uint8_t* plane, std::size_t stride) {
  const std::size_t rowBytes = unit * static_cast<std::size_t>(width);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* above = y == 0 ? kZeroRow.data() : plane + stride * static_cast<std::size_t>(y - 1);
    UnfilterRow(types[y], rows + rowBytes * static_cast<std::size_t>(y), above,
                plane + stride * static_cast<std::size_t>(y), rowBytes, unit);
  }
}

#if RASTELLA_SSE41_KERNELS

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
// channels already make three.

constexpr int kLanes = 16;
constexpr std::ptrdiff_t kPrefetchDistance = 256;

// Transposes a 16 x 16 block of bytes: byte j of vector k goes to byte k
// of vector j.
RASTELLA_TARGET_SSE41 inline void Transpose16(__m128i v[kLanes]) {
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
RASTELLA_TARGET_SSE41 inline __m128i ReconstructLanes(__m128i filtered, __m128i a, __m128i b, __m128i c,
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

// Decodes rows `first` to `first` + `rows` - 1 of a plane, rows at most
// kGroups * 16 - 1.
template <int kUnit, int kGroups, bool kAverage, bool kPaeth>
RASTELLA_TARGET_SSE41 void DecodeBandSse41(const std::uint8_t* types, const std::uint8_t* filtered, int first,
                                           int rows, std::ptrdiff_t rowBytes, std::uint8_t* plane,
                                           std::size_t stride) {
  constexpr int kBandLanes = kGroups * kLanes;
  // The row above row 0 and the lanes past the last row read zeros.
  const std::uint8_t* sources[kBandLanes];
  std::uint8_t* targets[kBandLanes] = {};
  std::fill(std::begin(sources), std::end(sources), kZeroRow.data());
  if (first > 0) {
    sources[0] = plane + stride * static_cast<std::size_t>(first - 1);
  }
  for (int k = 1; k <= rows; ++k) {
    const std::size_t y = static_cast<std::size_t>(first + k - 1);
    sources[k] = filtered + static_cast<std::size_t>(rowBytes) * y;
    targets[k] = plane + stride * y;
  }
  LaneTypes lanes[kGroups];
  for (int g = 0; g < kGroups; ++g) {
    lanes[g] = TypesOfLanes(types + first, rows, g * kLanes);
  }

  // Per group, the results and the upper neighbours of the last kUnit
  // steps, newest first; before step 0 all are zero.
  __m128i previous[kGroups][kUnit];
  __m128i previousAbove[kGroups][kUnit];
  for (int g = 0; g < kGroups; ++g) {
    for (int s = 0; s < kUnit; ++s) {
      previous[g][s] = _mm_setzero_si128();
      previousAbove[g][s] = _mm_setzero_si128();
    }
  }

  // The last lane in use reaches the end of its row at this step.
  const std::ptrdiff_t steps = rowBytes + kUnit * rows;
  for (std::ptrdiff_t block = 0; block < steps; block += kLanes) {
    // Inside the rows every lane reads and writes 16 whole bytes; at the
    // rows' ends the bytes outside them are left out.
    const bool inside = block >= kUnit * (kBandLanes - 1) && block + kLanes <= rowBytes;
    __m128i vectors[kGroups][kLanes];
    for (int g = 0; g < kGroups; ++g) {
      for (int lane = 0; lane < kLanes; ++lane) {
        const int k = g * kLanes + lane;
        const std::ptrdiff_t offset = block - kUnit * k;
        if (inside) {
          // Sixteen rows are read side by side, more streams than the
          // processor follows on its own: ask for each row's bytes a few
          // blocks ahead.
          if (offset + kPrefetchDistance < rowBytes) {
            _mm_prefetch(reinterpret_cast<const char*>(sources[k] + offset + kPrefetchDistance), _MM_HINT_T0);
          }
          vectors[g][lane] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(sources[k] + offset));
        } else {
          vectors[g][lane] = LoadClipped(sources[k], offset, rowBytes);
        }
      }
      Transpose16(vectors[g]);  // vectors[g][t]: the inputs of step block + t
    }
    for (int t = 0; t < kLanes; ++t) {
      __m128i results[kGroups];
      __m128i aboves[kGroups];
      for (int g = 0; g < kGroups; ++g) {
        const __m128i a = previous[g][kUnit - 1];
        // Lane 0 of a group takes the last lane of the group before it.
        const __m128i b = g == 0 ? _mm_slli_si128(a, 1) : _mm_alignr_epi8(a, previous[g - 1][kUnit - 1], 15);
        results[g] = ReconstructLanes<kAverage, kPaeth>(vectors[g][t], a, b, previousAbove[g][kUnit - 1], lanes[g]);
        aboves[g] = b;
      }
      for (int g = 0; g < kGroups; ++g) {
        for (int s = kUnit - 1; s > 0; --s) {
          previous[g][s] = previous[g][s - 1];
          previousAbove[g][s] = previousAbove[g][s - 1];
        }
        previous[g][0] = results[g];
        previousAbove[g][0] = aboves[g];
        vectors[g][t] = results[g];
      }
    }
    for (int g = 0; g < kGroups; ++g) {
      Transpose16(vectors[g]);  // vectors[g][lane]: the lane's bytes from block - kUnit * k on
      for (int lane = 0; lane < kLanes; ++lane) {
        const int k = g * kLanes + lane;
        if (k < 1 || k > rows) {
          continue;
        }
        if (inside) {
          _mm_storeu_si128(reinterpret_cast<__m128i*>(targets[k] + block - kUnit * k), vectors[g][lane]);
        } else {
          StoreClipped(targets[k], block - kUnit * k, rowBytes, vectors[g][lane]);
        }
      }
    }
  }
}

template <int kUnit>
RASTELLA_TARGET_SSE41 void DecodePlaneSse41(const std::uint8_t* types, const std::uint8_t* rows, int width,
                                            int height, std::uint8_t* plane, std::size_t stride) {
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
        DecodeBandSse41<kUnit, kGroups, true, true>(types, rows, first, bandRows, rowBytes, plane, stride);
      } else {
        DecodeBandSse41<kUnit, kGroups, false, true>(types, rows, first, bandRows, rowBytes, plane, stride);
      }
    } else if (average) {
      DecodeBandSse41<kUnit, kGroups, true, false>(types, rows, first, bandRows, rowBytes, plane, stride);
    } else {
      DecodeBandSse41<kUnit, kGroups, false, false>(types, rows, first, bandRows, rowBytes, plane, stride);
    }
  }
}

#endif

void DecodePlane(const std::uint8_t* types, const std::uint8_t* rows, int width, int height, std::size_t unit,
                 std::uint8_t* plane, std::size_t stride, KernelSet kernels) {
#if RASTELLA_SSE41_KERNELS
  if (kernels == KernelSet::Sse41) {
    if (unit == 3) {
      DecodePlaneSse41<3>(types, rows, width, height, plane, stride);
    } else {
      DecodePlaneSse41<1>(types, rows, width, height, plane, stride);
    }
    return;
  }
#else
  static_cast<void>(kernels);
#endif
  DecodePlanePortable(types, rows, width, height, unit, plane, stride);
}

}  // namespace

void UnfilterRow(std::uint8_t type, const std::uint8_t* in, const std::uint8_t* above, std::uint8_t* out,
                 std::size_t rowBytes, std::size_t unit) {
  const std::size_t first = unit < rowBytes ? unit : rowBytes;
  switch (type) {
    case kFilterNone:
      std::memcpy(out, in, rowBytes);
      return;
    case kFilterSub:
      std::memcpy(out, in, first);
      for (std::size_t i = first; i < rowBytes; ++i) {
        out[i] = AddMod256(in[i], out[i - unit]);
      }
      return;
    case kFilterUp:
      for (std::size_t i = 0; i < rowBytes; ++i) {
        out[i] = AddMod256(in[i], above[i]);
      }
      return;
    case kFilterAverage:
      for (std::size_t i = 0; i < first; ++i) {
        out[i] = AddMod256(in[i], AveragePredict(0, above[i]));
      }
      for (std::size_t i = first; i < rowBytes; ++i) {
        out[i] = AddMod256(in[i], AveragePredict(out[i - unit], above[i]));
      }
      return;
    case kFilterPaeth:
      // In the first pixel a and c are 0, so the predictor is b.
      for (std::size_t i = 0; i < first; ++i) {
        out[i] = AddMod256(in[i], above[i]);
      }
      for (std::size_t i = first; i < rowBytes; ++i) {
        out[i] = AddMod256(in[i], PaethPredict(out[i - unit], above[i], above[i - unit]));
      }
      return;
    default:
      std::memset(out, 0, rowBytes);
      return;
  }
}

void DecodeZtfPlanes(std::span<const std::uint8_t> file, const ZtfHeaderFields& fields, Planes& planes,
                     std::vector<std::uint8_t>& scratch, KernelSet kernels) {
  assert(FitsPlanes(fields.ImageWidth, fields.ImageHeight));
  assert(KernelSetAvailable(kernels));
  const int width = fields.ImageWidth;
  const int height = fields.ImageHeight;
  const bool withAlpha = fields.BitsPerPixel == 32;
  const std::size_t h = static_cast<std::size_t>(height);
  const std::size_t w = static_cast<std::size_t>(width);
  const std::span<const std::uint8_t> body =
      PaddedRange(file, kZtfHeaderBytes, ZtfFileSize(width, height, withAlpha) - kZtfHeaderBytes, scratch);

  const std::uint8_t* colorTypes = body.data();
  DecodePlane(colorTypes, colorTypes + h, width, height, 3, planes.ColorBuffer.data(), kColorRowBytes, kernels);
  if (withAlpha) {
    const std::uint8_t* alphaTypes = colorTypes + h * (3 * w + 1);
    DecodePlane(alphaTypes, alphaTypes + h, width, height, 1, planes.AlphaBuffer.data(), kMaxDimension, kernels);
  }
}

}  // namespace rastella
