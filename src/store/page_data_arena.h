// Room for the pages' data of one memo file as a load reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tavrin {

// Pages take their room from blocks of up to kBlockBytes rather than one
// allocation each, so that a file of thousands of memos costs a few large
// blocks (huge pages where the system has them) instead of thousands of
// small ones, each touched fresh. Each page's room keeps its block alive.
class PageDataArena {
public:
    static constexpr std::size_t kBlockBytes = std::size_t{16} << 20;

    // Blocks of at most `largestBlock` bytes, or of one page where a page
    // needs more; 0 gives each page room of exactly its own size.
    explicit PageDataArena(std::size_t largestBlock = kBlockBytes) : largestBlock_(largestBlock) {}

    // Room for `length` bytes; `stillToCome` (the bytes left in the file, this
    // page's among them) bounds the size of a new block. Null when memory
    // can't be had even for the page alone.
    std::shared_ptr<std::uint8_t> Take(std::size_t length, std::uint64_t stillToCome);

private:
    bool NewBlock(std::size_t size);

    std::size_t largestBlock_;
    std::shared_ptr<std::uint8_t> block_;
    std::size_t size_ = 0;
    std::size_t used_ = 0;
};

}  // namespace tavrin
