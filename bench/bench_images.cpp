#include "bench_images.h"

#include <stdlib.h>
#include <zlib.h>

#include <algorithm>
#include <fstream>
#include <random>
#include <stdexcept>

#include "ztf/ztf_format.h"

namespace bench {

namespace {

std::uint8_t Clamp(int value) { return static_cast<std::uint8_t>(std::clamp(value, 0, 255)); }

void PutBigEndian32(std::vector<std::uint8_t>& out, std::uint32_t value) {
  out.insert(out.end(), {static_cast<std::uint8_t>(value >> 24), static_cast<std::uint8_t>(value >> 16),
                         static_cast<std::uint8_t>(value >> 8), static_cast<std::uint8_t>(value)});
}

void PutChunk(std::vector<std::uint8_t>& out, const char* tag, const std::vector<std::uint8_t>& data) {
  PutBigEndian32(out, static_cast<std::uint32_t>(data.size()));
  const std::size_t start = out.size();
  out.insert(out.end(), tag, tag + 4);
  out.insert(out.end(), data.begin(), data.end());
  const uLong crc = ::crc32(0, out.data() + start, static_cast<uInt>(out.size() - start));
  PutBigEndian32(out, static_cast<std::uint32_t>(crc));
}

}  // namespace

PackedImage MakeImage(int width, int height, Content content, std::uint32_t seed) {
  PackedImage image(width, height);
  std::mt19937 random(seed);
  if (content == Content::Noise) {
    for (auto& byte : image.rgb) byte = static_cast<std::uint8_t>(random());
    for (auto& byte : image.alpha) byte = static_cast<std::uint8_t>(random());
    return image;
  }
  const int scale = std::max(1, std::max(width, height));
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const std::uint32_t noise = random();
      const auto jitter = [noise](int shift) { return static_cast<int>((noise >> shift) & 15) - 8; };
      std::uint8_t* pixel = &image.rgb[(static_cast<std::size_t>(y) * width + x) * 3];
      pixel[0] = Clamp(x * 255 / scale + jitter(0));
      pixel[1] = Clamp(y * 255 / scale + jitter(4));
      pixel[2] = Clamp(64 + (x + y) * 127 / scale + jitter(8));
      image.alpha[static_cast<std::size_t>(y) * width + x] = Clamp((x + 2 * y) * 255 / (3 * scale));
    }
  }
  return image;
}

void LoadIntoState(const PackedImage& image, int bitsPerPixel, rastella::ImageState& state) {
  state.ImageWidth = static_cast<std::int16_t>(image.width);
  state.ImageHeight = static_cast<std::int16_t>(image.height);
  state.BitsPerPixel = static_cast<std::uint8_t>(bitsPerPixel);
  state.ImageType = 2;
  state.ImageLoaded = true;
  state.LoadedFrom = rastella::ImageSource::Tga;
  image.CopyInto(state);
}

std::vector<std::uint8_t> InterleavedRgba(const PackedImage& image) {
  std::vector<std::uint8_t> pixels;
  pixels.reserve(image.alpha.size() * 4);
  for (std::size_t i = 0; i < image.alpha.size(); ++i) {
    pixels.insert(pixels.end(), {image.rgb[3 * i], image.rgb[3 * i + 1], image.rgb[3 * i + 2], image.alpha[i]});
  }
  return pixels;
}

std::vector<std::uint8_t> TgaFile(const PackedImage& image, int bitsPerPixel, bool topLeft) {
  std::vector<std::uint8_t> file(18, 0);
  file[2] = bitsPerPixel == 8 ? 3 : 2;
  file[12] = static_cast<std::uint8_t>(image.width & 255);
  file[13] = static_cast<std::uint8_t>(image.width >> 8);
  file[14] = static_cast<std::uint8_t>(image.height & 255);
  file[15] = static_cast<std::uint8_t>(image.height >> 8);
  file[16] = static_cast<std::uint8_t>(bitsPerPixel);
  file[17] = static_cast<std::uint8_t>((topLeft ? 0x20 : 0) | (bitsPerPixel == 32 ? 8 : 0));
  file.reserve(18 + image.alpha.size() * static_cast<std::size_t>(bitsPerPixel / 8));
  for (int row = 0; row < image.height; ++row) {
    const int y = topLeft ? row : image.height - 1 - row;
    for (int x = 0; x < image.width; ++x) {
      const std::size_t i = static_cast<std::size_t>(y) * image.width + x;
      if (bitsPerPixel == 8) {
        file.push_back(image.alpha[i]);
        continue;
      }
      file.insert(file.end(), {image.rgb[3 * i + 2], image.rgb[3 * i + 1], image.rgb[3 * i]});
      if (bitsPerPixel == 32) file.push_back(image.alpha[i]);
    }
  }
  return file;
}

