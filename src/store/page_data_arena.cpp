#include "store/page_data_arena.h"

#include <algorithm>
#include <new>

#include "store/allocation.h"

namespace tavrin {
namespace {

// Each page's data starts on a cache line of its own.
constexpr std::size_t kAlignment = 64;

std::size_t Aligned(std::size_t length) { return (length + kAlignment - 1) / kAlignment * kAlignment; }

}  // namespace

std::shared_ptr<std::uint8_t> PageDataArena::Take(std::size_t length, std::uint64_t stillToCome) {
    if (block_ == nullptr || length > size_ - used_) {
        const std::size_t wanted = static_cast<std::size_t>(
            std::clamp<std::uint64_t>(stillToCome, length, std::max(length, largestBlock_)));
        // A block the size of the page alone is the last resort, so that
        // a load runs out of memory only where the page itself can't be had.
        if (!NewBlock(wanted) && (wanted == length || !NewBlock(length))) {
            return nullptr;
        }
    }
    std::shared_ptr<std::uint8_t> room(block_, block_.get() + used_);
    used_ = std::min(size_, used_ + Aligned(length));
    return room;
}

bool PageDataArena::NewBlock(std::size_t size) {
    auto* block = static_cast<std::uint8_t*>(AllocateLargeBytes(size));
    if (block == nullptr) {
        return false;
    }
    try {
        block_ = std::shared_ptr<std::uint8_t>(block, FreeLargeBytes);
    } catch (const std::bad_alloc&) {
        // The shared pointer frees the block when it can't be made.
        return false;
    }
    size_ = size;
    used_ = 0;
    return true;
}

}  // namespace tavrin
