// Room for a load's page data: pages share large blocks, each page's room
// outlives the arena and the other pages, and a memory limit fails a load
// only where the page itself can't be had.
#include "store/page_data_arena.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "store/allocation.h"

namespace tavrin {
namespace {

TEST(PageDataArenaTest, EachPageKeepsItsBytesAfterTheArenaAndTheOtherPagesAreGone) {
    std::vector<std::shared_ptr<std::uint8_t>> rooms;
    std::vector<std::size_t> lengths;
    {
        PageDataArena arena;
        std::uint64_t stillToCome = 3 * PageDataArena::kBlockBytes;
        // Pages of many sizes, enough to need more than one block.
        for (std::size_t i = 0; stillToCome > 0; ++i) {
            const std::size_t length = std::min<std::uint64_t>(40'000 + i % 7 * 5'000, stillToCome);
            std::shared_ptr<std::uint8_t> room = arena.Take(length, stillToCome);
            ASSERT_NE(room, nullptr);
            std::memset(room.get(), static_cast<int>(i % 251), length);
            rooms.push_back(room);
            lengths.push_back(length);
            stillToCome -= length;
        }
    }
    for (std::size_t i = 0; i < rooms.size(); i += 2) {
        rooms[i].reset();
    }
    for (std::size_t i = 1; i < rooms.size(); i += 2) {
        EXPECT_EQ(rooms[i].get()[0], i % 251) << "page " << i;
        EXPECT_EQ(rooms[i].get()[lengths[i] - 1], i % 251) << "page " << i;
    }
}

TEST(PageDataArenaTest, UnderAMemoryLimitTheRoomShrinksToThePageAlone) {
    const AllocationLimitForTesting limit(50'000);
    PageDataArena arena;
    EXPECT_NE(arena.Take(40'000, 10'000'000), nullptr);
    EXPECT_NE(arena.Take(50'000, 10'000'000), nullptr);
    EXPECT_EQ(arena.Take(50'001, 10'000'000), nullptr);
}

TEST(PageDataArenaTest, AnEmptyPageGetsRoomToo) {
    PageDataArena arena;
    EXPECT_NE(arena.Take(0, 0), nullptr);
    EXPECT_NE(arena.Take(0, 0), nullptr);
}

}  // namespace
}  // namespace tavrin
