// Every allocation of page data in the store goes through these two calls, so
// that tests can make memory run out at a chosen size.
#pragma once

#include <cstddef>

namespace tavrin {

void* AllocateBytes(std::size_t size);                 // null when memory can't be had
void* ReallocateBytes(void* block, std::size_t size);  // null (block kept) when it can't
void FreeBytes(void* block);
// Blocks of many pages' data, from the platform's large blocks.
void* AllocateLargeBytes(std::size_t size);  // null when memory can't be had
void FreeLargeBytes(void* block);

// While one of these lives, any single allocation above `largest` bytes fails.
class AllocationLimitForTesting {
public:
    explicit AllocationLimitForTesting(std::size_t largest);
    ~AllocationLimitForTesting();
    AllocationLimitForTesting(const AllocationLimitForTesting&) = delete;
    AllocationLimitForTesting& operator=(const AllocationLimitForTesting&) = delete;

private:
    std::size_t previous_;
};

}  // namespace tavrin
