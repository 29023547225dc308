// Large blocks over the C library, with the kernel asked for huge pages.
#include <sys/mman.h>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <cstdlib>

#include "platform/memory.h"

namespace tavrin::platform {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

void* AllocateLargeBlock(std::size_t size) {
    if (size < kHugePage) {
        return std::malloc(size == 0 ? 1 : size);
    }
    const std::size_t whole = (size + kHugePage - 1) / kHugePage * kHugePage;
    if (whole < size) {
        return nullptr;
    }
    void* block = std::aligned_alloc(kHugePage, whole);
    // Only advice: without huge pages the block works the same, one fault
    // a 4 KiB page.
    if (block != nullptr) {
        static_cast<void>(::madvise(block, whole, MADV_HUGEPAGE));
    }
    return block;
}

void FreeLargeBlock(void* block) { std::free(block); }

void KeepFreedMemoryForReuse() {
#if defined(__GLIBC__)
    mallopt(M_TRIM_THRESHOLD, 32 << 20);
    mallopt(M_TOP_PAD, 1 << 20);
#endif
}

}  // namespace tavrin::platform
