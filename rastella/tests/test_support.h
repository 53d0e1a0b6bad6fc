#pragma once
// Builders of test images and files, a scratch folder, and a literal,
// unoptimised ZTF encoder to hold the real one against.

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "image/packed_image.h"
#include "shell/headless_window.h"
#include "shell/main_form.h"

namespace rastella::testing {

// The images of the tests are the packed images of the sample generator and
// the benchmarks.
using TestImage = PackedImage;

TestImage NoiseImage(int width, int height, std::uint32_t seed);
// Gradients and shapes, with some rows all zero in the colour plane and some
// in the alpha plane, so that every filter type and the forced rows occur.
TestImage StructuredImage(int width, int height, std::uint32_t seed);

// A whole TGA file: header, `idLength` bytes of image ID, then `stored`.
std::vector<std::uint8_t> TgaFile(std::uint8_t imageType, std::uint8_t depth, std::uint8_t descriptor, int width,
                                  int height, const std::vector<std::uint8_t>& stored, int idLength = 0);
// The pixels of `image` as a TGA file with `origin` (0 bottom left,
// 1 bottom right, 2 top left, 3 top right) stores them: blue, green, red,
// and alpha with `withAlpha`.
std::vector<std::uint8_t> StoreTgaPixels(const TestImage& image, int origin, bool withAlpha);
// The alpha values as an 8-bit grayscale TGA stores them from `origin`.
std::vector<std::uint8_t> StoreGrayPixels(const TestImage& image, int origin);

// The ZTF file of `image`, made by following the encoding rules one step at
// a time: every candidate computed on its own, sums kept per type.
std::vector<std::uint8_t> ReferenceZtf(const TestImage& image, bool withAlpha);

// Copies `image` into the planes of `state` and sets the dimensions.
void LoadIntoState(const TestImage& image, ImageState& state);

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes);
std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path);
// Names of every entry of `folder`, sorted.
std::vector<std::string> FolderEntries(const std::filesystem::path& folder);

// A fresh folder, removed with everything in it at the end of the scope.
class TempFolder {
 public:
  TempFolder();
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder();
  const std::filesystem::path& Path() const { return path_; }
  std::filesystem::path operator/(const std::string& name) const { return path_ / name; }

 private:
  std::filesystem::path path_;
};

// The viewer without a window, started in a scratch folder.
struct Viewer {
  TempFolder folder;
  HeadlessWindow window{folder.Path().string()};
  MainForm form{window};

  Viewer() { form.Form_Load(); }
  const ImageState& State() const { return form.State(); }
  // Writes a file into the folder and refreshes the file list.
  void AddFile(const std::string& name, const std::vector<std::uint8_t>& bytes);
  // Clicks `name` in the file list (which must show it) and presses View.
  void Open(const std::string& name);
  void Click(const std::string& name);
  std::vector<std::uint8_t> FileBytes(const std::string& name) const { return ReadBytes(folder / name); }
};

}  // namespace rastella::testing
