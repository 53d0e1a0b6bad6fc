#pragma once
// The inner loops of the ZTF codec, as a table of functions per kernel set.
// The portable functions are the reference: the decoder's and the
// encoder's files define them in plain C++.  ztf_sse41.cpp has the SSE4.1
// versions, and ZtfKernelsFor in ztf_kernels.cpp is the one place that
// picks a table.

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/kernel_set.h"
#include "image/planes.h"

namespace rastella {

// The row above row 0: every neighbour outside the image counts as 0.
inline constexpr std::array<std::uint8_t, kColorRowBytes> kZeroRow{};

// The four filtered versions of one row (Sub, Up, Average, Paeth, each
// `rowBytes` long) and their costs, indexed by filter type.
struct RowCandidates {
  explicit RowCandidates(std::size_t bytesPerRow) : rowBytes(bytesPerRow), bytes(4 * bytesPerRow) {}

  std::uint8_t* Of(std::uint8_t type) { return bytes.data() + (type - 1) * rowBytes; }

  std::size_t rowBytes;
  std::vector<std::uint8_t> bytes;
  std::array<std::int32_t, 5> sums{};
};

// Reconstructs the `height` rows of a plane from their filter types and
// filtered bytes (`width` pixels a row, packed) into `plane`, whose rows
// are `stride` bytes apart.
using DecodePlaneFunction = void (*)(const std::uint8_t* types, const std::uint8_t* rows, int width, int height,
                                     std::uint8_t* plane, std::size_t stride);

// Filters one row with every candidate type and sets the candidates' sums.
// `above` is the unfiltered row above (zeros for row 0).
using FilterCandidatesFunction = void (*)(const std::uint8_t* row, const std::uint8_t* above,
                                          RowCandidates& candidates);

struct ZtfKernels {
  // Colour planes (3 bytes a pixel) and alpha planes (1 byte a pixel).
  DecodePlaneFunction decodeColorPlane;
  DecodePlaneFunction decodeAlphaPlane;
  FilterCandidatesFunction filterColorCandidates;
  FilterCandidatesFunction filterAlphaCandidates;
};

// The table of `kernels`.  Precondition: KernelSetAvailable(kernels).
const ZtfKernels& ZtfKernelsFor(KernelSet kernels);

// The SSE4.1 table; null where the build has no SSE4.1 kernels.
const ZtfKernels* Sse41ZtfKernels();

// The portable functions that the tables call, `unit` being the distance
// to the left neighbour (3 in the colour plane, 1 in the alpha plane).
// FilterCandidatesFrom filters bytes `from` to the end of the row and adds
// their costs to the sums, so that a vector kernel can leave it the bytes
// after its last whole vector.
void DecodePlanePortable(const std::uint8_t* types, const std::uint8_t* rows, int width, int height, std::size_t unit,
                         std::uint8_t* plane, std::size_t stride);
void FilterCandidatesFrom(const std::uint8_t* row, const std::uint8_t* above, std::size_t unit, std::size_t from,
                          RowCandidates& candidates);

}  // namespace rastella
