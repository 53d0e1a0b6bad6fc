#pragma once
// The 18-byte TGA header, as read and as written.
//
//   offset  field                       read as                 written
//   0       ID length                   DataStart = value + 19  0
//   1       colour map type             ignored                 0
//   2       image type                  ImageType               2 colour, 3 grayscale
//   3..11   colour map fields, X/Y origin ignored               0
//   12, 13  width, low and high byte    ImageWidth              W % 256, W / 256
//   14, 15  height, low and high byte   ImageHeight             H % 256, H / 256
//   16      pixel depth                 BitsPerPixel (32/24/8/0) depth
//   17      image descriptor            bits 4-5 ImageOrigin,   0x28 with 32 bits,
//                                       bits 0-3 AlphaBits      else 0x20 (top left)

#include <array>
#include <cstdint>
#include <span>

namespace rastella {

using TgaHeader = std::array<std::uint8_t, 18>;

// Corner at which the first stored pixel goes.
enum TgaOrigin : std::uint8_t {
  kOriginBottomLeft = 0,
  kOriginBottomRight = 1,
  kOriginTopLeft = 2,
  kOriginTopRight = 3,
};

struct TgaHeaderFields {
  std::int16_t ImageWidth = 0;
  std::int16_t ImageHeight = 0;
  std::uint8_t BitsPerPixel = 0;
  std::uint16_t DataStart = 0;
  std::uint8_t ImageType = 0;
  std::uint8_t ImageOrigin = 0;
  std::uint8_t AlphaBits = 0;
};

// Derives the header fields.  Validates nothing: any type and depth is
// accepted, and a high byte of 128 or more gives a negative dimension.
TgaHeaderFields ParseTgaHeader(const TgaHeader& header);

// Header of an uncompressed true-colour file stored from the top row.
TgaHeader BuildTgaHeader(int width, int height, std::uint8_t bitsPerPixel);

// Header of an uncompressed 8-bit grayscale file stored from the top row.
TgaHeader BuildAlphaHeader(int width, int height);

}  // namespace rastella
