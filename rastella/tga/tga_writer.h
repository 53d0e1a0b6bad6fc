#pragma once
// Uncompressed TGA files from the image state's planes, rows stored from the
// top (the headers declare a top-left origin).

#include <cstdint>
#include <vector>

#include "shell/image_state.h"
#include "tga/tga_header.h"

namespace rastella {

// `header` followed by the pixels of the colour plane as blue, green, red,
// and the alpha byte too when `withAlpha`.
std::vector<std::uint8_t> EncodeColorTga(const TgaHeader& header, const ImageState& state, int width, int height,
                                         bool withAlpha);

// `header` followed by one byte of the alpha plane per pixel.
std::vector<std::uint8_t> EncodeAlphaTga(const TgaHeader& header, const ImageState& state, int width, int height);

}  // namespace rastella
