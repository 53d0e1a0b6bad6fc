#include "tga/tga_kernels.h"

#include <cassert>

namespace rastella {

namespace {

const TgaKernels kPortableKernels{
    ReadBgraRowPortable,
    ReadBgrRowPortable,
    WriteBgraRowPortable,
    WriteBgrRowPortable,
};

}  // namespace

const TgaKernels& TgaKernelsFor(KernelSet kernels) {
  assert(KernelSetAvailable(kernels));
  const TgaKernels* sse41 = Sse41TgaKernels();
  return kernels == KernelSet::Sse41 && sse41 != nullptr ? *sse41 : kPortableKernels;
}

}  // namespace rastella
