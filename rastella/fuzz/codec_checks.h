#pragma once
// Checks shared by the codec fuzz targets: a failed check aborts, which
// libFuzzer reports as a crash with the input that caused it.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "image/fresh_pages.h"
#include "image/kernel_set.h"
#include "shell/image_state.h"

namespace fuzzing {

// The codec targets take images of at most this many pixels (any width up
// to 1024 among them), so that every input stays quick.
inline constexpr int kMaxCodecPixels = 1 << 10;

inline void Check(bool condition) {
  if (!condition) std::abort();
}

// What a codec target keeps from one input to the next: the image state it
// loads, a second one to compare it with, and the buffers of the codecs.
// Allocated once and never freed, as in the viewer: a load rewrites only the
// pixels inside the loaded image.
struct Workspace {
  rastella::ImageState state;
  rastella::ImageState other;
  std::vector<std::uint8_t> scratch;
  rastella::ByteBuffer encoded;
  rastella::ByteBuffer again;
};

inline Workspace& TheWorkspace() {
  static Workspace& workspace = *new Workspace;
  return workspace;
}

// The header at the start of `data`, its missing bytes 0.
template <typename Header>
Header LeadingHeader(const std::uint8_t* data, std::size_t size) {
  Header header{};
  std::copy_n(data, std::min(size, header.size()), header.begin());
  return header;
}

// True for the dimensions that the codec targets take: those that fit the
// planes, of at most kMaxCodecPixels pixels.  Larger images run the same
// loops for longer; the whole-command view target takes those.
inline bool CodecTargetTakes(std::int16_t width, std::int16_t height) {
  return rastella::FitsPlanes(width, height) && width * height <= kMaxCodecPixels;
}

// True when the planes of `a` and `b` agree inside a width x height image:
// the colour plane when `color`, the alpha plane when `alpha`.
inline bool SamePlanes(const rastella::ImageState& a, const rastella::ImageState& b, int width, int height, bool color,
                       bool alpha) {
  for (int y = 0; y < height; ++y) {
    if (color && !std::equal(a.ColorAt(0, y), a.ColorAt(width, y), b.ColorAt(0, y))) return false;
    if (alpha && !std::equal(&a.AlphaBuffer[static_cast<std::size_t>(y) * rastella::kMaxDimension],
                             &a.AlphaBuffer[static_cast<std::size_t>(y) * rastella::kMaxDimension] + width,
                             &b.AlphaBuffer[static_cast<std::size_t>(y) * rastella::kMaxDimension])) {
      return false;
    }
  }
  return true;
}

// The kernel sets that this processor runs, portable first.
inline int AvailableKernelSets(rastella::KernelSet (&sets)[2]) {
  sets[0] = rastella::KernelSet::Portable;
  if (rastella::KernelSetAvailable(rastella::KernelSet::Sse41)) {
    sets[1] = rastella::KernelSet::Sse41;
    return 2;
  }
  return 1;
}

}  // namespace fuzzing
