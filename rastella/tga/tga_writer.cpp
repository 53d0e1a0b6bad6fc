#include "tga/tga_writer.h"

#include <algorithm>
#include <cassert>

#include "tga/tga_kernels.h"

namespace rastella {

void WriteBgraRowPortable(const std::uint8_t* colorRow, const std::uint8_t* alphaRow, int width, std::uint8_t* out) {
  for (int x = 0; x < width; ++x) {
    *out++ = colorRow[3 * x + 2];
    *out++ = colorRow[3 * x + 1];
    *out++ = colorRow[3 * x + 0];
    *out++ = alphaRow[x];
  }
}

void WriteBgrRowPortable(const std::uint8_t* colorRow, int width, std::uint8_t* out) {
  for (int x = 0; x < width; ++x) {
    *out++ = colorRow[3 * x + 2];
    *out++ = colorRow[3 * x + 1];
    *out++ = colorRow[3 * x + 0];
  }
}

void EncodeColorTga(const TgaHeader& header, const Planes& planes, int width, int height, bool withAlpha,
                    ByteBuffer& file, KernelSet kernels) {
  const TgaKernels& table = TgaKernelsFor(kernels);
  const std::size_t pixelBytes = withAlpha ? 4 : 3;
  const std::size_t rowBytes = pixelBytes * static_cast<std::size_t>(width);
  // Every byte is written below, so a buffer of the right size from an
  // earlier save is reused as it is.
  file.resize(header.size() + rowBytes * static_cast<std::size_t>(height));
  std::copy(header.begin(), header.end(), file.begin());
  for (int y = 0; y < height; ++y) {
    std::uint8_t* out = file.data() + header.size() + rowBytes * static_cast<std::size_t>(y);
    if (withAlpha) {
      table.writeBgraRow(planes.ColorAt(0, y), planes.AlphaRow(y), width, out);
    } else {
      table.writeBgrRow(planes.ColorAt(0, y), width, out);
    }
  }
}

std::vector<std::uint8_t> EncodeColorTga(const TgaHeader& header, const Planes& planes, int width, int height,
                                         bool withAlpha, KernelSet kernels) {
  ByteBuffer file;
  EncodeColorTga(header, planes, width, height, withAlpha, file, kernels);
  return {file.begin(), file.end()};
}

void EncodeAlphaTga(const TgaHeader& header, const Planes& planes, int width, int height, ByteBuffer& file) {
  file.resize(header.size() + static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  auto out = std::copy(header.begin(), header.end(), file.begin());
  for (int y = 0; y < height; ++y) {
    out = std::copy_n(planes.AlphaRow(y), width, out);
  }
}

std::vector<std::uint8_t> EncodeAlphaTga(const TgaHeader& header, const Planes& planes, int width, int height) {
  ByteBuffer file;
  EncodeAlphaTga(header, planes, width, height, file);
  return {file.begin(), file.end()};
}

}  // namespace rastella
