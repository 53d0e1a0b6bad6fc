#pragma once
// The images that every benchmark works on, generated on the spot, and the
// files made from them: TGA files as a painting program stores them, ZTF
// files, and PNG files holding exactly the rows of a ZTF plane.

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "image/packed_image.h"
#include "shell/image_state.h"

namespace bench {

enum class Content : std::uint8_t {
  // Gradients with a little noise on every channel and an alpha gradient:
  // what a texture or a photograph looks like to the filters.
  Natural,
  // Every byte random: no filter helps.
  Noise,
};

using rastella::PackedImage;

PackedImage MakeImage(int width, int height, Content content, std::uint32_t seed);

// The image state of the viewer holding `image`, as a load leaves it.
void LoadIntoState(const PackedImage& image, int bitsPerPixel, rastella::ImageState& state);

// Red, green, blue, alpha per pixel, top row first: the layout that the
// peer libraries take and give.
std::vector<std::uint8_t> InterleavedRgba(const PackedImage& image);

// A TGA file of image type 2 at 24 or 32 bits, or of type 3 (grayscale, the
// alpha plane) at 8 bits, stored from the top-left or the bottom-left corner.
std::vector<std::uint8_t> TgaFile(const PackedImage& image, int bitsPerPixel, bool topLeft);

// A ZTF file whose rows all use filter type `type`, whatever the encoder
// would choose.
std::vector<std::uint8_t> ZtfFileWithFilter(const PackedImage& image, bool withAlpha, std::uint8_t type);

// One plane of a ZTF file: its filter-type table and its rows.
struct ZtfPlane {
  int width = 0;
  int height = 0;
  int channels = 0;  // 3 colour, 1 alpha
  const std::uint8_t* types = nullptr;
  const std::uint8_t* rows = nullptr;
};
std::vector<ZtfPlane> PlanesOf(const std::vector<std::uint8_t>& ztf);

// A PNG file (8-bit RGB for the colour plane, 8-bit gray for alpha) whose
// scanlines are the plane's type bytes and rows, stored without
// compression (zlib level 0), so that a PNG decoder undoes exactly the
// filters that the ZTF decoder undoes.
std::vector<std::uint8_t> PngOfPlane(const ZtfPlane& plane);

// treebane's inputs: a mask of 512 x 512 bytes, a quarter of them 0, and a
// tree texture (an 18-byte grayscale TGA header and 512 x 512 pixels, a
// third of them 0).
std::vector<std::uint8_t> TreeMask(std::uint32_t seed);
std::vector<std::uint8_t> TreeTexture(std::uint32_t seed);

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);

// A fresh folder under the system's temporary folder, removed with its
// contents at the end of the scope.
class ScratchFolder {
 public:
  explicit ScratchFolder(const std::string& tag);
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  ~ScratchFolder();
  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

}  // namespace bench
