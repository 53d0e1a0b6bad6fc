// The blend arithmetic, the picture surface that the windows show, the status
// lines and where each panel lands.

#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include <cstring>

#include "display/display.h"
#include "display/picture_surface.h"
#include "shell/show_image.h"
#include "shell/headless_window.h"
#include "test_support.h"

namespace rastella {
namespace {

TEST(Blend, DividesBy256AndRoundsEachPartDown) {
  const ColorValue gray = MakeColor(128, 128, 128);
  EXPECT_EQ(BlendColor(200, 100, 0, 128, gray), MakeColor(163, 113, 63));
  EXPECT_EQ(BlendColor(255, 255, 255, 255, MakeColor(0, 0, 0)), MakeColor(254, 254, 254));
  EXPECT_EQ(BlendColor(9, 9, 9, 0, MakeColor(255, 255, 255)), MakeColor(254, 254, 254));
  EXPECT_EQ(BlendColor(200, 100, 50, 0, MakeColor(0, 0, 0)), MakeColor(0, 0, 0));
}

TEST(Blend, NeverExceeds254ForAnyInput) {
  for (int foreground = 0; foreground < 256; ++foreground) {
    for (int alpha = 0; alpha < 256; ++alpha) {
      for (int background = 0; background < 256; ++background) {
        const int blended = BlendChannel(static_cast<std::uint8_t>(foreground), static_cast<std::uint8_t>(alpha),
                                         static_cast<std::uint8_t>(background));
        if (blended > 254 || blended != foreground * alpha / 256 + background * (255 - alpha) / 256) {
          FAIL() << foreground << " " << alpha << " " << background;
        }
      }
    }
  }
}

// The surface's pixels are what the Qt and Win32 windows hand to the screen
// as they are: in memory blue, green, red and an opaque fourth byte.
TEST(PictureSurface, KeepsPixelsInTheLayoutTheWindowsShow) {
  PictureSurface surface;
  const std::uint32_t* pixels = surface.Pixels();
  EXPECT_EQ(pixels[0], 0xFF404040u) << "the start background";
  surface.SetPixel(2, 1, MakeColor(0x11, 0x22, 0x33));
  const std::uint32_t* pixel = pixels + PictureSurface::kBytesPerRow / 4 + 2;
  EXPECT_EQ(*pixel, 0xFF112233u);
  unsigned char bytes[4];
  std::memcpy(bytes, pixel, sizeof bytes);
  if (bytes[0] == 0x33) {  // a little-endian machine, as every target is
    EXPECT_EQ(bytes[1], 0x22);
    EXPECT_EQ(bytes[2], 0x11);
    EXPECT_EQ(bytes[3], 0xFF);
  }
  EXPECT_EQ(surface.PixelAt(2, 1), MakeColor(0x11, 0x22, 0x33));
}

TEST(PictureSurface, ClearsToItsBackgroundAndReportsEachChangeOnce) {
  PictureSurface surface;
  EXPECT_FALSE(surface.TakeChanged()) << "nothing drawn yet";
  surface.SetPixel(-1, 0, MakeColor(1, 2, 3));
  surface.SetPixel(0, kPictureSize, MakeColor(1, 2, 3));
  surface.SetPixelRow(kPictureSize, 5, std::vector<ColorValue>(3, MakeColor(1, 2, 3)));
  surface.SetPixelRow(-3, 5, std::vector<ColorValue>(3, MakeColor(1, 2, 3)));
  EXPECT_FALSE(surface.TakeChanged()) << "pixels outside the drawing area change nothing";

  surface.SetPixelRow(-3, 5, std::vector<ColorValue>(4, MakeColor(1, 2, 3)));
  EXPECT_TRUE(surface.TakeChanged());
  EXPECT_FALSE(surface.TakeChanged());
  EXPECT_EQ(surface.PixelAt(0, 5), MakeColor(1, 2, 3));

  const ColorValue red = MakeColor(200, 0, 0);
  surface.SetPictureBackground(red);
  EXPECT_TRUE(surface.TakeChanged());
  EXPECT_EQ(surface.PictureBackground(), red);
  EXPECT_EQ(surface.PixelAt(0, 5), red) << "a new background clears the picture";
  EXPECT_EQ(surface.PixelAt(kPictureSize - 1, kPictureSize - 1), red);

  surface.SetPixel(7, 7, MakeColor(9, 9, 9));
  surface.ClearPicture();
  EXPECT_TRUE(surface.TakeChanged());
  EXPECT_EQ(surface.PixelAt(7, 7), red);
}

TEST(PictureSurface, WritesItselfAsAPpmOfRedGreenBlueBytes) {
  PictureSurface surface;
  surface.SetPixel(0, 0, MakeColor(1, 2, 3));
  surface.SetPixel(kPictureSize - 1, kPictureSize - 1, MakeColor(250, 251, 252));
  const std::string ppm = surface.AsPpm();
  const std::string header = "P6\n518 518\n255\n";
  ASSERT_EQ(ppm.size(), header.size() + 3u * kPictureSize * kPictureSize);
  EXPECT_EQ(ppm.substr(0, header.size()), header);
  EXPECT_EQ(ppm.substr(header.size(), 6), std::string("\x01\x02\x03\x40\x40\x40"));
  EXPECT_EQ(ppm.substr(ppm.size() - 3), std::string("\xFA\xFB\xFC"));
}

// The surface puts off its background fill; whatever mix of clears, new
// backgrounds, single pixels and rows it gets, what it shows and what it
// reads back equal a surface that fills at once, modelled here by a plain
// array.
TEST(PictureSurface, ShowsAndReadsWhatAnAtOnceFilledSurfaceWould) {
  PictureSurface surface;
  std::vector<ColorValue> model(static_cast<std::size_t>(kPictureSize) * kPictureSize, kStartBackground);
  const auto set = [&](int x, int y, ColorValue color) {
    if (x >= 0 && y >= 0 && x < kPictureSize && y < kPictureSize) {
      model[static_cast<std::size_t>(y) * kPictureSize + static_cast<std::size_t>(x)] = color;
    }
  };
  std::mt19937 random(5);
  const auto check = [&](int step) {
    const std::uint32_t* shown = surface.Pixels();
    for (int y = 0; y < kPictureSize; ++y) {
      for (int x = 0; x < kPictureSize; ++x) {
        const ColorValue expected = model[static_cast<std::size_t>(y) * kPictureSize + static_cast<std::size_t>(x)];
        ASSERT_EQ(surface.PixelAt(x, y), expected) << "step " << step << " at " << x << ", " << y;
        const std::uint32_t pixel = shown[static_cast<std::size_t>(y) * kPictureSize + static_cast<std::size_t>(x)];
        ASSERT_EQ(MakeColor((pixel >> 16) & 0xFF, (pixel >> 8) & 0xFF, pixel & 0xFF), expected)
            << "step " << step << " at " << x << ", " << y;
      }
    }
  };
  for (int step = 0; step < 60; ++step) {
    const ColorValue color = MakeColor(random() & 0xFF, random() & 0xFF, random() & 0xFF);
    const int x = static_cast<int>(random() % (kPictureSize + 40)) - 20;
    const int y = static_cast<int>(random() % (kPictureSize + 40)) - 20;
    switch (random() % 6) {
      case 0:
        surface.SetPictureBackground(color);
        std::fill(model.begin(), model.end(), color);
        break;
      case 1:
        surface.ClearPicture();
        std::fill(model.begin(), model.end(), surface.PictureBackground());
        break;
      case 2:
        surface.SetPixel(x, y, color);
        set(x, y, color);
        break;
      default: {
        std::vector<ColorValue> row(random() % 700);
        for (ColorValue& value : row) {
          value = MakeColor(random() & 0xFF, random() & 0xFF, random() & 0xFF);
        }
        surface.SetPixelRow(x, y, row);
        for (std::size_t i = 0; i < row.size(); ++i) {
          set(x + static_cast<int>(i), y, row[i]);
        }
      }
    }
    // Reading as the headless window does, and sometimes showing as a
    // window does, which fills every row that is still unfilled.
    if (step % 7 == 6) {
      check(step);
    } else {
      ASSERT_EQ(surface.PixelAt(std::clamp(x, 0, kPictureSize - 1), std::clamp(y, 0, kPictureSize - 1)),
                model[static_cast<std::size_t>(std::clamp(y, 0, kPictureSize - 1)) * kPictureSize +
                      static_cast<std::size_t>(std::clamp(x, 0, kPictureSize - 1))])
          << "step " << step;
    }
  }
  check(60);
}

// A state holding `width` x `height` pixels whose colour is (x, y, 7) and
// alpha x + y, drawn by the display into a fresh picture surface, with its
// status lines in a headless window.
struct Drawn {
  ImageState state;
  HeadlessWindow status{"/"};
  PictureSurface picture;

