#include "test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "ztf/ztf_encoder.h"
#include "ztf/ztf_format.h"

namespace rastella::testing {

TestImage NoiseImage(int width, int height, std::uint32_t seed) {
  TestImage image(width, height);
  std::mt19937 random(seed);
  for (auto& byte : image.rgb) byte = static_cast<std::uint8_t>(random());
  for (auto& byte : image.alpha) byte = static_cast<std::uint8_t>(random());
  return image;
}

TestImage StructuredImage(int width, int height, std::uint32_t seed) {
  TestImage image(width, height);
  std::mt19937 random(seed);
  const int blackRow = height > 2 ? static_cast<int>(random() % static_cast<std::uint32_t>(height)) : -1;
  const int clearRow = height > 2 ? static_cast<int>(random() % static_cast<std::uint32_t>(height)) : -1;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      std::uint8_t* pixel = image.Rgb(x, y);
      const bool inCircle =
          (x - width / 2) * (x - width / 2) + (y - height / 3) * (y - height / 3) < width * height / 16;
      pixel[0] = static_cast<std::uint8_t>(x * 255 / std::max(1, width - 1));
      pixel[1] = static_cast<std::uint8_t>(inCircle ? 230 : y * 7);
      pixel[2] = static_cast<std::uint8_t>((x ^ y) + (random() % 5));
      image.Alpha(x, y) = static_cast<std::uint8_t>(inCircle ? 255 : (x + y) * 3);
      if (y == blackRow || y % 17 == 16) {
        std::fill_n(pixel, 3, 0);
      }
      if (y == clearRow || y % 13 == 5) {
        image.Alpha(x, y) = 0;
      }
    }
  }
  return image;
}

std::vector<std::uint8_t> TgaFile(std::uint8_t imageType, std::uint8_t depth, std::uint8_t descriptor, int width,
                                  int height, const std::vector<std::uint8_t>& stored, int idLength) {
  std::vector<std::uint8_t> file(18, 0);
  file[0] = static_cast<std::uint8_t>(idLength);
  file[2] = imageType;
  file[12] = static_cast<std::uint8_t>(width & 255);
  file[13] = static_cast<std::uint8_t>(width >> 8);
  file[14] = static_cast<std::uint8_t>(height & 255);
  file[15] = static_cast<std::uint8_t>(height >> 8);
  file[16] = depth;
  file[17] = descriptor;
  for (int i = 0; i < idLength; ++i) file.push_back(static_cast<std::uint8_t>('A' + i % 26));
  file.insert(file.end(), stored.begin(), stored.end());
  return file;
}

namespace {

// Visits the pixels in the order that a file with `origin` stores them.
template <typename Visit>
void InStoredOrder(const TestImage& image, int origin, Visit visit) {
  const bool fromBottom = origin == 0 || origin == 1;
  const bool fromRight = origin == 1 || origin == 3;
  for (int row = 0; row < image.height; ++row) {
    const int y = fromBottom ? image.height - 1 - row : row;
    for (int column = 0; column < image.width; ++column) {
      visit(fromRight ? image.width - 1 - column : column, y);
    }
  }
}

}  // namespace

std::vector<std::uint8_t> StoreTgaPixels(const TestImage& image, int origin, bool withAlpha) {
  std::vector<std::uint8_t> stored;
  InStoredOrder(image, origin, [&](int x, int y) {
    const std::uint8_t* pixel = image.Rgb(x, y);
    stored.insert(stored.end(), {pixel[2], pixel[1], pixel[0]});
    if (withAlpha) stored.push_back(image.Alpha(x, y));
  });
  return stored;
}

std::vector<std::uint8_t> StoreGrayPixels(const TestImage& image, int origin) {
  std::vector<std::uint8_t> stored;
  InStoredOrder(image, origin, [&](int x, int y) { stored.push_back(image.Alpha(x, y)); });
  return stored;
}

