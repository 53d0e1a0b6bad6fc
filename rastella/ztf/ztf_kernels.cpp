#include "ztf/ztf_kernels.h"

namespace rastella {

namespace {

// The portable functions with the plane's distance to the left neighbour
// fixed, as the table holds them.
template <std::size_t kUnit>
void DecodePlaneOfUnit(const std::uint8_t* types, const std::uint8_t* rows, int width, int height, std::uint8_t* plane,
                       std::size_t stride) {
  DecodePlanePortable(types, rows, width, height, kUnit, plane, stride);
}

template <std::size_t kUnit>
void FilterCandidatesOfUnit(const std::uint8_t* row, const std::uint8_t* above, RowCandidates& candidates) {
  candidates.sums = {};
  FilterCandidatesFrom(row, above, kUnit, 0, candidates);
}

const ZtfKernels kPortableKernels{
    DecodePlaneOfUnit<3>,
    DecodePlaneOfUnit<1>,
    FilterCandidatesOfUnit<3>,
    FilterCandidatesOfUnit<1>,
};

}  // namespace

const ZtfKernels& ZtfKernelsFor(KernelSet kernels) { return PickKernels(kernels, kPortableKernels, Sse41ZtfKernels()); }

}  // namespace rastella
