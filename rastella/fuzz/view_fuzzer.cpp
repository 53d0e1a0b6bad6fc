// Feeds arbitrary bytes to "View" as a selected file, through the headless
// window, then runs all three savers on whatever was loaded.  Every saved
// file must read back as the image that was saved.

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "scratch_folder.h"
#include "shell/headless_window.h"
#include "shell/main_form.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rastella;
  const std::string& folder = fuzzing::ScratchFolder();
  fuzzing::EmptyScratchFolder();
  {
    std::ofstream input(folder + "/input.tga", std::ios::binary);
    input.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  // One viewer for the whole run, as a user keeps one open: the buffers are
  // allocated once and only the loaded image's pixels are rewritten.
  static HeadlessWindow& window = *new HeadlessWindow(folder);
  static MainForm& form = *new MainForm(window);
  window.RefreshFileList();
  if (!window.SelectFile("input.tga")) std::abort();
  form.File1_Click();
  form.Command1_Click();
  // What the ZTF round trip below must give back.
  const ImageState& state = form.State();
  const bool roundTrip = state.ImageLoaded && (state.LoadedFrom == ImageSource::Ztf || state.ImageType == 2);
  const int width = state.ImageWidth;
  const int height = state.ImageHeight;
  const bool withAlpha = state.BitsPerPixel == 32;
  std::vector<std::uint8_t> color;
  std::vector<std::uint8_t> alpha;
  for (int y = 0; roundTrip && y < height; ++y) {
    color.insert(color.end(), state.ColorAt(0, y), state.ColorAt(width, y));
    alpha.insert(alpha.end(), &state.AlphaBuffer[static_cast<std::size_t>(y) * kMaxDimension],
                 &state.AlphaBuffer[static_cast<std::size_t>(y) * kMaxDimension + static_cast<std::size_t>(width)]);
  }
  form.Command3_Click();  // Save TGA
  form.Command4_Click();  // Save ZTF
  form.Command5_Click();  // Save ALPHA

  // A loaded colour image saved as ZTF must view back identically.
  if (roundTrip) {
    if (!window.SelectFile("ZTF-input.tga")) std::abort();
    form.File1_Click();
    form.Command1_Click();
    for (int y = 0; y < height; ++y) {
      const std::size_t row = static_cast<std::size_t>(y) * static_cast<std::size_t>(width);
      if (!std::equal(color.begin() + static_cast<std::ptrdiff_t>(row * 3),
                      color.begin() + static_cast<std::ptrdiff_t>((row + static_cast<std::size_t>(width)) * 3),
                      state.ColorAt(0, y))) {
        std::abort();
      }
      if (withAlpha && !std::equal(alpha.begin() + static_cast<std::ptrdiff_t>(row),
                                   alpha.begin() + static_cast<std::ptrdiff_t>(row + static_cast<std::size_t>(width)),
                                   &state.AlphaBuffer[static_cast<std::size_t>(y) * kMaxDimension])) {
        std::abort();
      }
    }
  }
  return 0;
}
