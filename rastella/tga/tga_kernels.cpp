#include "tga/tga_kernels.h"

namespace rastella {

namespace {

const TgaKernels kPortableKernels{
    ReadBgraRowPortable,
    ReadBgrRowPortable,
    WriteBgraRowPortable,
    WriteBgrRowPortable,
};

}  // namespace

const TgaKernels& TgaKernelsFor(KernelSet kernels) { return PickKernels(kernels, kPortableKernels, Sse41TgaKernels()); }

}  // namespace rastella
