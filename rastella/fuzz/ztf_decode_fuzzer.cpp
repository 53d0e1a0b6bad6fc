// Decodes arbitrary bytes as a ZTF file into the image state, in memory,
// with every kernel set that the processor runs: all must give the same
// planes.  The decoded image is then encoded and the file decoded again:
// the planes must come back unchanged.  (That every kernel set encodes the
// same file is the round-trip target's check.)

#include <algorithm>
#include <cstdint>
#include <span>
#include <vector>

#include "codec_checks.h"
#include "ztf/ztf_decoder.h"
#include "ztf/ztf_encoder.h"
#include "ztf/ztf_format.h"

using namespace rastella;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto& [state, other, scratch, encoded, again] = fuzzing::TheWorkspace();
  const std::span<const std::uint8_t> file(data, size);
  const ZtfHeaderFields fields = ParseZtfHeader(fuzzing::LeadingHeader<ZtfHeader>(data, size));
  if (!fuzzing::CodecTargetTakes(fields.ImageWidth, fields.ImageHeight)) {
    return 0;
  }
  const int width = fields.ImageWidth;
  const int height = fields.ImageHeight;
  const bool alpha = fields.BitsPerPixel == 32;

  KernelSet sets[2];
  const int setCount = fuzzing::AvailableKernelSets(sets);
  DecodeZtfPlanes(file, fields, state, scratch, sets[0]);
  for (int s = 1; s < setCount; ++s) {
    DecodeZtfPlanes(file, fields, other, scratch, sets[s]);
    fuzzing::Check(fuzzing::SamePlanes(state, other, width, height, true, alpha));
  }

  const ZtfEncodeProgress progress;
  EncodeZtf(state, width, height, fields.BitsPerPixel, progress, encoded);
  const ZtfHeaderFields encodedFields =
      ParseZtfHeader(fuzzing::LeadingHeader<ZtfHeader>(encoded.data(), encoded.size()));
  fuzzing::Check(encodedFields.ImageWidth == width && encodedFields.ImageHeight == height &&
                 encodedFields.BitsPerPixel == fields.BitsPerPixel);
  DecodeZtfPlanes(encoded, encodedFields, other, scratch);
  fuzzing::Check(fuzzing::SamePlanes(state, other, width, height, true, alpha));
  return 0;
}
