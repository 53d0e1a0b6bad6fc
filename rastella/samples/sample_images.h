#pragma once
// The sample files of the project, drawn by code: a folder of images for the
// viewer, one of each kind that it reads, and a folder of tree textures with
// their mask for treebane.

#include <cstdint>
#include <string>
#include <vector>

namespace rastella::samples {

struct SampleFile {
  std::string name;
  std::vector<std::uint8_t> bytes;
};

// Tree textures: an 18-byte header of an 8-bit grayscale image of this size,
// then one byte per pixel; the mask holds one byte per pixel.
inline constexpr int kTreeTextureSize = 512;
inline constexpr std::size_t kTreePixels = std::size_t{kTreeTextureSize} * kTreeTextureSize;
inline constexpr char kTreeMaskName[] = "treebane.data";

// For the viewer:
//   sunset-rgba.tga        256 x 256, 32 bits, top-left origin, alpha fading
//                          out towards the corners
//   hills-bottom-left.tga  320 x 240, 24 bits, rows stored bottom row first
//   moon-gray.tga          256 x 256, 8-bit grayscale
//   ridges-1024.tga        1024 x 1024, 24 bits, the largest image there is
//   leaf-ztf.tga           300 x 200, 32 bits, in ZTF (the file list shows
//                          names ending in ".tga" only)
std::vector<SampleFile> ViewerSamples();

// For treebane: two "*.tree.tga" textures and the mask "treebane.data",
// whose zero bytes draw a road and a railway across the textures.
std::vector<SampleFile> TreeSamples();

}  // namespace rastella::samples
