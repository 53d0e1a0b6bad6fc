#pragma once
// Reconstruction of ZTF planes into the colour and alpha planes.

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "image/planes.h"
#include "image/kernel_set.h"
#include "ztf/ztf_format.h"

namespace rastella {

// Reconstructs one row of `rowBytes` bytes filtered with `type`.  `above` is
// the reconstructed row above (all zeros for row 0); `unit` is the distance
// to the left neighbour (3 in the colour plane, 1 in the alpha plane).  A
// type outside 0 to 4 gives a row of zeros.  `out` must not overlap `in` or
// `above`.
void UnfilterRow(std::uint8_t type, const std::uint8_t* in, const std::uint8_t* above, std::uint8_t* out,
                 std::size_t rowBytes, std::size_t unit);

// Reconstructs the planes of `file` (the whole file, header included) into
// ColorBuffer and, when the header declares alpha, AlphaBuffer, inside the
// image only.  Bytes missing at the end of the file read as 0; bytes after
// the last plane are ignored.  Preconditions: FitsPlanes(width,
// height), and KernelSetAvailable(kernels).  Every kernel set gives the
// same planes.
void DecodeZtfPlanes(std::span<const std::uint8_t> file, const ZtfHeaderFields& fields, Planes& planes,
                     std::vector<std::uint8_t>& scratch, KernelSet kernels = BestKernelSet());

}  // namespace rastella
