#include "display/display.h"

#include <algorithm>

namespace rastella {

namespace {

constexpr int kPreviewLimit = 256;

std::string SizeText(const ImageState& state) {
  return std::to_string(state.ImageWidth) + " x " + std::to_string(state.ImageHeight) + " - ";
}

ColorValue Gray(std::uint8_t value) { return MakeColor(value, value, value); }

// Columns x of the image whose panel pixel x + offset is inside the drawing
// area: 0 up to this limit (exclusive).
int VisibleColumns(int width, int offset) { return std::clamp(kPictureSize - offset, 0, width); }

bool RowVisible(int y, int offset) { return y + offset < kPictureSize; }

// Draws rows H - 1 up to 0, and for each pixel the image, then with
// `panels` the preview and the alpha value.  `previewFirst` draws the preview
// and alpha pixels before the image pixel, as ShowZTF does.
void DrawColorImage(const ImageState& state, WindowOperations& window, bool panels, bool previewFirst) {
  const int width = state.ImageWidth;
  const int height = state.ImageHeight;
  const ColorValue background = window.PictureBackground();
  const int imageColumns = VisibleColumns(width, 1);
  const int panelColumns = panels ? VisibleColumns(width, width + 1) : 0;
  for (int y = height - 1; y >= 0; --y) {
    const std::uint8_t* row = state.ColorAt(0, y);
    const bool imageRow = RowVisible(y, 1);
    const bool alphaRow = panels && RowVisible(y, height + 1);
    if (!imageRow && !alphaRow) {
      continue;
    }
    const int columns = std::max(imageRow ? imageColumns : 0, panelColumns);
    for (int x = 0; x < columns; ++x) {
      const std::uint8_t* pixel = row + 3 * x;
      const bool drawImage = imageRow && x < imageColumns;
      if (drawImage && !previewFirst) {
        window.SetPixel(x + 1, y + 1, MakeColor(pixel[0], pixel[1], pixel[2]));
      }
      if (x < panelColumns) {
        const std::uint8_t alpha = state.AlphaAt(x, y);
        if (imageRow) {
          window.SetPixel(x + width + 1, y + 1, BlendColor(pixel[0], pixel[1], pixel[2], alpha, background));
        }
        if (alphaRow) {
          window.SetPixel(x + width + 1, y + height + 1, Gray(alpha));
        }
      }
      if (drawImage && previewFirst) {
        window.SetPixel(x + 1, y + 1, MakeColor(pixel[0], pixel[1], pixel[2]));
      }
    }
  }
}

void DrawGrayImage(const ImageState& state, WindowOperations& window) {
  const int columns = VisibleColumns(state.ImageWidth, 1);
  for (int y = state.ImageHeight - 1; y >= 0; --y) {
    if (!RowVisible(y, 1)) {
      continue;
    }
    for (int x = 0; x < columns; ++x) {
      window.SetPixel(x + 1, y + 1, Gray(state.AlphaAt(x, y)));
    }
  }
}

}  // namespace

std::string TgaStatusLine(const ImageState& state) {
  switch (state.ImageType) {
    case 2:
      return "TGA  :  " + SizeText(state) + std::to_string(state.BitsPerPixel) + "BPP";
    case 3:
      return "TGA  :  " + SizeText(state) + (state.AlphaBits != 0 ? "ALPHA" : "GRAYSCALE");
    default:
      return "TGA  :  UNSUPPORTED FORMAT";
  }
}

std::string ZtfStatusLine(const ImageState& state) {
  return "ZTF  :  " + SizeText(state) + std::to_string(state.BitsPerPixel) + "BPP";
}

void ShowTGA(ImageState& state, WindowOperations& window) {
  window.SetStatusText(TgaStatusLine(state));
  if (state.ImageType == 2) {
    const bool panels =
        state.BitsPerPixel == 32 && state.ImageWidth <= kPreviewLimit && state.ImageHeight <= kPreviewLimit;
    DrawColorImage(state, window, panels, /*previewFirst=*/false);
  } else if (state.ImageType == 3) {
    DrawGrayImage(state, window);
  } else {
    state.ImageLoaded = false;
  }
}

void ShowZTF(const ImageState& state, WindowOperations& window) {
  window.SetStatusText("Processing file, please wait");
  window.RepaintStatus();
  DrawColorImage(state, window, state.BitsPerPixel == 32, /*previewFirst=*/true);
  window.SetStatusText(ZtfStatusLine(state));
  window.RepaintStatus();
}

}  // namespace rastella