  Drawn(int width, int height, std::uint8_t bitsPerPixel, std::uint8_t imageType) {
    state.ImageWidth = static_cast<std::int16_t>(width);
    state.ImageHeight = static_cast<std::int16_t>(height);
    state.BitsPerPixel = bitsPerPixel;
    state.ImageType = imageType;
    state.ImageLoaded = true;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        std::uint8_t* pixel = state.ColorAt(x, y);
        pixel[0] = static_cast<std::uint8_t>(x);
        pixel[1] = static_cast<std::uint8_t>(y);
        pixel[2] = 7;
        state.AlphaAt(x, y) = static_cast<std::uint8_t>(x + y);
      }
    }
  }
  bool IsBackground(int x, int y) const { return picture.PixelAt(x, y) == kStartBackground; }
};

TEST(ShowTGA, DrawsAllThreePanelsOfA256Square) {
  Drawn drawn(256, 256, 32, 2);
  ShowTGA(drawn.state, drawn.status, drawn.picture);
  EXPECT_EQ(drawn.status.StatusText(), "TGA  :  256 x 256 - 32BPP");
  EXPECT_EQ(drawn.picture.PixelAt(1, 1), MakeColor(0, 0, 7));
  EXPECT_EQ(drawn.picture.PixelAt(256, 256), MakeColor(255, 255, 7));
  const ColorValue background = kStartBackground;
  EXPECT_EQ(drawn.picture.PixelAt(257 + 10, 1 + 20), BlendColor(10, 20, 7, 30, background));
  EXPECT_EQ(drawn.picture.PixelAt(512, 256), BlendColor(255, 255, 7, 254, background));
  EXPECT_EQ(drawn.picture.PixelAt(257 + 3, 257 + 4), MakeColor(7, 7, 7));
  EXPECT_EQ(drawn.picture.PixelAt(512, 512), MakeColor(254, 254, 254));
  EXPECT_TRUE(drawn.IsBackground(0, 0));
  EXPECT_TRUE(drawn.IsBackground(100, 300)) << "the quarter below the image stays background";
  EXPECT_TRUE(drawn.IsBackground(513, 513));
}

