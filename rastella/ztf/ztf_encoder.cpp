#include "ztf/ztf_encoder.h"

#include <algorithm>
#include <cassert>
#include <cstring>

#include "ztf/ztf_kernels.h"

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

void FilterCandidatesFrom(const std::uint8_t* row, const std::uint8_t* above, std::size_t unit, std::size_t from,
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

namespace {

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
                 FilterCandidatesFunction filterCandidates) {
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
      filterCandidates(row, row - stride, candidates);
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
  const ZtfKernels& table = ZtfKernelsFor(kernels);
  const bool withAlpha = bitsPerPixel == 32;
  const ZtfLayout layout = ZtfLayoutOf(width, height, withAlpha);
  // Every byte of the file is written below, so a buffer of the right size
  // from an earlier save is reused as it is.
  file.resize(layout.fileSize);

  const ZtfHeader header = BuildZtfHeader(width, height, bitsPerPixel);
  std::copy(header.begin(), header.end(), file.begin());
  EncodePlane(planes.ColorBuffer.data(), kColorRowBytes, width, height, 3, file.data() + layout.colorTypes,
              file.data() + layout.colorRows, progress.rowMark, table.filterColorCandidates);
  if (withAlpha) {
    if (progress.alphaPlaneStarted) {
      progress.alphaPlaneStarted();
    }
    EncodePlane(planes.AlphaBuffer.data(), kMaxDimension, width, height, 1, file.data() + layout.alphaTypes,
                file.data() + layout.alphaRows, progress.rowMark, table.filterAlphaCandidates);
  }
}

std::vector<std::uint8_t> EncodeZtf(const Planes& planes, int width, int height, std::uint8_t bitsPerPixel,
                                    const ZtfEncodeProgress& progress, KernelSet kernels) {
  ByteBuffer file;
  EncodeZtf(planes, width, height, bitsPerPixel, progress, file, kernels);
  return {file.begin(), file.end()};
}

}  // namespace rastella
