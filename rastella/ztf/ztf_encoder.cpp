#include "ztf/ztf_encoder.h"

#include <algorithm>
#include <cassert>
#include <cstring>

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

// Filters `row` with every candidate type in one pass.  `above` is the
// unfiltered row above (zeros for row 0); `unit` the distance to the left
// neighbour.
void FilterCandidates(const std::uint8_t* row, const std::uint8_t* above, std::size_t unit,
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
  for (std::size_t i = 0; i < rowBytes; ++i) {
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
  candidates.sums = {0, subSum, upSum, averageSum, paethSum};
}

// Encodes one plane into its filter-type table and its rows.
void EncodePlane(const std::uint8_t* plane, std::size_t stride, int width, int height, std::size_t unit,
                 std::uint8_t* typeTable, std::uint8_t* rowsOut, const std::function<void()>& rowMark) {
  const std::size_t rowBytes = unit * static_cast<std::size_t>(width);
  RowCandidates candidates(rowBytes);
  bool forceSub = true;
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* row = plane + stride * static_cast<std::size_t>(y);
    std::uint8_t* out = rowsOut + rowBytes * static_cast<std::size_t>(y);
    const bool allZero = std::all_of(row, row + rowBytes, [](std::uint8_t byte) { return byte == 0; });
    if (allZero) {
      typeTable[y] = kFilterNone;
      std::memset(out, 0, rowBytes);
      forceSub = true;
    } else {
      const std::uint8_t* above = y == 0 ? kZeroRow.data() : row - stride;
      FilterCandidates(row, above, unit, candidates);
      std::uint8_t type;
      if (forceSub) {  // row 0, or the row after an all-zero row
        type = kFilterSub;
        forceSub = false;
      } else {
        type = ChooseFilter(candidates.sums);
      }
      typeTable[y] = type;
      std::memcpy(out, candidates.Of(type), rowBytes);
    }
    if (y % kRowsPerProgressMark == 0 && rowMark) {
      rowMark();
    }
  }
}

}  // namespace

std::vector<std::uint8_t> EncodeZtf(const ImageState& state, int width, int height, std::uint8_t bitsPerPixel,
                                    const ZtfEncodeProgress& progress) {
  assert(FitsImageState(static_cast<std::int16_t>(width), static_cast<std::int16_t>(height)));
  const bool withAlpha = bitsPerPixel == 32;
  const std::size_t w = static_cast<std::size_t>(width);
  const std::size_t h = static_cast<std::size_t>(height);
  std::vector<std::uint8_t> file(ZtfFileSize(width, height, withAlpha));

  const ZtfHeader header = BuildZtfHeader(width, height, bitsPerPixel);
  std::copy(header.begin(), header.end(), file.begin());
  std::uint8_t* colorTable = file.data() + kZtfHeaderBytes;
  EncodePlane(state.ColorBuffer.data(), kColorRowBytes, width, height, 3, colorTable, colorTable + h,
              progress.rowMark);
  if (withAlpha) {
    if (progress.alphaPlaneStarted) {
      progress.alphaPlaneStarted();
    }
    std::uint8_t* alphaTable = colorTable + h * (3 * w + 1);
    EncodePlane(state.AlphaBuffer.data(), kMaxDimension, width, height, 1, alphaTable, alphaTable + h,
                progress.rowMark);
  }
  return file;
}

}  // namespace rastella
