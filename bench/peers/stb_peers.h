#pragma once
// stb_image and stb_image_write, built from Debian's libstb-dev headers in
// a translation unit of their own, twice: with the flags Debian builds its
// libstb package with (-O2), and with the flags of this build.

#include <cstdint>
#include <vector>

namespace bench {

struct StbPeer {
  // stbi_load: the pixels of an image file as 8-bit channels, top row
  // first; false when stb cannot read it.
  bool (*loadFile)(const char* path);
  // stbi_load_from_memory, the same from a file already in memory.
  bool (*loadMemory)(const std::vector<std::uint8_t>& file);

  // stbi_write_tga_to_func without run-length encoding, from red, green,
  // blue (and alpha with 4 channels) pixels; the file lands in `out`.
  void (*writeTga)(const std::uint8_t* pixels, int width, int height, int channels, std::vector<std::uint8_t>& out);

  // The per-row filter choice of stbi_write_png_to_mem on its own: for each
  // row every filter type is tried with stb's row filter, the one with the
  // smallest sum of absolute values wins, and the type byte and the
  // filtered row go to `out` as PNG scanlines.
  void (*chooseFilters)(const std::uint8_t* pixels, int width, int height, int channels,
                        std::vector<std::uint8_t>& out);
};

extern const StbPeer kStbWithDebianFlags;
extern const StbPeer kStbWithProjectFlags;

}  // namespace bench
