#pragma once
// Buffers that cost nothing until they are written.  A fresh page from the
// operating system is zero already, so a buffer allocated from fresh pages
// is zero without being filled, and a page is touched only when a load
// writes into it.  Default construction writes nothing either: resizing a
// ByteBuffer leaves the new bytes as the memory holds them (zero when fresh,
// the bytes of an earlier use when the buffer is reused), for a buffer that
// is read into or encoded into next.

#include <cstddef>
#include <cstdint>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace rastella {

// How a block of fresh pages uses huge pages where the system offers them.
enum class HugePages : std::uint8_t {
  // Only the whole huge pages inside the block: it never holds more memory
  // than its bytes.
  Inside,
  // The block is rounded up to whole huge pages: for a block that is written
  // whole soon after it is made, where one page fault per 2 MiB saves more
  // time than the rounding costs memory.
  RoundUp,
};

// `bytes` of zero-filled memory; large blocks come straight from the
// operating system's fresh pages.  Throws std::bad_alloc when there is no
// memory.
void* AllocateFreshPages(std::size_t bytes, HugePages hugePages = HugePages::Inside);
void FreeFreshPages(void* block, std::size_t bytes, HugePages hugePages = HugePages::Inside) noexcept;

template <typename T, HugePages kHugePages = HugePages::Inside>
struct FreshPageAllocator {
  static_assert(std::is_trivial_v<T>, "the memory of a fresh page buffer is left as it is");
  using value_type = T;

  FreshPageAllocator() = default;
  template <typename U>
  FreshPageAllocator(const FreshPageAllocator<U, kHugePages>&) noexcept {}
  template <typename U>
  struct rebind {
    using other = FreshPageAllocator<U, kHugePages>;
  };

  T* allocate(std::size_t count) {
    if (count > static_cast<std::size_t>(-1) / sizeof(T)) {
      throw std::bad_alloc();
    }
    return static_cast<T*>(AllocateFreshPages(count * sizeof(T), kHugePages));
  }
  void deallocate(T* block, std::size_t count) noexcept { FreeFreshPages(block, count * sizeof(T), kHugePages); }

  // Default-inserted elements are left as the memory holds them.
  template <typename U>
  void construct(U* place) noexcept {
    ::new (static_cast<void*>(place)) U;
  }
  template <typename U, typename... Arguments>
  void construct(U* place, Arguments&&... arguments) {
    ::new (static_cast<void*>(place)) U(std::forward<Arguments>(arguments)...);
  }

  friend bool operator==(const FreshPageAllocator&, const FreshPageAllocator&) { return true; }
};

using ByteBuffer = std::vector<std::uint8_t, FreshPageAllocator<std::uint8_t>>;

}  // namespace rastella
