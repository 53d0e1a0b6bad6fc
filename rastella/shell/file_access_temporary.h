#pragma once
// The names of the savers' temporary files, shared by the platforms:
// ".rastella-<process id>-<number>.part", hidden on POSIX, never ending in
// ".tga" (so no file list shows them), and a few dozen bytes long whatever
// the target's name, so that a target of the longest legal name can still
// be saved beside one.

#include <algorithm>
#include <string>
#include <string_view>

namespace rastella {

inline constexpr std::string_view kTemporaryPrefix = ".rastella-";
inline constexpr std::string_view kTemporarySuffix = ".part";

inline std::string TemporaryName(unsigned long owner, unsigned number) {
  return std::string(kTemporaryPrefix) + std::to_string(owner) + "-" + std::to_string(number) +
         std::string(kTemporarySuffix);
}

// The process id in a temporary name of this program, or 0 when `name`
// does not have exactly that form.
inline unsigned long OwnerOfTemporary(std::string_view name) {
  const auto allDigits = [](std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
  };
  if (!name.starts_with(kTemporaryPrefix) || !name.ends_with(kTemporarySuffix)) {
    return 0;
  }
  name.remove_prefix(kTemporaryPrefix.size());
  name.remove_suffix(kTemporarySuffix.size());
  const std::size_t dash = name.find('-');
  if (dash == std::string_view::npos || dash > 9 || !allDigits(name.substr(0, dash)) ||
      !allDigits(name.substr(dash + 1))) {
    return 0;
  }
  return std::stoul(std::string(name.substr(0, dash)));
}

}  // namespace rastella
