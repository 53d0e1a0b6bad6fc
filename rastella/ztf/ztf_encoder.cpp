#include "ztf/ztf_encoder.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "ztf/ztf_lanes.h"

namespace rastella {

std::uint8_t ChooseFilter(const std::array<std::int32_t, 5>& sums) {
  std::uint8_t best = kFilterAverage;
  if (sums[kFilterAverage] > sums[kFilterPaeth]) {
    best = kFilterPaeth;
  }
  if (sums[kFilterUp] <= sums[best]) {
    best = kFilterUp;
  }
  return sums[kFilterSub] <= sums[best] ? std::uint8_t{kFilterSub} : best;
}

namespace {

constexpr std::array<std::uint8_t, kColorRowBytes> kZeroRow{};

// The four filtered versions of one row (Sub, Up, Average, Paeth, each
// `rowBytes` long) and their costs.
struct RowCandidates {
  explicit RowCandidates(std::size_t bytesPerRow) : rowBytes(bytesPerRow), bytes(4 * bytesPerRow) {}

  std::uint8_t* Of(std::uint8_t type) { return bytes.data() + (type - 1) * rowBytes; }

  std::size_t rowBytes;
  std::vector<std::uint8_t> bytes;
  std::array<std::int32_t, 5> sums{};
};

// Filters bytes `from` to the end of `row` with every candidate type and
// adds their costs to the sums.  `above` is the unfiltered row above (zeros
// for row 0); `unit` the distance to the left neighbour.
void FilterCandidatesPortable(const std::uint8_t* row, const std::uint8_t* above, std::size_t unit, std::size_t from,
                              RowCandidates& candidates) {
  const std::size_t rowBytes = candidates.rowBytes;
  std::uint8_t* sub = candidates.Of(kFilterSub);
  std::uint8_t* up = candidates.Of(kFilterUp);
  std::uint8_t* average = candidates.Of(kFilterAverage);
  std::uint8_t* paeth = candidates.Of(kFilterPaeth);
  std::int32_t subSum = 0;
  std::int32_t upSum = 0;
  std::int32_t averageSum = 0;
  std::int32_t paethSum = 0;
  for (std::size_t i = from; i < rowBytes; ++i) {
    const std::uint8_t a = i >= unit ? row[i - unit] : 0;
    const std::uint8_t b = above[i];
    const std::uint8_t c = i >= unit ? above[i - unit] : 0;
    sub[i] = SubMod256(row[i], a);
    up[i] = SubMod256(row[i], b);
    average[i] = SubMod256(row[i], AveragePredict(a, b));
    paeth[i] = SubMod256(row[i], PaethPredict(a, b, c));
    subSum = AccumulateAbs(subSum, sub[i]);
    upSum = AccumulateAbs(upSum, up[i]);
    averageSum = AccumulateAbs(averageSum, average[i]);
    paethSum = AccumulateAbs(paethSum, paeth[i]);
  }
  candidates.sums[kFilterSub] += subSum;
  candidates.sums[kFilterUp] += upSum;
  candidates.sums[kFilterAverage] += averageSum;
  candidates.sums[kFilterPaeth] += paethSum;
}

#if RASTELLA_SSE41_KERNELS

// The costs of sixteen filtered bytes, added to two 64-bit lanes: |v| of a
// signed byte is at most 128, which _mm_abs_epi8 gives as the unsigned
// byte 128 for -128.
RASTELLA_TARGET_SSE41 inline __m128i AddCosts(__m128i sums, __m128i filtered) {
  return _mm_add_epi64(sums, _mm_sad_epu8(_mm_abs_epi8(filtered), _mm_setzero_si128()));
}

RASTELLA_TARGET_SSE41 inline std::int32_t TotalOf(__m128i sums) {
  return static_cast<std::int32_t>(_mm_cvtsi128_si64(sums) + _mm_extract_epi64(sums, 1));
}

// The candidates of the row's whole 16-byte blocks; returns how many bytes
// they cover.  The rest of the row is left to the portable loop.
template <int kUnit>
RASTELLA_TARGET_SSE41 std::size_t FilterCandidatesSse41(const std::uint8_t* row, const std::uint8_t* above,
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
    const __m128i a = i == 0 ? _mm_slli_si128(x, kUnit)
                             : _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i - kUnit));
    const __m128i c = i == 0 ? _mm_slli_si128(b, kUnit)
                             : _mm_loadu_si128(reinterpret_cast<const __m128i*>(above + i - kUnit));
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
  return blocks;
}

