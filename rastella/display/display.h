#pragma once
// The status line of a loaded image and its drawing into the picture box.
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
#include <string>

#include "shell/image_state.h"
#include "shell/window_operations.h"

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

// The status line that ShowTGA writes, or "TGA  :  UNSUPPORTED FORMAT".
std::string TgaStatusLine(const ImageState& state);
std::string ZtfStatusLine(const ImageState& state);

// Writes the status line and draws a TGA image; an image type other than 2
// and 3 is refused and clears ImageLoaded.
void ShowTGA(ImageState& state, WindowOperations& window);

// Draws a ZTF image between "Processing file, please wait" and its status
// line.
void ShowZTF(const ImageState& state, WindowOperations& window);

}  // namespace rastella
