// Second opinions from real peers: ImageMagick writes TGA files that we read,
// and reads the TGA files that we write; libpng decodes the ZTF planes
// wrapped as PNG scanlines, since ZTF filters rows exactly as PNG does.

#include <gtest/gtest.h>
#include <png.h>
#include <zlib.h>

#include <cstdio>

#include "test_support.h"
#include "ztf/ztf_encoder.h"

namespace rastella {
namespace {

using testing::TestImage;

std::vector<std::uint8_t> RunForOutput(const std::string& command) {
  std::vector<std::uint8_t> output;
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) return output;
  char buffer[65536];
  std::size_t count;
  while ((count = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) output.insert(output.end(), buffer, buffer + count);
  EXPECT_EQ(::pclose(pipe), 0) << command;
  return output;
}

std::string Quoted(const std::filesystem::path& path) { return "'" + path.string() + "'"; }

// What ImageMagick sees in a file, upright, as `format` ("rgb", "rgba" or
// "gray") bytes, top row first.
std::vector<std::uint8_t> MagickPixels(const std::filesystem::path& file, const std::string& format) {
  return RunForOutput(IMAGEMAGICK_CONVERT " " + Quoted(file) + " -auto-orient -depth 8 " + format + ":-");
}

// A PAM file of the image, which ImageMagick reads as the source of its TGA
// files.
std::vector<std::uint8_t> Pam(const TestImage& image, bool withAlpha) {
  const std::string header = "P7\nWIDTH " + std::to_string(image.width) + "\nHEIGHT " + std::to_string(image.height) +
                             "\nDEPTH " + (withAlpha ? "4" : "3") + "\nMAXVAL 255\nTUPLTYPE " +
                             (withAlpha ? "RGB_ALPHA" : "RGB") + "\nENDHDR\n";
  std::vector<std::uint8_t> file(header.begin(), header.end());
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      file.insert(file.end(), image.Rgb(x, y), image.Rgb(x, y) + 3);
      if (withAlpha) file.push_back(image.Alpha(x, y));
    }
  }
  return file;
}

std::vector<std::uint8_t> Interleaved(const TestImage& image, bool withAlpha) {
  std::vector<std::uint8_t> bytes;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      bytes.insert(bytes.end(), image.Rgb(x, y), image.Rgb(x, y) + 3);
      if (withAlpha) bytes.push_back(image.Alpha(x, y));
    }
  }
  return bytes;
}

// The loaded image of the viewer as interleaved bytes, or the alpha plane
// alone with `grayOnly`.
std::vector<std::uint8_t> LoadedPixels(const ImageState& state, bool withAlpha, bool grayOnly = false) {
  std::vector<std::uint8_t> bytes;
  for (int y = 0; y < state.ImageHeight; ++y) {
    for (int x = 0; x < state.ImageWidth; ++x) {
      if (!grayOnly) bytes.insert(bytes.end(), state.ColorAt(x, y), state.ColorAt(x, y) + 3);
      if (withAlpha || grayOnly) bytes.push_back(state.AlphaAt(x, y));
    }
  }
  return bytes;
}

TEST(ImageMagickTga, FilesItWritesDecodeToThePixelsItReports) {
  testing::Viewer viewer;
  const TestImage image = testing::StructuredImage(37, 23, 5);
  testing::WriteBytes(viewer.folder / "source-rgb.pam", Pam(image, false));
  testing::WriteBytes(viewer.folder / "source-rgba.pam", Pam(image, true));
  struct Case {
    std::string name;
    std::string arguments;
    bool withAlpha;
    bool gray;
    // ImageMagick stores its rows in memory order; only where it also
    // declares a top-left origin does the file show the source upright.  By
    // default it declares a bottom-left origin, so the file (for it too, with
    // -auto-orient) is the source upside down.
    bool declaresTopLeft = false;
  };
  const std::vector<Case> cases = {
      {"im-24.tga", "source-rgb.pam -type TrueColor", false, false},
      {"im-32.tga", "source-rgba.pam -type TrueColorAlpha", true, false},
      {"im-24-top.tga", "source-rgb.pam -type TrueColor -orient TopLeft", false, false, true},
      {"im-32-top.tga", "source-rgba.pam -type TrueColorAlpha -orient TopLeft", true, false, true},
      {"im-gray.tga", "source-rgb.pam -colorspace Gray -type Grayscale", false, true},
      {"im-gray-top.tga", "source-rgb.pam -colorspace Gray -type Grayscale -orient TopLeft", false, true, true},
  };
  for (const Case& peer : cases) {
    RunForOutput("cd " + Quoted(viewer.folder.Path()) + " && " IMAGEMAGICK_CONVERT " " + peer.arguments + " " +
                 peer.name);
    viewer.window.RefreshFileList();
    viewer.Open(peer.name);
    ASSERT_TRUE(viewer.State().ImageLoaded) << peer.name;
    const std::string format = peer.gray ? "gray" : peer.withAlpha ? "rgba" : "rgb";
    const std::vector<std::uint8_t> reported = MagickPixels(viewer.folder / peer.name, format);
    ASSERT_EQ(LoadedPixels(viewer.State(), peer.withAlpha, peer.gray), reported) << peer.name;
    if (peer.declaresTopLeft && !peer.gray) {
      EXPECT_EQ(reported, Interleaved(image, peer.withAlpha)) << peer.name << " holds the source image";
    }
  }
}