TEST(ShowTGA, LargerColourImagesGetTheImagePanelOnlyCutAtTheEdge) {
  Drawn drawn(257, 10, 32, 2);
  ShowTGA(drawn.state, drawn.status, drawn.picture);
  EXPECT_EQ(drawn.picture.PixelAt(257, 10), MakeColor(0, 9, 7));  // pixel 256 wraps to 0 in the test pattern
  EXPECT_TRUE(drawn.IsBackground(258, 1));

  Drawn big(1024, 1024, 24, 2);
  ShowTGA(big.state, big.status, big.picture);
  EXPECT_EQ(big.picture.PixelAt(517, 517), MakeColor(516 % 256, 516 % 256, 7));
}

TEST(ShowTGA, GrayscaleLabelsAndUnsupportedTypes) {
  Drawn alpha(3, 2, 8, 3);
  alpha.state.AlphaBits = 8;
  ShowTGA(alpha.state, alpha.status, alpha.picture);
  EXPECT_EQ(alpha.status.StatusText(), "TGA  :  3 x 2 - ALPHA");
  EXPECT_EQ(alpha.picture.PixelAt(3, 2), MakeColor(3, 3, 3));
  EXPECT_TRUE(alpha.IsBackground(4, 1)) << "grayscale images have no preview";

  Drawn gray(3, 2, 8, 3);
  ShowTGA(gray.state, gray.status, gray.picture);
  EXPECT_EQ(gray.status.StatusText(), "TGA  :  3 x 2 - GRAYSCALE");

  Drawn sixteen(2, 2, 0, 2);
  ShowTGA(sixteen.state, sixteen.status, sixteen.picture);
  EXPECT_EQ(sixteen.status.StatusText(), "TGA  :  2 x 2 - 0BPP");

  Drawn encoded(2, 2, 24, 10);
  ShowTGA(encoded.state, encoded.status, encoded.picture);
  EXPECT_EQ(encoded.status.StatusText(), "TGA  :  UNSUPPORTED FORMAT");
  EXPECT_FALSE(encoded.state.ImageLoaded);
  EXPECT_TRUE(encoded.IsBackground(1, 1));
}

TEST(ShowZTF, DrawsPanelsAtAnySizeBetweenItsTwoStatusLines) {
  Drawn drawn(300, 200, 32, 0);
  ShowZTF(drawn.state, drawn.status, drawn.picture);
  EXPECT_EQ(drawn.status.TakeStatusHistory(),
            (std::vector<std::string>{"Processing file, please wait", "ZTF  :  300 x 200 - 32BPP"}));
  EXPECT_EQ(drawn.status.StatusRepaints(), 2);
  EXPECT_EQ(drawn.picture.PixelAt(301, 1), BlendColor(0, 0, 7, 0, kStartBackground));
  EXPECT_EQ(drawn.picture.PixelAt(517, 201), MakeColor(216, 216, 216));  // alpha of (216, 0)
  EXPECT_TRUE(drawn.IsBackground(301, 0));
  EXPECT_TRUE(drawn.state.ImageLoaded);

  Drawn rgb(2, 2, 24, 0);
  ShowZTF(rgb.state, rgb.status, rgb.picture);
  EXPECT_EQ(rgb.status.StatusText(), "ZTF  :  2 x 2 - 24BPP");
  EXPECT_TRUE(rgb.IsBackground(3, 1)) << "no preview without alpha";
}

}  // namespace
}  // namespace rastella
