#include "tga/tga_header.h"

namespace rastella {

namespace {

std::int16_t Dimension(std::uint8_t low, std::uint8_t high) {
  return static_cast<std::int16_t>(static_cast<std::uint16_t>(high * 256 + low));
}

std::uint8_t DepthOf(std::uint8_t depthByte) {
  switch (depthByte) {
    case 32:
    case 24:
    case 8:
      return depthByte;
    default:
      return 0;
  }
}

TgaHeader UncompressedHeader(std::uint8_t imageType, int width, int height, std::uint8_t depth,
                             std::uint8_t descriptor) {
  TgaHeader header{};
  header[2] = imageType;
  header[12] = static_cast<std::uint8_t>(width % 256);
  header[13] = static_cast<std::uint8_t>(width / 256);
  header[14] = static_cast<std::uint8_t>(height % 256);
  header[15] = static_cast<std::uint8_t>(height / 256);
  header[16] = depth;
  header[17] = descriptor;
  return header;
}

}  // namespace

TgaHeaderFields ParseTgaHeader(const TgaHeader& header) {
  TgaHeaderFields fields;
  fields.ImageWidth = Dimension(header[12], header[13]);
  fields.ImageHeight = Dimension(header[14], header[15]);
  fields.BitsPerPixel = DepthOf(header[16]);
  fields.ImageOrigin = static_cast<std::uint8_t>((header[17] & 0x30) >> 4);
  fields.AlphaBits = static_cast<std::uint8_t>(header[17] & 0x0F);
  fields.ImageType = header[2];
  fields.DataStart = static_cast<std::uint16_t>(header[0] + 19);
  return fields;
}

TgaHeader BuildTgaHeader(int width, int height, std::uint8_t bitsPerPixel) {
  return UncompressedHeader(2, width, height, bitsPerPixel, bitsPerPixel == 32 ? 0x28 : 0x20);
}

TgaHeader BuildAlphaHeader(int width, int height) { return UncompressedHeader(3, width, height, 8, 0x20); }

}  // namespace rastella
