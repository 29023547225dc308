#include "overview/memo_overview.h"

#include <algorithm>
#include <memory>

#include "alarms/alarm_time.h"
#include "store/page_image.h"

namespace tavrin::overview {

std::vector<Item> ListedMemos(const MemoList& list, Filter filter) {
    std::vector<Item> items;
    std::uint16_t position = 0;
    for (const MemoEntry* memo = list.First(); memo != nullptr; memo = list.NextOf(memo)) {
        ++position;
        if (filter == Filter::All || memo->alarmHandle != 0) items.push_back({memo, position});
    }
    if (filter == Filter::WithAlarms) {
        // To the millisecond: the quick choices keep seconds and snoozes keep
        // them too, so two alarms of one minute are not rare.
        const auto when = [](const Item& item) {
            return std::pair{TimeToSeconds(item.memo->alarmTime), item.memo->alarmTime.milliseconds};
        };
        std::stable_sort(items.begin(), items.end(),
                         [&](const Item& a, const Item& b) { return when(a) < when(b); });
    }
    return items;
}

Caption CaptionOf(const Item& item, std::uint16_t count, const platform::LocaleTexts& locale) {
    Caption caption;
    caption.position = std::to_string(item.position) + "/" + std::to_string(count);
    FormatTimeText(item.memo->created, "%s", &caption.created, locale);
    if (item.memo->alarmHandle != 0) FormatTimeText(item.memo->alarmTime, "Alarm %s", &caption.alarm, locale);
    return caption;
}

GridLayout::GridLayout(std::int32_t viewWidth, CellMetrics cell, std::size_t count)
    : cell_(cell),
      count_(count),
      columns_(std::max<std::int32_t>(1, (viewWidth - cell.gap) / std::max(1, cell.width + cell.gap))),
      left_(std::max(0, (viewWidth - ContentWidth()) / 2)) {}

std::size_t GridLayout::Rows() const {
    const auto columns = static_cast<std::size_t>(columns_);
    return (count_ + columns - 1) / columns;
}

std::int64_t GridLayout::ContentHeight() const {
    return cell_.gap + static_cast<std::int64_t>(Rows()) * (cell_.height + cell_.gap);
}

std::int32_t GridLayout::ContentWidth() const { return cell_.gap + columns_ * (cell_.width + cell_.gap); }

Rect GridLayout::CellRect(std::size_t index) const {
    const auto at = static_cast<std::int64_t>(index);
    const auto left = static_cast<std::int32_t>(left_ + cell_.gap + at % columns_ * (cell_.width + cell_.gap));
    const auto top = static_cast<std::int32_t>(cell_.gap + at / columns_ * (cell_.height + cell_.gap));
    return {left, top, left + cell_.width, top + cell_.height};
}

std::pair<std::size_t, std::size_t> GridLayout::CellsMeeting(std::int64_t top, std::int64_t bottom) const {
    const std::int64_t pitch = cell_.height + cell_.gap;
    // A row reaches from gap + row × pitch to one gap short of the next.
    const std::int64_t beforeFirst = top - cell_.gap - cell_.height;
    const std::int64_t firstRow = beforeFirst < 0 ? 0 : beforeFirst / pitch + 1;
    const std::int64_t endRow = std::max<std::int64_t>(0, (bottom - cell_.gap + pitch - 1) / pitch);
    const auto columns = static_cast<std::size_t>(columns_);
    const std::size_t first = std::min(count_, static_cast<std::size_t>(firstRow) * columns);
    const std::size_t last = std::min(count_, static_cast<std::size_t>(endRow) * columns);
    return {first, std::max(first, last)};
}

std::optional<std::size_t> GridLayout::CellAt(std::int64_t x, std::int64_t y) const {
    const std::int64_t xPitch = cell_.width + cell_.gap;
    const std::int64_t yPitch = cell_.height + cell_.gap;
    const std::int64_t fromLeft = x - left_ - cell_.gap;
    const std::int64_t fromTop = y - cell_.gap;
    if (fromLeft < 0 || fromTop < 0) return std::nullopt;
    const std::int64_t column = fromLeft / xPitch;
    const std::int64_t row = fromTop / yPitch;
    if (column >= columns_ || fromLeft % xPitch >= cell_.width || fromTop % yPitch >= cell_.height) {
        return std::nullopt;
    }
    const auto index = static_cast<std::size_t>(row * columns_ + column);
    if (index >= count_) return std::nullopt;
    return index;
}

std::size_t GridLayout::Moved(std::size_t index, int columns, int rows) const {
    if (count_ == 0) return 0;
    const std::int64_t step = columns + static_cast<std::int64_t>(rows) * columns_;
    const std::int64_t moved = static_cast<std::int64_t>(index) + step;
    // Down from a row whose column the last row lacks lands on the last cell;
    // past either end stays at that end.
    return static_cast<std::size_t>(std::clamp<std::int64_t>(moved, 0, static_cast<std::int64_t>(count_) - 1));
}

std::int64_t GridLayout::TopShowing(std::size_t index, std::int64_t top, std::int32_t height) const {
    const Rect cell = CellRect(index);
    if (cell.top - cell_.gap < top) return std::max<std::int64_t>(0, cell.top - cell_.gap);
    if (cell.bottom + cell_.gap > top + height) return cell.bottom + cell_.gap - height;
    return top;
}

ThumbnailCache::ThumbnailCache(std::int32_t longestSide, std::size_t byteBound)
    : longestSide_(longestSide), byteBound_(byteBound) {}

void ThumbnailCache::SetLongestSide(std::int32_t longestSide) {
    if (longestSide == longestSide_) return;
    longestSide_ = longestSide;
    order_.clear();
    byMemo_.clear();
    bytes_ = 0;
}

void ThumbnailCache::MakeRoomFor(std::size_t thumbnails) {
    const std::size_t side = static_cast<std::size_t>(std::max(longestSide_, 1));
    byteBound_ = std::max(byteBound_, thumbnails * side * side * 3);
}

const RgbImage* ThumbnailCache::Find(const MemoEntry* memo) {
    const auto found = byMemo_.find(memo);
    if (found == byMemo_.end()) return nullptr;
    order_.splice(order_.begin(), order_, found->second);
    return &found->second->picture;
}

const RgbImage& ThumbnailCache::Get(const MemoEntry& memo) {
    if (const RgbImage* made = Find(&memo)) return *made;
    order_.push_front({&memo, Make(memo)});
    byMemo_[&memo] = order_.begin();
    bytes_ += order_.front().picture.pixels.size();
    KeepWithinBound();
    return order_.front().picture;
}

std::size_t ThumbnailCache::MakeWithin(std::span<const MemoEntry* const> memos,
                                       std::chrono::steady_clock::duration budget) {
    const auto end = std::chrono::steady_clock::now() + budget;
    std::size_t left = 0;
    bool madeOne = false;
    for (const MemoEntry* memo : memos) {
        if (byMemo_.contains(memo)) continue;
        if (madeOne && std::chrono::steady_clock::now() >= end) {
            ++left;
            continue;
        }
        Get(*memo);
        madeOne = true;
    }
    return left;
}

// A memo without a picture shows a white page.
RgbImage ThumbnailCache::Make(const MemoEntry& memo) const {
    bool noPicture = false;
    const std::unique_ptr<platform::PageBitmap> page = ShownPage(memo.page, noPicture);
    std::optional<RgbImage> reduced = page != nullptr ? ReducePage(*page, longestSide_) : std::nullopt;
    return reduced ? std::move(*reduced) : RgbImage{};
}

void ThumbnailCache::KeepWithinBound() {
    // The thumbnail just made stays, whatever its size.
    while (bytes_ > byteBound_ && order_.size() > 1) {
        bytes_ -= order_.back().picture.pixels.size();
        byMemo_.erase(order_.back().memo);
        order_.pop_back();
    }
}

}  // namespace tavrin::overview
