// stb's own code, compiled here with its implementation macros.  Built
// without the project's warning flags: this is a peer's code, not ours.
// STB_PEER names the StbPeer that this build of the file defines.

#include "stb_peers.h"

#include <cstdlib>
#include <cstring>

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#define STB_IMAGE_WRITE_STATIC
#include <stb_image.h>
#include <stb_image_write.h>

namespace bench {

namespace {

bool LoadFile(const char* path) {
  int width = 0;
  int height = 0;
  int channels = 0;
  unsigned char* pixels = stbi_load(path, &width, &height, &channels, 0);
  if (pixels == nullptr) return false;
  stbi_image_free(pixels);
  return true;
}

bool LoadMemory(const std::vector<std::uint8_t>& file) {
  int width = 0;
  int height = 0;
  int channels = 0;
  unsigned char* pixels =
      stbi_load_from_memory(file.data(), static_cast<int>(file.size()), &width, &height, &channels, 0);
  if (pixels == nullptr) return false;
  stbi_image_free(pixels);
  return true;
}

void Append(void* context, void* data, int size) {
  auto* out = static_cast<std::vector<std::uint8_t>*>(context);
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  out->insert(out->end(), bytes, bytes + size);
}

void WriteTga(const std::uint8_t* pixels, int width, int height, int channels, std::vector<std::uint8_t>& out) {
  stbi_write_tga_with_rle = 0;
  out.clear();
  stbi_write_tga_to_func(Append, &out, width, height, channels, pixels);
}

void ChooseFilters(const std::uint8_t* pixels, int width, int height, int channels, std::vector<std::uint8_t>& out) {
  // The loop of stbi_write_png_to_mem up to its compression, as stb writes
  // it, around stb's own stbiw__encode_png_line.
  const int rowBytes = width * channels;
  out.resize(static_cast<std::size_t>(rowBytes + 1) * height);
  std::vector<signed char> lineBuffer(static_cast<std::size_t>(rowBytes));
  unsigned char* filt = out.data();
  signed char* line_buffer = lineBuffer.data();
  for (int j = 0; j < height; ++j) {
    int filter_type;
    int best_filter = 0, best_filter_val = 0x7fffffff, est, i;
    for (filter_type = 0; filter_type < 5; filter_type++) {
      stbiw__encode_png_line(const_cast<unsigned char*>(pixels), rowBytes, width, height, j, channels, filter_type,
                             line_buffer);
      est = 0;
      for (i = 0; i < rowBytes; ++i) {
        est += abs((signed char)line_buffer[i]);
      }
      if (est < best_filter_val) {
        best_filter_val = est;
        best_filter = filter_type;
      }
    }
    if (filter_type != best_filter) {
      stbiw__encode_png_line(const_cast<unsigned char*>(pixels), rowBytes, width, height, j, channels, best_filter,
                             line_buffer);
      filter_type = best_filter;
    }
    filt[j * (rowBytes + 1)] = (unsigned char)filter_type;
    std::memmove(filt + j * (rowBytes + 1) + 1, line_buffer, static_cast<std::size_t>(rowBytes));
  }
}

}  // namespace

const StbPeer STB_PEER = {&LoadFile, &LoadMemory, &WriteTga, &ChooseFilters};

}  // namespace bench
