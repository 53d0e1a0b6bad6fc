#include "shell/show_image.h"

#include "display/display.h"

namespace rastella {

namespace {

std::string SizeText(const ImageState& state) {
  return std::to_string(state.ImageWidth) + " x " + std::to_string(state.ImageHeight) + " - ";
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

void ShowTGA(ImageState& state, StatusLineOperations& status, PictureOperations& picture) {
  status.SetStatusText(TgaStatusLine(state));
  if (state.ImageType == 2) {
    DrawColorImage(state, state.ImageWidth, state.ImageHeight,
                   TgaImageHasPanels(state.BitsPerPixel, state.ImageWidth, state.ImageHeight), picture);
  } else if (state.ImageType == 3) {
    DrawGrayImage(state, state.ImageWidth, state.ImageHeight, picture);
  } else {
    state.ImageLoaded = false;
  }
}

void ShowZTF(const ImageState& state, StatusLineOperations& status, PictureOperations& picture) {
  status.SetStatusText("Processing file, please wait");
  status.RepaintStatus();
  DrawColorImage(state, state.ImageWidth, state.ImageHeight, state.BitsPerPixel == 32, picture);
  status.SetStatusText(ZtfStatusLine(state));
  status.RepaintStatus();
}

}  // namespace rastella
