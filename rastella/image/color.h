#pragma once
// Colour values as the picture box takes them: 0x00BBGGRR, red in the low
// byte.

#include <cstdint>

namespace rastella {

using ColorValue = std::uint32_t;

constexpr ColorValue MakeColor(std::uint32_t red, std::uint32_t green, std::uint32_t blue) {
  return red + 256 * green + 65536 * blue;
}
constexpr std::uint8_t RedOf(ColorValue color) { return static_cast<std::uint8_t>(color & 0xFF); }
constexpr std::uint8_t GreenOf(ColorValue color) { return static_cast<std::uint8_t>((color >> 8) & 0xFF); }
constexpr std::uint8_t BlueOf(ColorValue color) { return static_cast<std::uint8_t>((color >> 16) & 0xFF); }

}  // namespace rastella
