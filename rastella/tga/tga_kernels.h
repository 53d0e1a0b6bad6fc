#pragma once
// The inner loops of the TGA reader and writer, one row each, as a table of
// functions per kernel set.  The portable functions are the reference: the
// reader's and the writer's files define them in plain C++.
// tga_sse41.cpp has the SSE4.1 versions, and TgaKernelsFor in
// tga_kernels.cpp is the one place that picks a table.

#include <cstdint>

#include "image/kernel_set.h"

namespace rastella {

struct TgaKernels {
  // A row stored from its left, pixels blue, green, red (and alpha), into
  // a row of the colour plane (red, green, blue) and of the alpha plane.
  void (*readBgraRow)(const std::uint8_t* stored, int width, std::uint8_t* colorRow, std::uint8_t* alphaRow);
  void (*readBgrRow)(const std::uint8_t* stored, int width, std::uint8_t* colorRow);
  // A row of the planes as stored pixels blue, green, red (and alpha).
  void (*writeBgraRow)(const std::uint8_t* colorRow, const std::uint8_t* alphaRow, int width, std::uint8_t* out);
  void (*writeBgrRow)(const std::uint8_t* colorRow, int width, std::uint8_t* out);
};

// The table of `kernels`.  Precondition: KernelSetAvailable(kernels).
const TgaKernels& TgaKernelsFor(KernelSet kernels);

// The SSE4.1 table; null where the build has no SSE4.1 kernels.
const TgaKernels* Sse41TgaKernels();

// The portable functions of the table.  A vector kernel hands them the
// pixels after its last whole vector.
void ReadBgraRowPortable(const std::uint8_t* stored, int width, std::uint8_t* colorRow, std::uint8_t* alphaRow);
void ReadBgrRowPortable(const std::uint8_t* stored, int width, std::uint8_t* colorRow);
void WriteBgraRowPortable(const std::uint8_t* colorRow, const std::uint8_t* alphaRow, int width, std::uint8_t* out);
void WriteBgrRowPortable(const std::uint8_t* colorRow, int width, std::uint8_t* out);

}  // namespace rastella
