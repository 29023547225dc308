#include "store/allocation.h"

#include <cstdlib>
#include <limits>

#include "platform/memory.h"

namespace tavrin {
namespace {

// The program is single-threaded, so a plain variable serves as the limit.
std::size_t largestAllowed = std::numeric_limits<std::size_t>::max();

// malloc(0) may return null, which callers would take for a failure; a
// one-byte block keeps "null means no memory" true for every size.
std::size_t AtLeastOne(std::size_t size) { return size == 0 ? 1 : size; }

}  // namespace

void* AllocateBytes(std::size_t size) {
    if (size > largestAllowed) {
        return nullptr;
    }
    return std::malloc(AtLeastOne(size));
}

void* ReallocateBytes(void* block, std::size_t size) {
    if (size > largestAllowed) {
        return nullptr;
    }
    return std::realloc(block, AtLeastOne(size));
}

void FreeBytes(void* block) { std::free(block); }

void* AllocateLargeBytes(std::size_t size) {
    if (size > largestAllowed) {
        return nullptr;
    }
    return platform::AllocateLargeBlock(size);
}

void FreeLargeBytes(void* block) { platform::FreeLargeBlock(block); }

AllocationLimitForTesting::AllocationLimitForTesting(std::size_t largest)
    : previous_(largestAllowed) {
    largestAllowed = largest;
}

AllocationLimitForTesting::~AllocationLimitForTesting() { largestAllowed = previous_; }

}  // namespace tavrin
