#include "ztf/ztf_format.h"

namespace rastella {

ZtfHeader BuildZtfHeader(int width, int height, std::uint8_t bitsPerPixel) {
  return ZtfHeader{
      'Z',
      'T',
      'F',
      0x1A,
      '1',
      '0',
      0,
      static_cast<std::uint8_t>(bitsPerPixel == 32 ? 1 : 0),
      static_cast<std::uint8_t>(width & 255),
      static_cast<std::uint8_t>(width >> 8),
      static_cast<std::uint8_t>(height & 255),
      static_cast<std::uint8_t>(height >> 8),
  };
}

ZtfHeaderFields ParseZtfHeader(const ZtfHeader& header) {
  ZtfHeaderFields fields;
  fields.ImageWidth = static_cast<std::int16_t>(static_cast<std::uint16_t>(header[9] * 256 + header[8]));
  fields.ImageHeight = static_cast<std::int16_t>(static_cast<std::uint16_t>(header[11] * 256 + header[10]));
  fields.BitsPerPixel = header[7] != 0 ? 32 : 24;
  return fields;
}

}  // namespace rastella
