// Reads arbitrary bytes as a TGA file into the image state, in memory, with
// every kernel set that the processor runs: all must store the same planes.
// A loaded image of a type that the viewer saves is then written as TGA and
// read back, and must come back unchanged.

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "codec_checks.h"
#include "tga/tga_header.h"
#include "tga/tga_reader.h"
#include "tga/tga_writer.h"

using namespace rastella;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& [state, other, scratch, saved, again] = fuzzing::TheWorkspace();
  const std::span<const std::uint8_t> file(data, size);
  const TgaHeaderFields fields = ParseTgaHeader(fuzzing::LeadingHeader<TgaHeader>(data, size));
  if (!fuzzing::CodecTargetTakes(fields.ImageWidth, fields.ImageHeight)) {
    return 0;
  }
  const int width = fields.ImageWidth;
  const int height = fields.ImageHeight;
  const bool color = fields.ImageType == 2;
  const bool alpha = fields.BitsPerPixel == 32 || fields.ImageType == 3;

  KernelSet sets[2];
  const int setCount = fuzzing::AvailableKernelSets(sets);
  DecodeTgaPixels(file, fields, state, scratch, sets[0]);
  for (int s = 1; s < setCount; ++s) {
    DecodeTgaPixels(file, fields, other, scratch, sets[s]);
    fuzzing::Check(fuzzing::SamePlanes(state, other, width, height, color, alpha));
  }

  if (fields.ImageType != 2 && fields.ImageType != 3) {
    return 0;
  }
  // Saved top row first, as "Save TGA" does, and read back.
  if (color) {
    EncodeColorTga(BuildTgaHeader(width, height, alpha ? 32 : 24), state, width, height, alpha, saved);
  } else {
    EncodeAlphaTga(BuildAlphaHeader(width, height), state, width, height, saved);
  }
  fuzzing::Check(saved.size() == 18 + static_cast<std::size_t>(width) * height * ((color ? 3 : 0) + (alpha ? 1 : 0)));
  const TgaHeaderFields savedFields = ParseTgaHeader(fuzzing::LeadingHeader<TgaHeader>(saved.data(), saved.size()));
  fuzzing::Check(savedFields.ImageWidth == width && savedFields.ImageHeight == height &&
                 savedFields.ImageType == fields.ImageType);
  DecodeTgaPixels(saved, savedFields, other, scratch);
  fuzzing::Check(fuzzing::SamePlanes(state, other, width, height, color, alpha));
  return 0;
}
