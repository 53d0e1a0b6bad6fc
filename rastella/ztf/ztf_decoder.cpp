#include "ztf/ztf_decoder.h"

#include <cassert>
#include <cstring>

#include "image/padded_bytes.h"
#include "ztf/ztf_kernels.h"

namespace rastella {

void DecodePlanePortable(const std::uint8_t* types, const std::uint8_t* rows, int width, int height, std::size_t unit,
                         std::uint8_t* plane, std::size_t stride) {
  const std::size_t rowBytes = unit * static_cast<std::size_t>(width);
  for (int y = 0; y < height; ++y) {
    const std::uint8_t* above = y == 0 ? kZeroRow.data() : plane + stride * static_cast<std::size_t>(y - 1);
    UnfilterRow(types[y], rows + rowBytes * static_cast<std::size_t>(y), above,
                plane + stride * static_cast<std::size_t>(y), rowBytes, unit);
  }
}

void UnfilterRow(std::uint8_t type, const std::uint8_t* in, const std::uint8_t* above, std::uint8_t* out,
                 std::size_t rowBytes, std::size_t unit) {
  const std::size_t first = unit < rowBytes ? unit : rowBytes;
  switch (type) {
    case kFilterNone:
      std::memcpy(out, in, rowBytes);
      return;
    case kFilterSub:
      std::memcpy(out, in, first);
      for (std::size_t i = first; i < rowBytes; ++i) {
        out[i] = AddMod256(in[i], out[i - unit]);
      }
      return;
    case kFilterUp:
      for (std::size_t i = 0; i < rowBytes; ++i) {
        out[i] = AddMod256(in[i], above[i]);
      }
      return;
    case kFilterAverage:
      for (std::size_t i = 0; i < first; ++i) {
        out[i] = AddMod256(in[i], AveragePredict(0, above[i]));
      }
      for (std::size_t i = first; i < rowBytes; ++i) {
        out[i] = AddMod256(in[i], AveragePredict(out[i - unit], above[i]));
      }
      return;
    case kFilterPaeth:
      // In the first pixel a and c are 0, so the predictor is b.
      for (std::size_t i = 0; i < first; ++i) {
        out[i] = AddMod256(in[i], above[i]);
      }
      for (std::size_t i = first; i < rowBytes; ++i) {
        out[i] = AddMod256(in[i], PaethPredict(out[i - unit], above[i], above[i - unit]));
      }
      return;
    default:
      std::memset(out, 0, rowBytes);
      return;
  }
}

void DecodeZtfPlanes(std::span<const std::uint8_t> file, const ZtfHeaderFields& fields, Planes& planes,
                     std::vector<std::uint8_t>& scratch, KernelSet kernels) {
  assert(FitsPlanes(fields.ImageWidth, fields.ImageHeight));
  const ZtfKernels& table = ZtfKernelsFor(kernels);
  const int width = fields.ImageWidth;
  const int height = fields.ImageHeight;
  const bool withAlpha = fields.BitsPerPixel == 32;
  const ZtfLayout layout = ZtfLayoutOf(width, height, withAlpha);
  // The planes' part of the file, from the first table on; `at` gives the
  // bytes of a part that starts at `offset` in the file.
  const std::span<const std::uint8_t> body =
      PaddedRange(file, layout.colorTypes, layout.fileSize - layout.colorTypes, scratch);
  const auto at = [&](std::size_t offset) { return body.data() + (offset - layout.colorTypes); };

  table.decodeColorPlane(at(layout.colorTypes), at(layout.colorRows), width, height, planes.ColorBuffer.data(),
                         kColorRowBytes);
  if (withAlpha) {
    table.decodeAlphaPlane(at(layout.alphaTypes), at(layout.alphaRows), width, height, planes.AlphaBuffer.data(),
                           kMaxDimension);
  }
}

}  // namespace rastella
