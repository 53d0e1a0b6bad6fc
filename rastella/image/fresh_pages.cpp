#include "image/fresh_pages.h"

#include <cstdint>
#include <cstdlib>

#if defined(__SANITIZE_ADDRESS__)
#define RASTELLA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define RASTELLA_ADDRESS_SANITIZER 1
#endif
#endif

#if defined(_WIN32)
#include <windows.h>
#else
#include <sys/mman.h>
#endif

namespace rastella {

namespace {

// Below this size the C library's allocator serves the block: its calloc
// takes fresh pages for large blocks itself, and small ones are cheap.
constexpr std::size_t kOwnPagesFrom = std::size_t{1} << 20;

// Under AddressSanitizer every block goes through calloc, so that the
// sanitizer sees the bounds of each one.
#if defined(RASTELLA_ADDRESS_SANITIZER)
constexpr bool kUseOwnPages = false;
#else
constexpr bool kUseOwnPages = true;
#endif

bool OwnPages(std::size_t bytes) { return kUseOwnPages && bytes >= kOwnPagesFrom; }

#if !defined(_WIN32)
// Blocks of our own pages start on a huge page, and every whole huge page
// inside them is offered as one: a load then takes one page fault per 2 MiB
// there instead of one per 4 KiB, which is where a whole-process view spent
// most of its time.  With HugePages::Inside the rest keeps small pages, so
// the block never holds more memory than its bytes need; with
// HugePages::RoundUp the block is mapped to the end of its last huge page.
constexpr std::size_t kHugePage = std::size_t{2} << 20;
constexpr std::size_t kSmallPage = 4096;

std::size_t RoundUp(std::size_t bytes, std::size_t page) { return (bytes + page - 1) / page * page; }

std::size_t MappedLength(std::size_t bytes, HugePages hugePages) {
  return RoundUp(bytes, hugePages == HugePages::RoundUp ? kHugePage : kSmallPage);
}
#endif

}  // namespace

void* AllocateFreshPages(std::size_t bytes, [[maybe_unused]] HugePages hugePages) {
  if (!OwnPages(bytes)) {
    void* block = std::calloc(bytes == 0 ? 1 : bytes, 1);
    if (block == nullptr) {
      throw std::bad_alloc();
    }
    return block;
  }
#if defined(_WIN32)
  // Committed pages are zero and get physical memory only when touched.
  void* block = ::VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
  if (block == nullptr) {
    throw std::bad_alloc();
  }
  return block;
#else
  // Mapped one huge page larger than needed, then trimmed to an aligned run.
  const std::size_t length = MappedLength(bytes, hugePages);
  void* mapped = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) {
    throw std::bad_alloc();
  }
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const std::uintptr_t aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start) {
    ::munmap(mapped, aligned - start);
  }
  const std::uintptr_t end = start + length + kHugePage;
  if (end > aligned + length) {
    ::munmap(reinterpret_cast<void*>(aligned + length), end - (aligned + length));
  }
  void* block = reinterpret_cast<void*>(aligned);
#if defined(MADV_HUGEPAGE)
  // Only advice: where huge pages are off, the block works with small ones.
  const std::size_t wholeHugePages = length / kHugePage * kHugePage;
  if (wholeHugePages > 0) {
    ::madvise(block, wholeHugePages, MADV_HUGEPAGE);
  }
#endif
  return block;
#endif
}

void FreeFreshPages(void* block, std::size_t bytes, [[maybe_unused]] HugePages hugePages) noexcept {
  if (block == nullptr) {
    return;
  }
  if (!OwnPages(bytes)) {
    std::free(block);
    return;
  }
#if defined(_WIN32)
  ::VirtualFree(block, 0, MEM_RELEASE);
#else
  ::munmap(block, MappedLength(bytes, hugePages));
#endif
}

}  // namespace rastella
