#include "display/display.h"

#include <algorithm>
#include <array>
#include <span>

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

// One row of a panel, as the colours that SetPixelRow takes.
using PanelRow = std::array<ColorValue, kPictureSize>;

// Draws rows H - 1 up to 0: in each the image row, then with `panels` the
// preview row and the alpha row; `previewFirst` draws the preview and
// alpha rows before the image row, as ShowZTF does.  The panels never
// overlap, so the order decides nothing about the result.  Only the parts
// inside the drawing area are computed and drawn.
void DrawColorImage(const ImageState& state, WindowOperations& window, bool panels, bool previewFirst) {
  const int width = state.ImageWidth;
  const int height = state.ImageHeight;
  const ColorValue background = window.PictureBackground();
  const int imageColumns = VisibleColumns(width, 1);
  const int panelColumns = panels ? VisibleColumns(width, width + 1) : 0;
  PanelRow image;
  PanelRow preview;
  PanelRow gray;
  for (int y = height - 1; y >= 0; --y) {
    const std::uint8_t* row = state.ColorAt(0, y);
    const std::uint8_t* alpha = state.AlphaBuffer.data() + static_cast<std::size_t>(y) * kMaxDimension;
    const int imageCount = RowVisible(y, 1) ? imageColumns : 0;
    const int previewCount = RowVisible(y, 1) ? panelColumns : 0;
    const int grayCount = RowVisible(y, height + 1) ? panelColumns : 0;
    for (int x = 0; x < imageCount; ++x) {
      image[x] = MakeColor(row[3 * x], row[3 * x + 1], row[3 * x + 2]);
    }
    for (int x = 0; x < previewCount; ++x) {
      preview[x] = BlendColor(row[3 * x], row[3 * x + 1], row[3 * x + 2], alpha[x], background);
    }
    for (int x = 0; x < grayCount; ++x) {
      gray[x] = Gray(alpha[x]);
    }
    if (!previewFirst && imageCount > 0) {
      window.SetPixelRow(1, y + 1, std::span(image.data(), imageCount));
    }
    if (previewCount > 0) {
      window.SetPixelRow(width + 1, y + 1, std::span(preview.data(), previewCount));
    }
    if (grayCount > 0) {
      window.SetPixelRow(width + 1, y + height + 1, std::span(gray.data(), grayCount));
    }
    if (previewFirst && imageCount > 0) {
      window.SetPixelRow(1, y + 1, std::span(image.data(), imageCount));
    }
  }
}

void DrawGrayImage(const ImageState& state, WindowOperations& window) {
  const int columns = VisibleColumns(state.ImageWidth, 1);
  PanelRow gray;
  for (int y = state.ImageHeight - 1; y >= 0; --y) {
    if (!RowVisible(y, 1) || columns == 0) {
      continue;
    }
    const std::uint8_t* values = state.AlphaBuffer.data() + static_cast<std::size_t>(y) * kMaxDimension;
    for (int x = 0; x < columns; ++x) {
      gray[x] = Gray(values[x]);
    }
    window.SetPixelRow(1, y + 1, std::span(gray.data(), columns));
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