std::vector<std::uint8_t> ZtfFileWithFilter(const PackedImage& image, bool withAlpha, std::uint8_t type) {
  const rastella::ZtfHeader header = rastella::BuildZtfHeader(image.width, image.height, withAlpha ? 32 : 24);
  std::vector<std::uint8_t> file(header.begin(), header.end());
  const auto filterPlane = [&](const std::vector<std::uint8_t>& plane, int unit) {
    const int rowBytes = image.width * unit;
    file.insert(file.end(), static_cast<std::size_t>(image.height), type);
    for (int y = 0; y < image.height; ++y) {
      const std::uint8_t* row = &plane[static_cast<std::size_t>(y) * rowBytes];
      for (int i = 0; i < rowBytes; ++i) {
        const std::uint8_t a = i >= unit ? row[i - unit] : 0;
        const std::uint8_t b = y > 0 ? row[i - rowBytes] : 0;
        const std::uint8_t c = i >= unit && y > 0 ? row[i - unit - rowBytes] : 0;
        std::uint8_t predictor = 0;
        switch (type) {
          case rastella::kFilterSub:
            predictor = a;
            break;
          case rastella::kFilterUp:
            predictor = b;
            break;
          case rastella::kFilterAverage:
            predictor = rastella::AveragePredict(a, b);
            break;
          case rastella::kFilterPaeth:
            predictor = rastella::PaethPredict(a, b, c);
            break;
          default:
            break;
        }
        file.push_back(rastella::SubMod256(row[i], predictor));
      }
    }
  };
  filterPlane(image.rgb, 3);
  if (withAlpha) filterPlane(image.alpha, 1);
  return file;
}

std::vector<ZtfPlane> PlanesOf(const std::vector<std::uint8_t>& ztf) {
  rastella::ZtfHeader header{};
  std::copy_n(ztf.begin(), header.size(), header.begin());
  const rastella::ZtfHeaderFields fields = rastella::ParseZtfHeader(header);
  const int width = fields.ImageWidth;
  const int height = fields.ImageHeight;
  std::vector<ZtfPlane> planes;
  const bool withAlpha = fields.BitsPerPixel == 32;
  const rastella::ZtfLayout layout = rastella::ZtfLayoutOf(width, height, withAlpha);
  planes.push_back({width, height, 3, &ztf[layout.colorTypes], &ztf[layout.colorRows]});
  if (withAlpha) {
    planes.push_back({width, height, 1, &ztf[layout.alphaTypes], &ztf[layout.alphaRows]});
  }
  return planes;
}

std::vector<std::uint8_t> PngOfPlane(const ZtfPlane& plane) {
  std::vector<std::uint8_t> png = {137, 80, 78, 71, 13, 10, 26, 10};
  std::vector<std::uint8_t> ihdr;
  PutBigEndian32(ihdr, static_cast<std::uint32_t>(plane.width));
  PutBigEndian32(ihdr, static_cast<std::uint32_t>(plane.height));
  ihdr.insert(ihdr.end(), {8, static_cast<std::uint8_t>(plane.channels == 3 ? 2 : 0), 0, 0, 0});
  PutChunk(png, "IHDR", ihdr);

  const std::size_t rowBytes = static_cast<std::size_t>(plane.width) * plane.channels;
  std::vector<std::uint8_t> scanlines;
  scanlines.reserve((rowBytes + 1) * plane.height);
  for (int y = 0; y < plane.height; ++y) {
    scanlines.push_back(plane.types[y]);
    const std::uint8_t* row = plane.rows + rowBytes * y;
    scanlines.insert(scanlines.end(), row, row + rowBytes);
  }
  uLongf storedSize = ::compressBound(scanlines.size());
  std::vector<std::uint8_t> stored(storedSize);
  if (::compress2(stored.data(), &storedSize, scanlines.data(), scanlines.size(), 0) != Z_OK) {
    throw std::runtime_error("zlib refused the scanlines");
  }
  stored.resize(storedSize);
  PutChunk(png, "IDAT", stored);
  PutChunk(png, "IEND", {});
  return png;
}

std::vector<std::uint8_t> TreeMask(std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> mask(512 * 512);
  for (auto& byte : mask) byte = random() % 4 == 0 ? 0 : 1;
  return mask;
}

std::vector<std::uint8_t> TreeTexture(std::uint32_t seed) {
  std::mt19937 random(seed);
  std::vector<std::uint8_t> texture(18 + 512 * 512);
  texture[2] = 3;
  texture[13] = 2;
  texture[15] = 2;
  texture[16] = 8;
  texture[17] = 0x20;
  for (std::size_t i = 18; i < texture.size(); ++i) {
    texture[i] = random() % 3 == 0 ? 0 : static_cast<std::uint8_t>(random());
  }
  return texture;
}

void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!file.flush()) throw std::runtime_error("cannot write " + path.string());
}

ScratchFolder::ScratchFolder(const std::string& tag) {
  std::string pattern = (std::filesystem::temp_directory_path() / ("texture-tools-bench-" + tag + "-XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("cannot make a scratch folder");
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

}  // namespace bench
