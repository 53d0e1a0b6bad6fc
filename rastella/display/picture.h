#pragma once
// The picture box as the display draws into it: a 518 x 518 drawing area
// with a background colour.  PictureSurface (picture_surface.h) implements
// it in memory; the Qt, Win32 and headless windows implement it over one.

#include <span>

#include "image/color.h"

namespace rastella {

// The drawing area of the picture box, in pixels.
inline constexpr int kPictureSize = 518;
inline constexpr ColorValue kStartBackground = MakeColor(64, 64, 64);

class PictureOperations {
 public:
  virtual ~PictureOperations() = default;

  // Fills the drawing area with the background colour.
  virtual void ClearPicture() = 0;
  virtual ColorValue PictureBackground() const = 0;
  // Setting the background colour also clears the drawing area.
  virtual void SetPictureBackground(ColorValue color) = 0;
  // Pixels outside the drawing area are clipped.
  virtual void SetPixel(int x, int y, ColorValue color) = 0;
  // Sets the pixels (x, y) to (x + n - 1, y) to the n `colors`, with the
  // same clipping: the display draws a row of a panel at a time.  This
  // default sets them one by one with SetPixel; a window that can copy a
  // whole row at once overrides it.
  virtual void SetPixelRow(int x, int y, std::span<const ColorValue> colors) {
    for (const ColorValue color : colors) {
      SetPixel(x++, y, color);
    }
  }
  virtual void ShowPicture() = 0;
  virtual void SetPictureLineWidth(int width) = 0;
};

}  // namespace rastella
