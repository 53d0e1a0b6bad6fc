#pragma once
// Pixel data of uncompressed TGA files into the planes.

#include <cstdint>
#include <span>
#include <vector>

#include "image/planes.h"
#include "image/kernel_set.h"
#include "tga/tga_header.h"

namespace rastella {

// Reads the pixels of `file` (the whole file, header included) into the
// planes, putting every pixel at its displayed place whatever the origin.
// Only pixels inside the image are written.  Bytes missing at the end of the
// file read as 0.  Preconditions: FitsPlanes(width, height), and
// KernelSetAvailable(kernels).  Every kernel set stores the same bytes.
void DecodeTgaPixels(std::span<const std::uint8_t> file, const TgaHeaderFields& fields, Planes& planes,
                     std::vector<std::uint8_t>& scratch, KernelSet kernels = BestKernelSet());

}  // namespace rastella
