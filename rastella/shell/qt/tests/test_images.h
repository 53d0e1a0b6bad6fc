#pragma once
// Small TGA files for the window tests, written byte by byte so that the
// tests do not lean on the writers they check.

#include <QDir>
#include <QFile>
#include <QString>
#include <cstdint>
#include <vector>

namespace rastella::testing {

struct TestPixel {
  std::uint8_t red, green, blue, alpha;
};

// The displayed pixel (x, y) of a test image: smooth ramps in every channel,
// so that a pixel drawn at the wrong place or in the wrong channel shows.
inline TestPixel RampPixel(int x, int y) {
  return {static_cast<std::uint8_t>(x * 6 + 10), static_cast<std::uint8_t>(y * 7 + 20),
          static_cast<std::uint8_t>((x + y) * 3 + 30), static_cast<std::uint8_t>((x * 13 + y * 5) % 256)};
}

// Writes RampPixel as an uncompressed TGA file of `imageType` (2 colour, 3
// grayscale) and `bitsPerPixel` (32, 24 or 8; grayscale takes the green
// ramp).  Rows go top row first when the descriptor has bit 5 set, else
// bottom row first.
inline bool WriteTestTga(const QString& path, std::uint8_t imageType, std::uint8_t bitsPerPixel,
                         std::uint8_t descriptor, int width, int height) {
  // No ID, no colour map, origin (0, 0), then the size, depth and descriptor.
  std::vector<std::uint8_t> bytes = {0, 0, imageType, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  bytes.insert(bytes.end(), {static_cast<std::uint8_t>(width % 256), static_cast<std::uint8_t>(width / 256),
                             static_cast<std::uint8_t>(height % 256), static_cast<std::uint8_t>(height / 256),
                             bitsPerPixel, descriptor});
  const bool topFirst = (descriptor & 0x20) != 0;
  for (int row = 0; row < height; ++row) {
    const int y = topFirst ? row : height - 1 - row;
    for (int x = 0; x < width; ++x) {
      const TestPixel value = RampPixel(x, y);
      if (bitsPerPixel == 8) {
        bytes.push_back(value.green);
        continue;
      }
      bytes.insert(bytes.end(), {value.blue, value.green, value.red});
      if (bitsPerPixel == 32) {
        bytes.push_back(value.alpha);
      }
    }
  }
  QFile file(path);
  return file.open(QIODevice::WriteOnly) &&
         file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size())) ==
             static_cast<qint64>(bytes.size());
}

// The image folder of most tests:
//   gray.tga         16 x 16 grayscale, top row first
//   rgb-bottom.TGA   33 x 20, 24 bits, bottom row first (upper-case ending)
//   rgba.tga         40 x 30, 32 bits, top row first
//   notes.txt        not an image: the file list leaves it out
//   nested.tga/      a folder, left out too, holding inner.tga
inline bool FillImageFolder(const QString& folder) {
  return WriteTestTga(folder + "/gray.tga", 3, 8, 0x20, 16, 16) &&
         WriteTestTga(folder + "/rgb-bottom.TGA", 2, 24, 0x00, 33, 20) &&
         WriteTestTga(folder + "/rgba.tga", 2, 32, 0x28, 40, 30) &&
         QFile(folder + "/notes.txt").open(QIODevice::WriteOnly) && QDir(folder).mkdir("nested.tga") &&
         WriteTestTga(folder + "/nested.tga/inner.tga", 2, 24, 0x20, 8, 8);
}

}  // namespace rastella::testing
