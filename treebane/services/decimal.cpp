#include "decimal.h"

#include <charconv>

namespace treebane {

std::string ToDecimal(std::int64_t value) {
  char digits[24];  // 19 digits and a sign fit
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  return std::string(digits, result.ptr);
}

}  // namespace treebane
