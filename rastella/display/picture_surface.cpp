#include "display/picture_surface.h"

#include <algorithm>
#include <cstddef>

namespace rastella {

namespace {

// A colour value (0x00BBGGRR) as the surface stores it (0xFFRRGGBB).  The
// top byte is unused by a device-independent bitmap; a Format_RGB32 QImage
// keeps it at 0xFF.
constexpr std::uint32_t ToSurfacePixel(ColorValue color) {
  return 0xFF000000u | static_cast<std::uint32_t>(RedOf(color)) << 16 |
         static_cast<std::uint32_t>(GreenOf(color)) << 8 | static_cast<std::uint32_t>(BlueOf(color));
}

constexpr ColorValue FromSurfacePixel(std::uint32_t pixel) {
  return MakeColor((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF);
}

static_assert(FromSurfacePixel(ToSurfacePixel(MakeColor(1, 2, 3))) == MakeColor(1, 2, 3));

std::size_t IndexOf(int x, int y) { return static_cast<std::size_t>(y) * kPictureSize + static_cast<std::size_t>(x); }

}  // namespace

PictureSurface::PictureSurface() : pixels_(static_cast<std::size_t>(kPictureSize) * kPictureSize) {
  unfilled_.fill(true);
  anyUnfilled_ = true;
}

void PictureSurface::ClearPicture() {
  unfilled_.fill(true);
  anyUnfilled_ = true;
  changed_ = true;
}

void PictureSurface::FillRow(int y) const {
  if (unfilled_[static_cast<std::size_t>(y)]) {
    const auto row = pixels_.begin() + static_cast<std::ptrdiff_t>(IndexOf(0, y));
    std::fill(row, row + kPictureSize, ToSurfacePixel(background_));
    unfilled_[static_cast<std::size_t>(y)] = false;
  }
}

void PictureSurface::FillRowAround(int y, int first, int end) {
  if (unfilled_[static_cast<std::size_t>(y)]) {
    const auto row = pixels_.begin() + static_cast<std::ptrdiff_t>(IndexOf(0, y));
    std::fill(row, row + first, ToSurfacePixel(background_));
    std::fill(row + end, row + kPictureSize, ToSurfacePixel(background_));
    unfilled_[static_cast<std::size_t>(y)] = false;
  }
}

const std::uint32_t* PictureSurface::Pixels() const {
  if (anyUnfilled_) {
    for (int y = 0; y < kPictureSize; ++y) {
      FillRow(y);
    }
    anyUnfilled_ = false;
  }
  return pixels_.data();
}

void PictureSurface::SetPictureBackground(ColorValue color) {
  background_ = color;
  ClearPicture();
}

void PictureSurface::SetPixel(int x, int y, ColorValue color) {
  if (x < 0 || y < 0 || x >= kPictureSize || y >= kPictureSize) {
    return;
  }
  FillRowAround(y, x, x + 1);
  pixels_[IndexOf(x, y)] = ToSurfacePixel(color);
  changed_ = true;
}

void PictureSurface::SetPixelRow(int x, int y, std::span<const ColorValue> colors) {
  if (y < 0 || y >= kPictureSize) {
    return;
  }
  // The part of [x, x + n) inside the drawing area.
  const long long first = std::max<long long>(x, 0);
  const long long end =
      std::min<long long>(static_cast<long long>(x) + static_cast<long long>(colors.size()), kPictureSize);
  if (first >= end) {
    return;
  }
  FillRowAround(y, static_cast<int>(first), static_cast<int>(end));
  std::transform(colors.begin() + (first - x), colors.begin() + (end - x),
                 pixels_.begin() + static_cast<std::ptrdiff_t>(IndexOf(static_cast<int>(first), y)), ToSurfacePixel);
  changed_ = true;
}

ColorValue PictureSurface::PixelAt(int x, int y) const {
  if (unfilled_[static_cast<std::size_t>(y)]) {
    return background_;
  }
  return FromSurfacePixel(pixels_[IndexOf(x, y)]);
}

std::string PictureSurface::AsPpm() const {
  std::string ppm = "P6\n" + std::to_string(kPictureSize) + " " + std::to_string(kPictureSize) + "\n255\n";
  ppm.reserve(ppm.size() + pixels_.size() * 3);
  for (int y = 0; y < kPictureSize; ++y) {
    for (int x = 0; x < kPictureSize; ++x) {
      const ColorValue color = PixelAt(x, y);
      ppm.push_back(static_cast<char>(RedOf(color)));
      ppm.push_back(static_cast<char>(GreenOf(color)));
      ppm.push_back(static_cast<char>(BlueOf(color)));
    }
  }
  return ppm;
}

bool PictureSurface::TakeChanged() {
  const bool changed = changed_;
  changed_ = false;
  return changed;
}

}  // namespace rastella