namespace {

// One plane, `channels` bytes per pixel, at plane(x, y, c).
template <typename Plane>
void ReferenceEncodePlane(int width, int height, int channels, Plane plane, std::vector<std::uint8_t>& file) {
  const std::size_t tablePosition = file.size();
  file.resize(file.size() + static_cast<std::size_t>(height));
  bool forceSub = true;
  for (int y = 0; y < height; ++y) {
    bool allZero = true;
    for (int x = 0; x < width && allZero; ++x) {
      for (int c = 0; c < channels; ++c) allZero = allZero && plane(x, y, c) == 0;
    }
    if (allZero) {
      file[tablePosition + static_cast<std::size_t>(y)] = 0;
      file.insert(file.end(), static_cast<std::size_t>(width * channels), 0);
      forceSub = true;
      continue;
    }
    auto at = [&](int x, int yy, int c) -> std::uint8_t { return x < 0 || yy < 0 ? 0 : plane(x, yy, c); };
    std::array<std::vector<std::uint8_t>, 5> candidates;
    std::array<std::int32_t, 5> sums{};
    for (int type = 1; type <= 4; ++type) {
      std::int32_t sum = 0;
      for (int x = 0; x < width; ++x) {
        for (int c = 0; c < channels; ++c) {
          const std::uint8_t a = at(x - 1, y, c);
          const std::uint8_t b = at(x, y - 1, c);
          const std::uint8_t d = at(x - 1, y - 1, c);
          std::uint8_t predictor = 0;
          switch (type) {
            case 1:
              predictor = a;
              break;
            case 2:
              predictor = b;
              break;
            case 3:
              predictor = static_cast<std::uint8_t>((int{a} + int{b}) / 2);
              break;
            case 4:
              predictor = PaethPredict(a, b, d);
              break;
          }
          candidates[static_cast<std::size_t>(type)].push_back(SubMod256(plane(x, y, c), predictor));
        }
      }
      for (const std::uint8_t byte : candidates[static_cast<std::size_t>(type)]) sum = AccumulateAbs(sum, byte);
      sums[static_cast<std::size_t>(type)] = sum;
    }
    std::uint8_t type = 1;
    if (forceSub) {
      forceSub = false;
    } else {
      // The smallest sum, the lowest type among equals.
      for (std::uint8_t t = 2; t <= 4; ++t) {
        if (sums[t] < sums[type]) type = t;
      }
    }
    file[tablePosition + static_cast<std::size_t>(y)] = type;
    file.insert(file.end(), candidates[type].begin(), candidates[type].end());
  }
}

}  // namespace

std::vector<std::uint8_t> ReferenceZtf(const TestImage& image, bool withAlpha) {
  std::vector<std::uint8_t> file = {'Z',
                                    'T',
                                    'F',
                                    0x1A,
                                    '1',
                                    '0',
                                    0,
                                    static_cast<std::uint8_t>(withAlpha ? 1 : 0),
                                    static_cast<std::uint8_t>(image.width & 255),
                                    static_cast<std::uint8_t>(image.width >> 8),
                                    static_cast<std::uint8_t>(image.height & 255),
                                    static_cast<std::uint8_t>(image.height >> 8)};
  ReferenceEncodePlane(
      image.width, image.height, 3, [&](int x, int y, int c) { return image.Rgb(x, y)[c]; }, file);
  if (withAlpha) {
    ReferenceEncodePlane(
        image.width, image.height, 1, [&](int x, int y, int) { return image.Alpha(x, y); }, file);
  }
  return file;
}

void LoadIntoState(const TestImage& image, ImageState& state) {
  state.ImageWidth = static_cast<std::int16_t>(image.width);
  state.ImageHeight = static_cast<std::int16_t>(image.height);
  image.CopyInto(state);
}

void WriteBytes(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!file) throw std::runtime_error("cannot write " + path.string());
}

std::vector<std::uint8_t> ReadBytes(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) throw std::runtime_error("cannot read " + path.string());
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::string> FolderEntries(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(folder))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

TempFolder::TempFolder() {
  std::random_device entropy;
  for (int attempt = 0; attempt < 100; ++attempt) {
    path_ = std::filesystem::temp_directory_path() / ("rastella-test-" + std::to_string(entropy()));
    if (std::filesystem::create_directory(path_)) return;
  }
  throw std::runtime_error("cannot make a temporary folder");
}

TempFolder::~TempFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

void Viewer::AddFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
  WriteBytes(folder / name, bytes);
  window.RefreshFileList();
}

void Viewer::Click(const std::string& name) {
  if (!window.SelectFile(name)) throw std::runtime_error("the file list does not show " + name);
  form.File1_Click();
}

void Viewer::Open(const std::string& name) {
  Click(name);
  form.Command1_Click();
}

}  // namespace rastella::testing
