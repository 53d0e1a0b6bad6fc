#pragma once
// The one image that the viewer holds at a time, shared by every operation of
// the main window: two pixel planes allocated once at their full size, the
// header bytes of the formats and the derived header fields.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "image/color.h"
#include "image/planes.h"
#include "tga/tga_header.h"

namespace rastella {

// Which reader filled the image state last.  The ZTF encoder refuses an
// image only when it came from a TGA file whose type is not 2, so it needs to
// know the source: ImageType alone keeps the value of the last TGA file.
enum class ImageSource : std::uint8_t { None, Tga, Ztf };

// The pixel planes, the header bytes of the formats and the header fields
// of the image loaded last: ImageWidth, ImageHeight, BitsPerPixel,
// DataStart, ImageType, ImageOrigin and AlphaBits as a TGA header gives
// them (tga/tga_header.h); a ZTF header sets the first four.
struct ImageState : Planes, TgaHeaderFields {
  std::array<std::uint8_t, 18> TgaHeaderBytes{};
  std::array<std::uint8_t, 18> AlphaHeaderBytes{};
  std::array<std::uint8_t, 12> ZtfHeaderBytes{};

  std::uint8_t BackgroundIndex = 0;
  bool ImageLoaded = false;
  std::string SelectedPath;
  std::string FileMagic;
  ImageSource LoadedFrom = ImageSource::None;
};

}  // namespace rastella
