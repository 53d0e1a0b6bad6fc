// texture-tools-bench-files FOLDER: writes the inputs of the whole-process
// comparisons of bench/compare into FOLDER:
//   view/natural-32.tga   a 1024 x 1024 32-bit TGA file of natural content,
//                         stored from the bottom-left corner
//   treebane/             treebane.data and 100 tree textures

#include <exception>
#include <filesystem>
#include <iostream>
#include <string>

#include "bench_images.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: texture-tools-bench-files FOLDER\n";
    return 2;
  }
  try {
    const std::filesystem::path folder = argv[1];
    std::filesystem::create_directories(folder / "view");
    std::filesystem::create_directories(folder / "treebane");
    const rastella::PackedImage natural = bench::MakeImage(1024, 1024, bench::Content::Natural, 1);
    bench::WriteFile(folder / "view" / "natural-32.tga", bench::TgaFile(natural, 32, false));
    bench::WriteFile(folder / "treebane" / "treebane.data", bench::TreeMask(11));
    for (int i = 0; i < 100; ++i) {
      std::string name = "texture";
      name += std::to_string(i);
      name += ".tree.tga";
      bench::WriteFile(folder / "treebane" / name, bench::TreeTexture(static_cast<std::uint32_t>(100 + i)));
    }
  } catch (const std::exception& error) {
    std::cerr << "texture-tools-bench-files: " << error.what() << "\n";
    return 1;
  }
  return 0;
}
