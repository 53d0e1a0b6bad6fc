#include "ztf/ztf_kernels.h"

namespace rastella {

namespace {

const ZtfKernels kPortableKernels{
    [](const std::uint8_t* types, const std::uint8_t* rows, int width, int height, std::uint8_t* plane,
       std::size_t stride) { DecodePlanePortable(types, rows, width, height, 3, plane, stride); },
    [](const std::uint8_t* types, const std::uint8_t* rows, int width, int height, std::uint8_t* plane,
       std::size_t stride) { DecodePlanePortable(types, rows, width, height, 1, plane, stride); },
    [](const std::uint8_t* row, const std::uint8_t* above, RowCandidates& candidates) {
      candidates.sums = {};
      FilterCandidatesFrom(row, above, 3, 0, candidates);
    },
    [](const std::uint8_t* row, const std::uint8_t* above, RowCandidates& candidates) {
      candidates.sums = {};
      FilterCandidatesFrom(row, above, 1, 0, candidates);
    },
};

}  // namespace

const ZtfKernels& ZtfKernelsFor(KernelSet kernels) { return PickKernels(kernels, kPortableKernels, Sse41ZtfKernels()); }

}  // namespace rastella
