#pragma once
// An image of its own size with its rows packed: red, green and blue per
// pixel in `rgb` and one byte per pixel in `alpha`, top row first.  The
// sample generator, the tests and the benchmarks make their images in this
// form before they write them as files or copy them into the planes.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/planes.h"

namespace rastella {

struct PackedImage {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb;
  std::vector<std::uint8_t> alpha;

  PackedImage() = default;
  PackedImage(int w, int h)
      : width(w),
        height(h),
        rgb(static_cast<std::size_t>(w) * static_cast<std::size_t>(h) * 3),
        alpha(static_cast<std::size_t>(w) * static_cast<std::size_t>(h)) {}

  std::uint8_t* Rgb(int x, int y) { return &rgb[Index(x, y) * 3]; }
  const std::uint8_t* Rgb(int x, int y) const { return &rgb[Index(x, y) * 3]; }
  std::uint8_t& Alpha(int x, int y) { return alpha[Index(x, y)]; }
  std::uint8_t Alpha(int x, int y) const { return alpha[Index(x, y)]; }

  // Copies both planes of the image into the top-left corner of `planes`,
  // as a load of a file of this image leaves them.  Precondition:
  // FitsPlanes(width, height).
  void CopyInto(Planes& planes) const {
    // Through data(), which an image without pixels may give as null: no
    // element of it is named.
    for (int y = 0; y < height; ++y) {
      std::copy_n(rgb.data() + Index(0, y) * 3, static_cast<std::size_t>(width) * 3, planes.ColorAt(0, y));
      std::copy_n(alpha.data() + Index(0, y), static_cast<std::size_t>(width), planes.AlphaRow(y));
    }
  }

 private:
  std::size_t Index(int x, int y) const {
    return static_cast<std::size_t>(y) * static_cast<std::size_t>(width) + static_cast<std::size_t>(x);
  }
};

}  // namespace rastella
