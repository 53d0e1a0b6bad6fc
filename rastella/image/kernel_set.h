#pragma once
// The codecs and the display keep two versions of their inner loops: a
// portable one in plain C++ and, on x86-64, one written with SSE4.1
// instructions.  The vector version is chosen at run time, only where the
// processor has SSE4.1; both give the same bytes, which the tests check by
// running them side by side.

#include <cassert>
#include <cstdint>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#define RASTELLA_SSE41_KERNELS 1
// Marks a function that uses SSE4.1 instructions.  Only call it after
// KernelSetAvailable(KernelSet::Sse41) has said yes.
#define RASTELLA_TARGET_SSE41 __attribute__((target("sse4.1")))
#else
#define RASTELLA_SSE41_KERNELS 0
#endif

namespace rastella {

enum class KernelSet : std::uint8_t {
  Portable,  // plain C++, any processor
  Sse41,     // SSE4.1 vector instructions, x86-64 processors that have them
};

inline bool KernelSetAvailable(KernelSet kernels) {
  if (kernels == KernelSet::Portable) {
    return true;
  }
#if RASTELLA_SSE41_KERNELS
  static const bool sse41 = [] {
    __builtin_cpu_init();
    return __builtin_cpu_supports("sse4.1") != 0;
  }();
  return sse41;
#else
  return false;
#endif
}

// The fastest set that this processor runs.
inline KernelSet BestKernelSet() {
  return KernelSetAvailable(KernelSet::Sse41) ? KernelSet::Sse41 : KernelSet::Portable;
}

// A codec's table of inner-loop functions for `kernels`: its SSE4.1 table,
// which is null where the build has none, or its portable one.
// Precondition: KernelSetAvailable(kernels).
template <typename Table>
const Table& PickKernels(KernelSet kernels, const Table& portable, const Table* sse41) {
  assert(KernelSetAvailable(kernels));
  return kernels == KernelSet::Sse41 && sse41 != nullptr ? *sse41 : portable;
}

}  // namespace rastella
