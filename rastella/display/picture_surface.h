#pragma once
// The pixels of the picture box, kept in memory: kPictureSize rows of
// kPictureSize 32-bit values, top row first, each 0xFFRRGGBB (blue in the
// lowest byte in memory).  That is the layout of a QImage::Format_RGB32
// image and of a top-down 32-bit device-independent bitmap, so the Qt and
// Win32 windows show the pixels as they are, and the headless window reads
// them back as colour values.
//
// The background fill is put off: a clear only notes the colour for every
// row, and a row is filled when it is drawn into (only around what is drawn)
// or when a window asks for the pixels to show them.  PixelAt and AsPpm
// read a row that is still unfilled as its background.  So the surface's
// memory is not touched until it is needed, and a pixel that is drawn is
// written once.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "display/picture.h"
#include "image/color.h"
#include "image/fresh_pages.h"

namespace rastella {

class PictureSurface final : public PictureOperations {
 public:
  // The bytes from one row of Pixels() to the next.
  static constexpr int kBytesPerRow = kPictureSize * 4;

  // All kStartBackground.
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
  // The pixels in the layout above, for a window to show; fills the rows
  // that are still unfilled first.
  const std::uint32_t* Pixels() const;
  // The pixels as a binary PPM (P6, maxval 255).
  std::string AsPpm() const;

  // True when a pixel may have changed since the last call: a clear, or a
  // pixel set inside the drawing area.  A window repaints when it is.
  bool TakeChanged();

 private:
  // Fills row y with its background if it is still unfilled.
  void FillRow(int y) const;
  // Fills row y, except the pixels [first, end) that are about to be drawn,
  // if it is still unfilled.
  void FillRowAround(int y, int first, int end);

  ColorValue background_ = kStartBackground;
  // The memory of unfilled rows is left as it is; fresh pages are not
  // touched before a row is filled.  A view fills nearly every row, so the
  // surface takes one huge page where the system offers them: one page fault
  // instead of 263, at the cost of the page's unused last 1 MiB.
  mutable std::vector<std::uint32_t, FreshPageAllocator<std::uint32_t, HugePages::RoundUp>> pixels_;
  // True for a row whose pixels are all background_ but not written yet.
  mutable std::array<bool, kPictureSize> unfilled_{};
  mutable bool anyUnfilled_ = false;
  bool changed_ = false;
};

}  // namespace rastella
