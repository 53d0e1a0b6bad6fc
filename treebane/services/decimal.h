#pragma once

#include <cstdint>
#include <string>

namespace treebane {

// Plain decimal digits without leading zeros, blanks or group separators;
// "-" in front of a negative value, "0" for zero.
std::string ToDecimal(std::int64_t value);

}  // namespace treebane
