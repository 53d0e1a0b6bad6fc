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

namespace rastella {

// Which reader filled the image state last.  The ZTF encoder refuses an
// image only when it came from a TGA file whose type is not 2, so it needs to
// know the source: ImageType alone keeps the value of the last TGA file.
enum class ImageSource : std::uint8_t { None, Tga, Ztf };

// The pixel planes, the header bytes of the formats and the header fields
// of the image loaded last.
struct ImageState : Planes {
  std::array<std::uint8_t, 18> TgaHeaderBytes{};
  std::array<std::uint8_t, 18> AlphaHeaderBytes{};
  std::array<std::uint8_t, 12> ZtfHeaderBytes{};

  std::int16_t ImageWidth = 0;
  std::int16_t ImageHeight = 0;
  std::uint8_t BitsPerPixel = 0;
  // 1-based position of the first pixel byte.  Wider than a byte so that an
  // image ID of up to 255 bytes (position 274) is held exactly.
  std::uint16_t DataStart = 0;
  std::uint8_t ImageType = 0;
  std::uint8_t ImageOrigin = 0;
  std::uint8_t AlphaBits = 0;
  std::uint8_t BackgroundIndex = 0;
  bool ImageLoaded = false;
  std::string SelectedPath;
  std::string FileMagic;
  ImageSource LoadedFrom = ImageSource::None;
};

}  // namespace rastella
