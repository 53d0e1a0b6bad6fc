// Feeds arbitrary bytes to "View" as a selected file, through the headless
// window, then runs all three savers on whatever was loaded.  Every status
// text shown on the way must be one that the viewer knows, no save may fail,
// and a colour image saved as ZTF must view back as the image that was saved.

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "scratch_folder.h"
#include "shell/headless_window.h"
#include "shell/main_form.h"
#include "status_texts.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace rastella;
  const std::string& folder = fuzzing::ScratchFolder();
  fuzzing::EmptyScratchFolder();
  {
    std::ofstream input(folder + "/input.tga", std::ios::binary);
    input.write(reinterpret_cast<const char*>(data), static_cast<std::streamsize>(size));
  }
  // One viewer for the whole run, as a user keeps one open: the buffers are
  // allocated once and only the loaded image's pixels are rewritten.  The
  // copies of the loaded planes are kept too, so that an input allocates
  // (and LeakSanitizer rescans) as little as the viewer itself does.
  static HeadlessWindow& window = *new HeadlessWindow(folder);
  static MainForm& form = *new MainForm(window);
  static std::vector<std::uint8_t>& color = *new std::vector<std::uint8_t>(kColorBufferBytes);
  static std::vector<std::uint8_t>& alpha = *new std::vector<std::uint8_t>(kAlphaBufferBytes);
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
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 3;
  for (int y = 0; roundTrip && y < height; ++y) {
    std::copy_n(state.ColorAt(0, y), rowBytes, color.begin() + static_cast<std::ptrdiff_t>(y * rowBytes));
    std::copy_n(&state.AlphaBuffer[static_cast<std::size_t>(y) * kMaxDimension], width,
                alpha.begin() + static_cast<std::ptrdiff_t>(y) * width);
  }
  form.Command3_Click();  // Save TGA
  form.Command4_Click();  // Save ZTF
  form.Command5_Click();  // Save ALPHA
  for (const std::string& text : window.TakeStatusHistory()) {
    if (!fuzzing::IsKnownStatus(text, "input.tga")) std::abort();
  }

  // A loaded colour image saved as ZTF must view back identically.
  if (roundTrip) {
    if (!window.SelectFile("ZTF-input.tga")) std::abort();
    form.File1_Click();
    form.Command1_Click();
    if (window.StatusText().rfind("ZTF  :  ", 0) != 0) std::abort();
    for (int y = 0; y < height; ++y) {
      if (!std::equal(color.begin() + static_cast<std::ptrdiff_t>(y * rowBytes),
                      color.begin() + static_cast<std::ptrdiff_t>((y + 1) * rowBytes), state.ColorAt(0, y))) {
        std::abort();
      }
      if (withAlpha && !std::equal(alpha.begin() + static_cast<std::ptrdiff_t>(y) * width,
                                   alpha.begin() + static_cast<std::ptrdiff_t>(y + 1) * width,
                                   &state.AlphaBuffer[static_cast<std::size_t>(y) * kMaxDimension])) {
        std::abort();
      }
    }
    for (const std::string& text : window.TakeStatusHistory()) {
      if (!fuzzing::IsKnownStatus(text, "ZTF-input.tga")) std::abort();
    }
  }
  return 0;
}
