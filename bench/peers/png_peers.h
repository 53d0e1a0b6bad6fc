#pragma once
// libpng (Debian's libpng-dev) reading and writing PNG files in memory.

#include <cstdint>
#include <vector>

namespace bench::png {

// Decodes a PNG file in memory into `pixels` (rows top first, no padding).
// CRC and Adler-32 checks are off, so that beyond the filters only the
// copying out of stored zlib blocks remains.  False on a libpng error.
bool Decode(const std::vector<std::uint8_t>& file, std::vector<std::uint8_t>& pixels);

// Writes an 8-bit PNG of `channels` channels (1 gray, 3 RGB) into `out`,
// libpng choosing among all five filters per row, zlib at level 0.
bool EncodeWithAllFilters(const std::uint8_t* pixels, int width, int height, int channels,
                          std::vector<std::uint8_t>& out);

}  // namespace bench::png
