#pragma once
// The ZTF encoder: one filter type per row and plane.  An all-zero row is
// stored unfiltered (None); a non-zero row is stored with Sub when it is row 0
// or follows an all-zero row, and otherwise with whichever of Sub, Up,
// Average and Paeth gives the smallest sum of its filtered bytes read as
// signed bytes, ties going to the lowest type number.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include "image/fresh_pages.h"
#include "image/planes.h"
#include "image/kernel_set.h"
#include "ztf/ztf_format.h"

namespace rastella {

// Progress of an encode, for the status line.
struct ZtfEncodeProgress {
  // Called once before the alpha plane is encoded.
  std::function<void()> alphaPlaneStarted;
  // Called for rows 0, 24, 48, ... of each plane.
  std::function<void()> rowMark;
};

inline constexpr int kRowsPerProgressMark = 24;

// sum + |value read as a signed byte|: 0 costs 0, 1 and 255 cost 1, 128
// costs 128.
constexpr std::int32_t AccumulateAbs(std::int32_t sum, std::uint8_t value) {
  return sum + (value <= 127 ? value : 256 - value);
}

// The filter type 1 to 4 whose entry of `sums` is smallest; among equal
// sums the lowest type number wins.  Entry 0 is not read.
std::uint8_t ChooseFilter(const std::array<std::int32_t, 5>& sums);

// The whole file: header, colour plane, and the alpha plane when
// bitsPerPixel is 32.  Preconditions: FitsPlanes(width, height), and
// KernelSetAvailable(kernels).  Every kernel set gives the same bytes.
std::vector<std::uint8_t> EncodeZtf(const Planes& planes, int width, int height, std::uint8_t bitsPerPixel,
                                    const ZtfEncodeProgress& progress, KernelSet kernels = BestKernelSet());

// The same into `file`, which is resized to the file's length; a buffer
// kept from an earlier save is reused without clearing it.
void EncodeZtf(const Planes& planes, int width, int height, std::uint8_t bitsPerPixel,
               const ZtfEncodeProgress& progress, ByteBuffer& file, KernelSet kernels = BestKernelSet());

}  // namespace rastella