#endif

// Fills the four candidates and their sums for the whole row.
void FilterCandidates(const std::uint8_t* row, const std::uint8_t* above, std::size_t unit, KernelSet kernels,
                      RowCandidates& candidates) {
  candidates.sums = {};
  std::size_t done = 0;
#if RASTELLA_SSE41_KERNELS
  if (kernels == KernelSet::Sse41) {
    done = unit == 3 ? FilterCandidatesSse41<3>(row, above, candidates)
                     : FilterCandidatesSse41<1>(row, above, candidates);
  }
#else
  static_cast<void>(kernels);
#endif
  FilterCandidatesPortable(row, above, unit, done, candidates);
}

// The Sub filter alone, for the rows that are forced to it.
void FilterSub(const std::uint8_t* row, std::size_t rowBytes, std::size_t unit, std::uint8_t* out) {
  const std::size_t first = std::min(unit, rowBytes);
  std::memcpy(out, row, first);
  for (std::size_t i = first; i < rowBytes; ++i) {
    out[i] = SubMod256(row[i], row[i - unit]);
  }
}

// Encodes one plane into its filter-type table and its rows.
void EncodePlane(const std::uint8_t* plane, std::size_t stride, int width, int height, std::size_t unit,
                 std::uint8_t* typeTable, std::uint8_t* rowsOut, const std::function<void()>& rowMark,
                 KernelSet kernels) {
  const std::size_t rowBytes = unit * static_cast<std::size_t>(width);
  RowCandidates candidates(rowBytes);
  bool forceSub = true;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = plane + stride * static_cast<std::size_t>(y);
    std::uint8_t* out = rowsOut + rowBytes * static_cast<std::size_t>(y);
    if (std::memcmp(row, kZeroRow.data(), rowBytes) == 0) {
      typeTable[y] = kFilterNone;
      std::memset(out, 0, rowBytes);
      forceSub = true;
    } else if (forceSub) {
      // Row 0, or the row after an all-zero row: Sub without a choice, so
      // the other candidates are not needed.
      typeTable[y] = kFilterSub;
      FilterSub(row, rowBytes, unit, out);
      forceSub = false;
    } else {
      FilterCandidates(row, row - stride, unit, kernels, candidates);
      const std::uint8_t type = ChooseFilter(candidates.sums);
      typeTable[y] = type;
      std::memcpy(out, candidates.Of(type), rowBytes);
    }
    if (y % kRowsPerProgressMark == 0 && rowMark) {
      rowMark();
    }
  }
}

}  // namespace

void EncodeZtf(const Planes& planes, int width, int height, std::uint8_t bitsPerPixel,
               const ZtfEncodeProgress& progress, ByteBuffer& file, KernelSet kernels) {
  assert(FitsPlanes(static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)));
  assert(KernelSetAvailable(kernels));
  const bool withAlpha = bitsPerPixel == 32;
  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t h = static_cast<std::size_t>(height);
  // Every byte of the file is written below, so a buffer of the right size
  // from an earlier save is reused as it is.
  file.resize(ZtfFileSize(width, height, withAlpha));

  const ZtfHeader header = BuildZtfHeader(width, height, bitsPerPixel);
  std::copy(header.begin(), header.end(), file.begin());
  std::uint8_t* colorTable = file.data() + kZtfHeaderBytes;
  EncodePlane(planes.ColorBuffer.data(), kColorRowBytes, width, height, 3, colorTable, colorTable + h,
              progress.rowMark, kernels);
  if (withAlpha) {
    if (progress.alphaPlaneStarted) {
      progress.alphaPlaneStarted();
    }
    std::uint8_t* alphaTable = colorTable + h * (3 * w + 1);
    EncodePlane(planes.AlphaBuffer.data(), kMaxDimension, width, height, 1, alphaTable, alphaTable + h,
                progress.rowMark, kernels);
  }
}

std::vector<std::uint8_t> EncodeZtf(const Planes& planes, int width, int height, std::uint8_t bitsPerPixel,
                                    const ZtfEncodeProgress& progress, KernelSet kernels) {
  ByteBuffer file;
  EncodeZtf(planes, width, height, bitsPerPixel, progress, file, kernels);
  return {file.begin(), file.end()};
}

}  // namespace rastella
