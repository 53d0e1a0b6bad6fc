#pragma once

// What console.cpp asks of the platform's console_*.cpp.

#include <string_view>

namespace treebane {

// Writes the bytes to standard output, as one write where the platform
// allows. What cannot be written is dropped.
void WriteToStandardOutput(std::string_view bytes);

}  // namespace treebane
