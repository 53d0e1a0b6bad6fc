#include "temporary_names.h"

#include <limits>

namespace treebane {

namespace {

constexpr std::string_view Prefix = ".treebane-";
constexpr std::string_view Suffix = ".tmp";

// The value of `text`, which must be a plain decimal number without a
// leading zero that does not exceed `limit`.
bool ParseNumber(std::string_view text, std::uint64_t limit, std::uint64_t& value) {
  if (text.empty() || (text[0] == '0' && text.size() > 1)) {
    return false;
  }
  value = 0;
  for (const char digit : text) {
    if (digit < '0' || digit > '9') {
      return false;
    }
    const auto digitValue = static_cast<std::uint64_t>(digit - '0');
    if (value > (limit - digitValue) / 10) {
      return false;
    }
    value = value * 10 + digitValue;
  }
  return true;
}

}  // namespace

std::string TemporaryFileName(std::uint32_t processId, std::uint64_t number) {
  return std::string(Prefix) + std::to_string(processId) + "-" + std::to_string(number) + std::string(Suffix);
}

bool TemporaryFileOwner(std::string_view name, std::uint32_t& processId) {
  if (name.size() < Prefix.size() + Suffix.size() || !name.starts_with(Prefix) || !name.ends_with(Suffix)) {
    return false;
  }
  name.remove_prefix(Prefix.size());
  name.remove_suffix(Suffix.size());
  const std::size_t dash = name.find('-');
  std::uint64_t owner = 0;
  std::uint64_t number = 0;
  if (dash == std::string_view::npos ||
      !ParseNumber(name.substr(0, dash), std::numeric_limits<std::uint32_t>::max(), owner) ||
      !ParseNumber(name.substr(dash + 1), std::numeric_limits<std::uint64_t>::max(), number)) {
    return false;
  }
  processId = static_cast<std::uint32_t>(owner);
  return true;
}

}  // namespace treebane
