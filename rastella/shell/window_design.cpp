#include "shell/window_design.h"

#include <array>

namespace rastella::design {

std::string UsageText() {
  // The wording is the program's own and stays as it is.
  static constexpr std::array<const char*, 26> kLines = {
      "",
      "   Usage:  Select an image file from the green list",
      "                    then use one of the functions below.",
      "",
      "    View",
      "      Loads and shows the selected image.",
      "      For 32-bit RGBA images, the effect of transparency",
      "      and the Alpha channel are shown separately.",
      "",
      "    Save ALPHA",
      "      The alpha channel, if present, is saved as a grayscale TGA file,",
      "      named ALPHA-<original_name>.TGA",
      "",
      "    Save TGA",
      "      The loaded image is saved as a TGA file",
      "      named TGA-<original_name>.TGA",
      "      The file format is 24-bit for RGB of 32-bit for RGBA.",
      "",
      "    Save ZTF",
      "      The loaded image is saved as an ZTF file",
      "      named ZTF-<original_name>.TGA",
      "      The image data are saved filtered PNG style",
      "      either as 24-bit RGB alone or with added 8-bit Alpha channel.",
      "",
      "    Images larger than 256x256 are shown truncated.",
      "    Maximum size of image is 1025x1024 pixels 32-bit RGBA.",
  };
  std::string text;
  for (std::size_t line = 0; line < kLines.size(); ++line) {
    if (line > 0) {
      text += "\r\n";
    }
    text += kLines[line];
  }
  return text;
}

}  // namespace rastella::design
