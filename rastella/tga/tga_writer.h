#pragma once
// Uncompressed TGA files from the planes, rows stored from the
// top (the headers declare a top-left origin).

#include <cstdint>
#include <vector>

#include "image/fresh_pages.h"
#include "image/planes.h"
#include "image/kernel_set.h"
#include "tga/tga_header.h"

namespace rastella {

// `header` followed by the pixels of the colour plane as blue, green, red,
// and the alpha byte too when `withAlpha`.  Precondition:
// KernelSetAvailable(kernels); every kernel set gives the same bytes.
std::vector<std::uint8_t> EncodeColorTga(const TgaHeader& header, const Planes& planes, int width, int height,
                                         bool withAlpha, KernelSet kernels = BestKernelSet());

// `header` followed by one byte of the alpha plane per pixel.
std::vector<std::uint8_t> EncodeAlphaTga(const TgaHeader& header, const Planes& planes, int width, int height);

// The same into `file`, which is resized to the file's length; a buffer
// kept from an earlier save is reused without clearing it.
void EncodeColorTga(const TgaHeader& header, const Planes& planes, int width, int height, bool withAlpha,
                    ByteBuffer& file, KernelSet kernels = BestKernelSet());
void EncodeAlphaTga(const TgaHeader& header, const Planes& planes, int width, int height, ByteBuffer& file);

}  // namespace rastella
