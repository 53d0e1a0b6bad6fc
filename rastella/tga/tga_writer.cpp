#include "tga/tga_writer.h"

#include <algorithm>

namespace rastella {

std::vector<std::uint8_t> EncodeColorTga(const TgaHeader& header, const ImageState& state, int width, int height,
                                         bool withAlpha) {
  const std::size_t pixelBytes = withAlpha ? 4 : 3;
  std::vector<std::uint8_t> file(header.size() + pixelBytes * static_cast<std::size_t>(width) * height);
  std::uint8_t* out = std::copy(header.begin(), header.end(), file.data());
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* color = state.ColorAt(0, y);
    const std::uint8_t* alpha = &state.AlphaBuffer[static_cast<std::size_t>(y) * kMaxDimension];
    for (int x = 0; x < width; ++x) {
      *out++ = color[3 * x + 2];
      *out++ = color[3 * x + 1];
      *out++ = color[3 * x + 0];
      if (withAlpha) {
        *out++ = alpha[x];
      }
    }
  }
  return file;
}

std::vector<std::uint8_t> EncodeAlphaTga(const TgaHeader& header, const ImageState& state, int width, int height) {
  std::vector<std::uint8_t> file(header.size() + static_cast<std::size_t>(width) * height);
  auto out = std::copy(header.begin(), header.end(), file.begin());
  for (int y = 0; y < height; ++y) {
    const auto row = state.AlphaBuffer.begin() + static_cast<std::ptrdiff_t>(y) * kMaxDimension;
    out = std::copy(row, row + width, out);
  }
  return file;
}

}  // namespace rastella
