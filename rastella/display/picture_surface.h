#pragma once
// The pixels of the picture box, kept in memory: kPictureSize rows of
// kPictureSize 32-bit values, top row first, each 0xFFRRGGBB (blue in the
// lowest byte in memory).  That is the layout of a QImage::Format_RGB32
// image and of a top-down 32-bit device-independent bitmap, so the Qt and
// Win32 windows show the pixels as they are, and the headless window reads
// them back as colour values.
//
// Pixels are written only through the picture operations and read only
// through PixelAt, Pixels and AsPpm, so the background fill can later be
// put off to the pixels that are shown or read.

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "display/picture.h"
#include "image/color.h"

namespace rastella {

class PictureSurface final : public PictureOperations {
 public:
  // The bytes from one row of Pixels() to the next.
  static constexpr int kBytesPerRow = kPictureSize * 4;

  // Filled with kStartBackground.
  PictureSurface();

  void ClearPicture() override;
  ColorValue PictureBackground() const override { return background_; }
  void SetPictureBackground(ColorValue color) override;
  void SetPixel(int x, int y, ColorValue color) override;
  void SetPixelRow(int x, int y, std::span<const ColorValue> colors) override;
  // The window that holds the surface shows it.
  void ShowPicture() override {}
  void SetPictureLineWidth(int) override {}

  // Pixel (x, y), 0 <= x, y < kPictureSize.
  ColorValue PixelAt(int x, int y) const;
  // The pixels in the layout above, for a window to show.
  const std::uint32_t* Pixels() const { return pixels_.data(); }
  // The pixels as a binary PPM (P6, maxval 255).
  std::string AsPpm() const;

  // True when a pixel may have changed since the last call: a clear, or a
  // pixel set inside the drawing area.  A window repaints when it is.
  bool TakeChanged();

 private:
  ColorValue background_ = kStartBackground;
  std::vector<std::uint32_t> pixels_;
  bool changed_ = false;
};

}  // namespace rastella
