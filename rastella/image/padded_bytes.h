#pragma once
// Files may end before their headers say they do; the missing bytes read as
// 0.  PaddedRange gives the decoders one contiguous range either way.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace rastella {

// Returns `length` bytes of `bytes` from `offset` on.  When all of them are
// present the result points into `bytes`; otherwise the present ones are
// copied into `scratch`, followed by zeros, and the result points there.
inline std::span<const std::uint8_t> PaddedRange(std::span<const std::uint8_t> bytes, std::size_t offset,
                                                 std::size_t length, std::vector<std::uint8_t>& scratch) {
  if (offset <= bytes.size() && length <= bytes.size() - offset) {
    return bytes.subspan(offset, length);
  }
  scratch.assign(length, 0);
  if (offset < bytes.size()) {
    const std::size_t present = bytes.size() - offset;
    std::copy_n(bytes.data() + offset, present, scratch.data());
  }
  return scratch;
}

}  // namespace rastella
