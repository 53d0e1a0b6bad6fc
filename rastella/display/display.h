#pragma once
// Drawing a loaded image into the picture box.
//
// Panels, for pixel (x, y) of a W x H image:
//   image                 (x + 1,     y + 1)      the colour, or the gray of a
//                                                 grayscale TGA image
//   transparency preview  (x + W + 1, y + 1)      the colour blended against
//                                                 the background colour
//   alpha                 (x + W + 1, y + H + 1)  the alpha value as gray
// The preview and alpha panels are drawn for 32-bit images; for TGA images
// only up to 256 x 256.  Pixels beyond the drawing area are not drawn.

#include <cstdint>

#include "display/picture.h"
#include "image/color.h"
#include "image/planes.h"

namespace rastella {

// One channel of the transparency preview: the foreground weighted by alpha
// plus the background weighted by 255 - alpha, each divided by 256 and
// rounded down.  The result is at most 254.
constexpr std::uint8_t BlendChannel(std::uint8_t foreground, std::uint8_t alpha, std::uint8_t background) {
  return static_cast<std::uint8_t>(foreground * alpha / 256 + background * (255 - alpha) / 256);
}

constexpr ColorValue BlendColor(std::uint8_t red, std::uint8_t green, std::uint8_t blue, std::uint8_t alpha,
                                ColorValue background) {
  return MakeColor(BlendChannel(red, alpha, RedOf(background)), BlendChannel(green, alpha, GreenOf(background)),
                   BlendChannel(blue, alpha, BlueOf(background)));
}

// Draws rows H - 1 up to 0 of a W x H colour image: in each the image row
// and, with `panels`, the preview and alpha rows, each against the picture's
// background colour.  Only the parts inside the drawing area are computed and
// drawn.
void DrawColorImage(const Planes& planes, int width, int height, bool panels, PictureOperations& picture);

// Draws the alpha plane of a W x H grayscale image as gray, rows H - 1 up
// to 0.
void DrawGrayImage(const Planes& planes, int width, int height, PictureOperations& picture);

// A 32-bit TGA image gets the preview and alpha panels only up to 256 x 256.
constexpr bool TgaImageHasPanels(std::uint8_t bitsPerPixel, int width, int height) {
  return bitsPerPixel == 32 && width <= 256 && height <= 256;
}

}  // namespace rastella
