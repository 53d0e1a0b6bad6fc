#pragma once
// The one image that the viewer holds at a time, shared by every operation of
// the main window: the header bytes of the formats, the derived header fields
// and two pixel planes allocated once at their full size.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace rastella {

// Images have at most this many columns and rows; every buffer index lies
// in 0 to kMaxDimension - 1.
inline constexpr int kMaxDimension = 1024;
inline constexpr std::size_t kColorRowBytes = kMaxDimension * 3;
inline constexpr std::size_t kColorBufferBytes = kColorRowBytes * kMaxDimension;
inline constexpr std::size_t kAlphaBufferBytes = std::size_t{kMaxDimension} * kMaxDimension;

// Which reader filled the image state last.  The ZTF encoder refuses an
// image only when it came from a TGA file whose type is not 2, so it needs to
// know the source: ImageType alone keeps the value of the last TGA file.
enum class ImageSource : std::uint8_t { None, Tga, Ztf };

struct ImageState {
  // ColorBuffer(x, y, c) lies at (y * 1024 + x) * 3 + c; channel 0 red,
  // 1 green, 2 blue; row 0 is the top row.  Never cleared: a load writes
  // only the pixels inside the loaded image.
  std::vector<std::uint8_t> ColorBuffer = std::vector<std::uint8_t>(kColorBufferBytes);
  // AlphaBuffer(x, y) lies at y * 1024 + x.  Alpha plane of a 32-bit image,
  // gray values of a grayscale TGA image.
  std::vector<std::uint8_t> AlphaBuffer = std::vector<std::uint8_t>(kAlphaBufferBytes);

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

  std::uint8_t* ColorAt(int x, int y) {
    return ColorBuffer.data() + (static_cast<std::size_t>(y) * kMaxDimension + static_cast<std::size_t>(x)) * 3;
  }
  const std::uint8_t* ColorAt(int x, int y) const {
    return ColorBuffer.data() + (static_cast<std::size_t>(y) * kMaxDimension + static_cast<std::size_t>(x)) * 3;
  }
  std::uint8_t& AlphaAt(int x, int y) {
    return AlphaBuffer[static_cast<std::size_t>(y) * kMaxDimension + static_cast<std::size_t>(x)];
  }
  std::uint8_t AlphaAt(int x, int y) const {
    return AlphaBuffer[static_cast<std::size_t>(y) * kMaxDimension + static_cast<std::size_t>(x)];
  }
};

// True when a header's dimensions fit the image state (0 to 1024 each).  A
// dimension whose high byte is 128 or more is negative and never fits.
constexpr bool FitsImageState(std::int16_t width, std::int16_t height) {
  return width >= 0 && width <= kMaxDimension && height >= 0 && height <= kMaxDimension;
}

// Colour values are 0x00BBGGRR: red in the low byte.
using ColorValue = std::uint32_t;

constexpr ColorValue MakeColor(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return red + 256 * green + 65536 * blue;
}
constexpr std::uint8_t RedOf(ColorValue color) { return static_cast<std::uint8_t>(color & 0xFF); }
constexpr std::uint8_t GreenOf(ColorValue color) { return static_cast<std::uint8_t>((color >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(ColorValue color) { return static_cast<std::uint8_t>((color >> 16) & 0xFF); }

}  // namespace rastella