TEST(ImageMagickTga, ReadsWhatTheSaversWriteUpright) {
  testing::Viewer viewer;
  const TestImage image = testing::NoiseImage(29, 17, 6);
  viewer.AddFile("rgba.tga", testing::TgaFile(2, 32, 0x08, 29, 17, testing::StoreTgaPixels(image, 0, true)));
  viewer.AddFile("rgb.tga", testing::TgaFile(2, 24, 0x30, 29, 17, testing::StoreTgaPixels(image, 3, false)));
  viewer.AddFile("gray.tga", testing::TgaFile(3, 8, 0x10, 29, 17, testing::StoreGrayPixels(image, 1)));
  viewer.Open("rgba.tga");
  viewer.form.Command3_Click();
  viewer.form.Command5_Click();
  viewer.Open("rgb.tga");
  viewer.form.Command3_Click();
  viewer.Open("gray.tga");
  viewer.form.Command3_Click();

  EXPECT_EQ(MagickPixels(viewer.folder / "TGA-rgba.tga", "rgba"), Interleaved(image, true));
  EXPECT_EQ(MagickPixels(viewer.folder / "TGA-rgb.tga", "rgb"), Interleaved(image, false));
  EXPECT_EQ(MagickPixels(viewer.folder / "ALPHA-rgba.tga", "gray"), image.alpha);
  EXPECT_EQ(MagickPixels(viewer.folder / "TGA-gray.tga", "gray"), image.alpha);
  // Without -auto-orient too: the rows are stored from the top.
  EXPECT_EQ(RunForOutput(IMAGEMAGICK_CONVERT " " + Quoted(viewer.folder / "TGA-rgb.tga") + " rgb:-"),
            Interleaved(image, false));
}

// Wraps filter-type bytes and filtered rows as the scanlines of a PNG
// (colour type 2 for RGB, 0 for gray) and lets libpng undo the filters.
std::vector<std::uint8_t> DecodeWithLibpng(const std::uint8_t* types, const std::uint8_t* rows, int width, int height,
                                           bool gray) {
  const std::size_t rowBytes = static_cast<std::size_t>(width) * (gray ? 1 : 3);
  std::vector<std::uint8_t> scanlines;
  for (int y = 0; y < height; ++y) {
    scanlines.push_back(types[y]);
    scanlines.insert(scanlines.end(), rows + rowBytes * static_cast<std::size_t>(y),
                     rows + rowBytes * static_cast<std::size_t>(y + 1));
  }
  std::vector<std::uint8_t> compressed(compressBound(static_cast<uLong>(scanlines.size())));
  uLongf compressedSize = static_cast<uLongf>(compressed.size());
  EXPECT_EQ(compress2(compressed.data(), &compressedSize, scanlines.data(), static_cast<uLong>(scanlines.size()), 6),
            Z_OK);
  compressed.resize(compressedSize);

  std::vector<std::uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  const auto put32 = [](std::vector<std::uint8_t>& out, std::uint32_t value) {
    for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<std::uint8_t>(value >> shift));
  };
  const auto chunk = [&](const char* type, const std::vector<std::uint8_t>& data) {
    put32(png, static_cast<std::uint32_t>(data.size()));
    const std::size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    put32(png, static_cast<std::uint32_t>(crc32(0, png.data() + start, static_cast<uInt>(png.size() - start))));
  };
  std::vector<std::uint8_t> header;
  put32(header, static_cast<std::uint32_t>(width));
  put32(header, static_cast<std::uint32_t>(height));
  header.insert(header.end(), {8, static_cast<std::uint8_t>(gray ? 0 : 2), 0, 0, 0});
  chunk("IHDR", header);
  chunk("IDAT", compressed);
  chunk("IEND", {});

  png_image decoded{};
  decoded.version = PNG_IMAGE_VERSION;
  EXPECT_NE(png_image_begin_read_from_memory(&decoded, png.data(), png.size()), 0) << decoded.message;
  decoded.format = gray ? PNG_FORMAT_GRAY : PNG_FORMAT_RGB;
  std::vector<std::uint8_t> pixels(PNG_IMAGE_SIZE(decoded));
  EXPECT_NE(png_image_finish_read(&decoded, nullptr, pixels.data(), 0, nullptr), 0) << decoded.message;
  png_image_free(&decoded);
  return pixels;
}

TEST(LibpngUnfiltering, ZtfPlanesAreValidPngScanlines) {
  std::uint32_t seed = 40;
  for (const auto& [width, height] : std::vector<std::pair<int, int>>{{1, 1}, {3, 5}, {64, 48}, {1024, 9}}) {
    for (const TestImage& image :
         {testing::StructuredImage(width, height, ++seed), testing::NoiseImage(width, height, ++seed)}) {
      ImageState state;
      testing::LoadIntoState(image, state);
      const std::vector<std::uint8_t> file = EncodeZtf(state, width, height, 32, {});
      const ZtfLayout layout = ZtfLayoutOf(width, height, true);
      ASSERT_EQ(DecodeWithLibpng(&file[layout.colorTypes], &file[layout.colorRows], width, height, false), image.rgb);
      ASSERT_EQ(DecodeWithLibpng(&file[layout.alphaTypes], &file[layout.alphaRows], width, height, true), image.alpha);
    }
  }
}

}  // namespace
}  // namespace rastella
