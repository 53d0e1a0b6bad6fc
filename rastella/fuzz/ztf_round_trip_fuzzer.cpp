// Encodes fuzzed planes as ZTF and decodes the file, in memory: the planes
// must come back byte for byte, every kernel set must write the same file,
// and the file must have the length of its layout.  (That every kernel set
// decodes alike is the decode target's check.)
//
// Input: width (2 bytes, little-endian, taken modulo 1025), height (2 bytes,
// likewise), a flag byte (bit 0: with alpha), then the colour plane row by
// row (red, green, blue per pixel) and, with the flag, the alpha plane row
// by row; missing bytes are 0, so that all-zero rows occur.  The pixel count is held to kMaxCodecPixels so that
// every input stays quick.

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "codec_checks.h"
#include "ztf/ztf_decoder.h"
#include "ztf/ztf_encoder.h"
#include "ztf/ztf_format.h"

using namespace rastella;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& [state, other, scratch, encoded, again] = fuzzing::TheWorkspace();
  if (size < 5) {
    return 0;
  }
  const int width = (data[0] | data[1] << 8) % (kMaxDimension + 1);
  int height = (data[2] | data[3] << 8) % (kMaxDimension + 1);
  if (width > 0 && width * height > fuzzing::kMaxCodecPixels) {
    height = fuzzing::kMaxCodecPixels / width;
  }
  const bool alpha = (data[4] & 1) != 0;
  const std::uint8_t bitsPerPixel = alpha ? 32 : 24;
  // The planes, row by row, from the bytes that follow; the rest is 0.
  const std::uint8_t* next = data + 5;
  const std::uint8_t* const end = data + size;
  const auto fillRow = [&](std::uint8_t* row, std::size_t length) {
    const std::size_t available = std::min(length, static_cast<std::size_t>(end - next));
    std::memcpy(row, next, available);
    std::memset(row + available, 0, length - available);
    next += available;
  };
  for (int y = 0; y < height; ++y) fillRow(state.ColorAt(0, y), 3 * static_cast<std::size_t>(width));
  for (int y = 0; alpha && y < height; ++y) fillRow(&state.AlphaAt(0, y), static_cast<std::size_t>(width));

  KernelSet sets[2];
  const int setCount = fuzzing::AvailableKernelSets(sets);
  const ZtfEncodeProgress progress;
  EncodeZtf(state, width, height, bitsPerPixel, progress, encoded, sets[0]);
  fuzzing::Check(encoded.size() == ZtfLayoutOf(width, height, alpha).fileSize);
  for (int s = 1; s < setCount; ++s) {
    EncodeZtf(state, width, height, bitsPerPixel, progress, again, sets[s]);
    fuzzing::Check(again == encoded);
  }
  const ZtfHeaderFields fields = ParseZtfHeader(fuzzing::LeadingHeader<ZtfHeader>(encoded.data(), encoded.size()));
  fuzzing::Check(fields.ImageWidth == width && fields.ImageHeight == height && fields.BitsPerPixel == bitsPerPixel);
  DecodeZtfPlanes(encoded, fields, other, scratch);
  fuzzing::Check(fuzzing::SamePlanes(state, other, width, height, true, alpha));
  return 0;
}
