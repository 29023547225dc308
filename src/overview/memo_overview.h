// The overview of every memo, whatever toolkit shows it: which memos it
// lists and in which order, the grid of cells they are laid out in and which
// of them a scrolled view shows, and the thumbnails of their pages, made only
// for the cells shown and kept within a memory bound.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <list>
#include <optional>
#include <span>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

#include "platform/locale_text.h"
#include "platform/types.h"
#include "store/memo_list.h"
#include "store/page_reduction.h"

namespace tavrin::overview {

enum class Filter {
    All,         // every memo, in the list's order
    WithAlarms,  // the memos with a pending alarm, the earliest alarm first
};

// One memo of an overview, with its place in the whole list.
struct Item {
    const MemoEntry* memo = nullptr;
    std::uint16_t position = 0;  // 1-based

    friend bool operator==(const Item&, const Item&) = default;
};

// The memos the overview lists. With alarms: those whose alarm is set (as
// the title shows it), by alarm time, memos with the same time in the
// list's order.
std::vector<Item> ListedMemos(const MemoList& list, Filter filter);

// The texts under a cell's thumbnail.
struct Caption {
    std::string position;  // "3/7"
    std::string created;   // the creation time, as the status strip shows it
    std::string alarm;     // "Alarm " and its time; empty without one
};
Caption CaptionOf(const Item& item, std::uint16_t count,
                  const platform::LocaleTexts& locale = platform::UserLocaleTexts());

// A cell's size and the space between cells, in the view's pixels.
struct CellMetrics {
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t gap = 0;
};

// `count` cells laid out row by row in as many columns as the width holds
// (at least one), a gap around every cell, the columns centred in the
// width. Positions are in the content's coordinates: (0, 0) is the top-left
// corner of the whole grid.
class GridLayout {
public:
    GridLayout(std::int32_t viewWidth, CellMetrics cell, std::size_t count);

    std::int32_t Columns() const { return columns_; }
    std::size_t Rows() const;
    std::int64_t ContentHeight() const;
    std::int32_t ContentWidth() const;
    Rect CellRect(std::size_t index) const;
    // The cells [first, last) that meet the rows from `top` to `bottom`.
    std::pair<std::size_t, std::size_t> CellsMeeting(std::int64_t top, std::int64_t bottom) const;
    // The cell under a point, gaps excepted.
    std::optional<std::size_t> CellAt(std::int64_t x, std::int64_t y) const;
    // The cell an arrow key moves to: `columns` left or right along the
    // reading order, `rows` up or down in the same column; kept inside.
    std::size_t Moved(std::size_t index, int columns, int rows) const;
    // Where a view of `height` scrolled to `top` goes so that the cell at
    // `index` is whole inside it, moving as little as it can.
    std::int64_t TopShowing(std::size_t index, std::int64_t top, std::int32_t height) const;

private:
    CellMetrics cell_;
    std::size_t count_;
    std::int32_t columns_;
    std::int32_t left_;  // the first column's gap starts here
};

// The thumbnails of memos' pages, reduced over the colour table to at most
// `longestSide` pixels by area averaging. Each is made when asked for and
// kept until the bytes of all of them pass the bound, the one used longest
// ago going first. A thumbnail that can't be made (no memory) is kept as an
// empty picture, so that it is not tried again at every paint.
class ThumbnailCache {
public:
    ThumbnailCache(std::int32_t longestSide, std::size_t byteBound);

    std::int32_t LongestSide() const { return longestSide_; }
    // Forgets every thumbnail when the size changes (the screen's scale did).
    void SetLongestSide(std::int32_t longestSide);
    // Raised, never lowered, so that every cell a view shows fits at once.
    void MakeRoomFor(std::size_t thumbnails);
    std::size_t ByteBound() const { return byteBound_; }

    // The memo's thumbnail if made already, now the latest used.
    const RgbImage* Find(const MemoEntry* memo);
    // The memo's thumbnail, unpacking and reducing its page when needed.
    const RgbImage& Get(const MemoEntry& memo);
    // Makes the thumbnails of `memos` not made yet, in order, while `budget`
    // lasts (at least one is made); how many are still to make.
    std::size_t MakeWithin(std::span<const MemoEntry* const> memos,
                           std::chrono::steady_clock::duration budget);

    std::size_t Bytes() const { return bytes_; }
    std::size_t Count() const { return byMemo_.size(); }

private:
    struct Entry {
        const MemoEntry* memo;
        RgbImage picture;
    };
    using Order = std::list<Entry>;  // the latest used first

    RgbImage Make(const MemoEntry& memo) const;
    void KeepWithinBound();

    std::int32_t longestSide_;
    std::size_t byteBound_;
    std::size_t bytes_ = 0;
    Order order_;
    std::unordered_map<const MemoEntry*, Order::iterator> byMemo_;
};

}  // namespace tavrin::overview
