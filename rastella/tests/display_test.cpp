// The blend arithmetic, the status lines and where each panel lands.

#include <gtest/gtest.h>

#include "display/display.h"
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

// A state holding `width` x `height` pixels whose colour is (x, y, 7) and
// alpha x + y, drawn by the display into a fresh headless window.
struct Drawn {
  ImageState state;
  HeadlessWindow window{"/"};

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
  bool IsBackground(int x, int y) const { return window.PixelAt(x, y) == kStartBackground; }
};

TEST(ShowTGA, DrawsAllThreePanelsOfA256Square) {
  Drawn drawn(256, 256, 32, 2);
  ShowTGA(drawn.state, drawn.window, drawn.window);
  EXPECT_EQ(drawn.window.StatusText(), "TGA  :  256 x 256 - 32BPP");
  EXPECT_EQ(drawn.window.PixelAt(1, 1), MakeColor(0, 0, 7));
  EXPECT_EQ(drawn.window.PixelAt(256, 256), MakeColor(255, 255, 7));
  const ColorValue background = kStartBackground;
  EXPECT_EQ(drawn.window.PixelAt(257 + 10, 1 + 20), BlendColor(10, 20, 7, 30, background));
  EXPECT_EQ(drawn.window.PixelAt(512, 256), BlendColor(255, 255, 7, 254, background));
  EXPECT_EQ(drawn.window.PixelAt(257 + 3, 257 + 4), MakeColor(7, 7, 7));
  EXPECT_EQ(drawn.window.PixelAt(512, 512), MakeColor(254, 254, 254));
  EXPECT_TRUE(drawn.IsBackground(0, 0));
  EXPECT_TRUE(drawn.IsBackground(100, 300)) << "the quarter below the image stays background";
  EXPECT_TRUE(drawn.IsBackground(513, 513));
}

TEST(ShowTGA, LargerColourImagesGetTheImagePanelOnlyCutAtTheEdge) {
  Drawn drawn(257, 10, 32, 2);
  ShowTGA(drawn.state, drawn.window, drawn.window);
  EXPECT_EQ(drawn.window.PixelAt(257, 10), MakeColor(0, 9, 7));  // pixel 256 wraps to 0 in the test pattern
  EXPECT_TRUE(drawn.IsBackground(258, 1));

  Drawn big(1024, 1024, 24, 2);
  ShowTGA(big.state, big.window, big.window);
  EXPECT_EQ(big.window.PixelAt(517, 517), MakeColor(516 % 256, 516 % 256, 7));
}

TEST(ShowTGA, GrayscaleLabelsAndUnsupportedTypes) {
  Drawn alpha(3, 2, 8, 3);
  alpha.state.AlphaBits = 8;
  ShowTGA(alpha.state, alpha.window, alpha.window);
  EXPECT_EQ(alpha.window.StatusText(), "TGA  :  3 x 2 - ALPHA");
  EXPECT_EQ(alpha.window.PixelAt(3, 2), MakeColor(3, 3, 3));
  EXPECT_TRUE(alpha.IsBackground(4, 1)) << "grayscale images have no preview";

  Drawn gray(3, 2, 8, 3);
  ShowTGA(gray.state, gray.window, gray.window);
  EXPECT_EQ(gray.window.StatusText(), "TGA  :  3 x 2 - GRAYSCALE");

  Drawn sixteen(2, 2, 0, 2);
  ShowTGA(sixteen.state, sixteen.window, sixteen.window);
  EXPECT_EQ(sixteen.window.StatusText(), "TGA  :  2 x 2 - 0BPP");

  Drawn encoded(2, 2, 24, 10);
  ShowTGA(encoded.state, encoded.window, encoded.window);
  EXPECT_EQ(encoded.window.StatusText(), "TGA  :  UNSUPPORTED FORMAT");
  EXPECT_FALSE(encoded.state.ImageLoaded);
  EXPECT_TRUE(encoded.IsBackground(1, 1));
}

TEST(ShowZTF, DrawsPanelsAtAnySizeBetweenItsTwoStatusLines) {
  Drawn drawn(300, 200, 32, 0);
  ShowZTF(drawn.state, drawn.window, drawn.window);
  EXPECT_EQ(drawn.window.TakeStatusHistory(),
            (std::vector<std::string>{"Processing file, please wait", "ZTF  :  300 x 200 - 32BPP"}));
  EXPECT_EQ(drawn.window.StatusRepaints(), 2);
  EXPECT_EQ(drawn.window.PixelAt(301, 1), BlendColor(0, 0, 7, 0, kStartBackground));
  EXPECT_EQ(drawn.window.PixelAt(517, 201), MakeColor(216, 216, 216));  // alpha of (216, 0)
  EXPECT_TRUE(drawn.IsBackground(301, 0));
  EXPECT_TRUE(drawn.state.ImageLoaded);

  Drawn rgb(2, 2, 24, 0);
  ShowZTF(rgb.state, rgb.window, rgb.window);
  EXPECT_EQ(rgb.window.StatusText(), "ZTF  :  2 x 2 - 24BPP");
  EXPECT_TRUE(rgb.IsBackground(3, 1)) << "no preview without alpha";
}

}  // namespace
}  // namespace rastella
