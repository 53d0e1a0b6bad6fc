#include "display/display.h"

#include <algorithm>
#include <array>
#include <span>

namespace rastella {

namespace {

ColorValue Gray(std::uint8_t value) { return MakeColor(value, value, value); }

// Columns x of the image whose panel pixel x + offset is inside the drawing
// area: 0 up to this limit (exclusive).
int VisibleColumns(int width, int offset) { return std::clamp(kPictureSize - offset, 0, width); }

bool RowVisible(int y, int offset) { return y + offset < kPictureSize; }

// One row of a panel, as the colours that SetPixelRow takes.
using PanelRow = std::array<ColorValue, kPictureSize>;

}  // namespace

void DrawColorImage(const Planes& planes, int width, int height, bool panels, PictureOperations& picture) {
  const ColorValue background = picture.PictureBackground();
  const int imageColumns = VisibleColumns(width, 1);
  const int panelColumns = panels ? VisibleColumns(width, width + 1) : 0;
  PanelRow image;
  PanelRow preview;
  PanelRow gray;
  for (int y = height - 1; y >= 0; --y) {
    const std::uint8_t* row = planes.ColorAt(0, y);
    const std::uint8_t* alpha = planes.AlphaRow(y);
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
    if (imageCount > 0) {
      picture.SetPixelRow(1, y + 1, std::span(image.data(), imageCount));
    }
    if (previewCount > 0) {
      picture.SetPixelRow(width + 1, y + 1, std::span(preview.data(), previewCount));
    }
    if (grayCount > 0) {
      picture.SetPixelRow(width + 1, y + height + 1, std::span(gray.data(), grayCount));
    }
  }
}

void DrawGrayImage(const Planes& planes, int width, int height, PictureOperations& picture) {
  const int columns = VisibleColumns(width, 1);
  PanelRow gray;
  for (int y = height - 1; y >= 0; --y) {
    if (!RowVisible(y, 1) || columns == 0) {
      continue;
    }
    const std::uint8_t* values = planes.AlphaRow(y);
    for (int x = 0; x < columns; ++x) {
      gray[x] = Gray(values[x]);
    }
    picture.SetPixelRow(1, y + 1, std::span(gray.data(), columns));
  }
}

}  // namespace rastella
