// rastella-fuzz-seeds FOLDER: writes the seed inputs of the fuzz targets,
// FOLDER/view (image files), FOLDER/script (command scripts) and
// FOLDER/ztf-round-trip (planes to encode).
//
// Images: TGA files of each image type, depth and origin, image ID lengths
// 0, 5 and 255, widths 1, 3 and 1024; ZTF files with and without alpha whose
// rows use each filter type, an undefined one included.

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <random>
#include <string>
#include <vector>

#include "ztf/ztf_format.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void Write(const std::filesystem::path& path, const Bytes& bytes) {
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

Bytes RandomBytes(std::size_t count, std::mt19937& random) {
  Bytes bytes(count);
  for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
  return bytes;
}

Bytes Tga(int type, int depth, int descriptor, int width, int height, int idLength, std::mt19937& random) {
  Bytes file(18, 0);
  file[0] = static_cast<std::uint8_t>(idLength);
  file[2] = static_cast<std::uint8_t>(type);
  file[12] = static_cast<std::uint8_t>(width & 255);
  file[13] = static_cast<std::uint8_t>(width >> 8);
  file[14] = static_cast<std::uint8_t>(height & 255);
  file[15] = static_cast<std::uint8_t>(height >> 8);
  file[16] = static_cast<std::uint8_t>(depth);
  file[17] = static_cast<std::uint8_t>(descriptor);
  const int pixelBytes = (type == 2 ? 3 : 0) + (depth == 32 || type == 3 ? 1 : 0);
  const Bytes rest = RandomBytes(static_cast<std::size_t>(idLength + width * height * std::max(pixelBytes, 1)), random);
  file.insert(file.end(), rest.begin(), rest.end());
  return file;
}

Bytes Ztf(int width, int height, bool withAlpha, std::uint8_t filter, std::mt19937& random) {
  const rastella::ZtfHeader header = rastella::BuildZtfHeader(width, height, withAlpha ? 32 : 24);
  Bytes file(header.begin(), header.end());
  for (int plane = 0; plane < (withAlpha ? 2 : 1); ++plane) {
    file.insert(file.end(), static_cast<std::size_t>(height), filter);
    const Bytes rows = RandomBytes(static_cast<std::size_t>(width * height * (plane == 0 ? 3 : 1)), random);
    file.insert(file.end(), rows.begin(), rows.end());
  }
  return file;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: rastella-fuzz-seeds FOLDER\n";
    return 2;
  }
  const std::filesystem::path view = std::filesystem::path(argv[1]) / "view";
  const std::filesystem::path script = std::filesystem::path(argv[1]) / "script";
  std::filesystem::create_directories(view);
  std::filesystem::create_directories(script);
  const std::filesystem::path roundTrip = std::filesystem::path(argv[1]) / "ztf-round-trip";
  std::filesystem::create_directories(roundTrip);
  std::mt19937 random(2024);

  for (const int type : {0, 1, 2, 3, 9, 10, 11, 255}) {
    for (const int depth : {0, 8, 15, 16, 24, 32, 33}) {
      for (int origin = 0; origin < 4; ++origin) {
        const std::string name =
            "tga-t" + std::to_string(type) + "-d" + std::to_string(depth) + "-o" + std::to_string(origin);
        Write(view / name, Tga(type, depth, origin << 4 | (depth == 32 ? 8 : 0), 3, 2, 0, random));
      }
    }
  }
  for (const int idLength : {0, 5, 255}) {
    Write(view / ("tga-id" + std::to_string(idLength)), Tga(2, 24, 0x20, 3, 3, idLength, random));
  }
  for (const int width : {1, 3, 1024}) {
    Write(view / ("tga-w" + std::to_string(width)), Tga(2, 32, 0x08, width, 2, 0, random));
    for (const bool withAlpha : {false, true}) {
      for (std::uint8_t filter = 0; filter <= 5; ++filter) {
        Write(view / ("ztf-w" + std::to_string(width) + (withAlpha ? "-alpha-f" : "-f") + std::to_string(filter)),
              Ztf(width, 3, withAlpha, filter, random));
      }
    }
  }

  // Width and height (2 bytes each), a flag byte (bit 0: alpha), the
  // planes: noise, a gradient, and rows of zeros between rows of noise.
  for (const auto& [width, height] : std::vector<std::pair<int, int>>{{1, 1}, {3, 2}, {17, 5}, {1024, 4}, {4, 1024}}) {
    for (const bool withAlpha : {false, true}) {
      const std::size_t pixels = static_cast<std::size_t>(width) * height * (withAlpha ? 4 : 3);
      const Bytes header = {static_cast<std::uint8_t>(width & 255), static_cast<std::uint8_t>(width >> 8),
                            static_cast<std::uint8_t>(height & 255), static_cast<std::uint8_t>(height >> 8),
                            static_cast<std::uint8_t>(withAlpha ? 1 : 0)};
      const std::string name =
          "w" + std::to_string(width) + "-h" + std::to_string(height) + (withAlpha ? "-alpha" : "");
      Bytes noise = header;
      const Bytes noiseBytes = RandomBytes(std::min<std::size_t>(pixels, 20000), random);
      noise.insert(noise.end(), noiseBytes.begin(), noiseBytes.end());
      Write(roundTrip / (name + "-noise"), noise);
      Bytes gradient = header;
      for (std::size_t i = 0; i < std::min<std::size_t>(pixels, 20000); ++i) {
        gradient.push_back(static_cast<std::uint8_t>(i / 7 + (i % 3) * 40));
      }
      Write(roundTrip / (name + "-gradient"), gradient);
      Bytes striped = header;
      for (std::size_t i = 0; i < std::min<std::size_t>(pixels, 20000); ++i) {
        striped.push_back((i / (static_cast<std::size_t>(width) * 3)) % 2 == 0 ? 0
                                                                               : static_cast<std::uint8_t>(random()));
      }
      Write(roundTrip / (name + "-striped"), striped);
    }
  }

  const std::vector<std::pair<std::string, std::string>> scripts = {
      {"view-save", "click a.tga\nview\nsave-tga\nsave-alpha\nsave-ztf\ntexts\nlist\nclick ZTF-a.tga\nview\nstate\n"},
      {"ztf", "click b.tga\nview\nstatus\npixel 0 0\nsave-ztf\nsave-tga\nsave-alpha\ntexts\n"},
      {"folders", "folder sub\nlist\nclick c.tga\nview\nfolder .\nsave-tga\nlist\n# comment\n\n"},
      {"picture", "picture-click\npicture-click\ndump out.ppm\nstate\npixel 1023 1023\n"},
  };
  for (const auto& [name, text] : scripts) {
    std::ofstream(script / name) << text;
  }
  return 0;
}
