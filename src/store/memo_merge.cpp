#include "store/memo_merge.h"

#include <algorithm>
#include <array>
#include <iterator>
#include <list>
#include <unordered_map>
#include <vector>

namespace tavrin {
namespace {

// A memo's identity: its creation time to the millisecond (the day of the
// week follows from the date), and its place among the memos of its list
// made at the same time.
struct MemoKey {
    std::uint64_t date = 0;  // year, month, day, hour
    std::uint64_t time = 0;  // minute, second, milliseconds, and the place
    bool operator==(const MemoKey&) const = default;
};

struct MemoKeyHash {
    std::size_t operator()(const MemoKey& key) const {
        return static_cast<std::size_t>(key.date * 0x9E3779B97F4A7C15ULL ^ key.time);
    }
};

template <typename Value>
using ByKey = std::unordered_map<MemoKey, Value, MemoKeyHash>;

MemoKey KeyOf(const SYSTEMTIME& t, std::uint64_t place) {
    const auto field = [](std::uint16_t value, int shift) { return std::uint64_t{value} << shift; };
    return {field(t.year, 48) | field(t.month, 32) | field(t.day, 16) | t.hour,
            field(t.minute, 48) | field(t.second, 32) | field(t.milliseconds, 16) | place};
}

// A list's memos in order, found by their keys.
class IndexedList {
public:
    explicit IndexedList(const MemoList* list) {
        if (list == nullptr) return;
        order_.reserve(list->Count());
        at_.reserve(list->Count());
        ByKey<std::uint64_t> seen;
        for (const MemoEntry* entry = list->First(); entry != nullptr; entry = list->NextOf(entry)) {
            const MemoKey key = KeyOf(entry->created, seen[KeyOf(entry->created, 0)]++);
            at_.emplace(key, entry);
            order_.push_back({key, entry});
        }
    }

    struct Memo {
        MemoKey key;
        const MemoEntry* entry;
    };
    const std::vector<Memo>& Order() const { return order_; }
    const MemoEntry* Find(const MemoKey& key) const {
        const auto found = at_.find(key);
        return found != at_.end() ? found->second : nullptr;
    }

private:
    std::vector<Memo> order_;
    ByKey<const MemoEntry*> at_;
};

bool SameMemo(const MemoEntry& a, const MemoEntry& b) { return SameAlarm(a, b) && a.page.SamePicture(b.page); }

// What becomes of a merged memo's alarm handle.
enum class HandleRule {
    AsItIs,     // the memo's own: ours, or theirs where no alarms are told
    OursKept,   // theirs taken over ours with the same alarm: our notification stays
    Adopted,    // an alarm set elsewhere, for this machine's service
};

struct Item {
    const MemoEntry* entry = nullptr;  // null: the place before the first memo
    HandleRule handle = HandleRule::AsItIs;
    std::uint32_t ourHandle = 0;  // for OursKept
};

// The merged list as it is built: theirs' order, with our memos placed
// after the memo they followed.
class MergedOrder {
public:
    using Place = std::list<Item>::iterator;

    MergedOrder() { items_.push_back({}); }

    Place Front() { return items_.begin(); }
    Place Add(const Item& item) { return items_.insert(items_.end(), item); }
    Place AddAfter(Place place, const Item& item) { return items_.insert(std::next(place), item); }

    // The memos in order, without the place before the first.
    std::vector<const Item*> Items() const {
        std::vector<const Item*> items;
        for (auto item = std::next(items_.begin()); item != items_.end(); ++item) items.push_back(&*item);
        return items;
    }
    std::size_t Count() const { return items_.size() - 1; }
    // How far `place` lies from the place before the first memo: 1 for the
    // first memo.
    std::size_t DistanceOf(Place place) const {
        return static_cast<std::size_t>(std::distance(items_.cbegin(), std::list<Item>::const_iterator(place)));
    }

private:
    std::list<Item> items_;
};

}  // namespace

bool SameAlarm(const MemoEntry& a, const MemoEntry& b) {
    if ((a.alarmHandle != 0) != (b.alarmHandle != 0)) return false;
    return a.alarmHandle == 0 || a.alarmTime == b.alarmTime;
}

MergeReport MergeMemoLists(const MemoList* base, MemoList& ours, const MemoList& theirs,
                           MergedAlarms* alarms, std::string& cause) {
    const IndexedList baseMemos(base);
    const IndexedList ourMemos(&ours);
    const IndexedList theirMemos(&theirs);
    const auto changedSince = [&](const MemoKey& key, const MemoEntry& memo) {
        const MemoEntry* before = baseMemos.Find(key);
        return before == nullptr || !SameMemo(*before, memo);
    };

    MergeReport report;
    MergedOrder order;
    // Where each of our memos stands in the merged list, and where a memo of
    // ours that followed it goes: after theirs when both are kept.
    ByKey<MergedOrder::Place> ourPlace;
    ByKey<MergedOrder::Place> followedBy;
    std::vector<std::uint32_t> withdrawn;

    for (const auto& [key, their] : theirMemos.Order()) {
        const MemoEntry* our = ourMemos.Find(key);
        const bool theirsChanged = changedSince(key, *their);
        if (our == nullptr) {
            // Added there, or deleted here but changed there: kept. Deleted
            // here and unchanged there: gone.
            if (theirsChanged) {
                order.Add({their, HandleRule::Adopted});
                ++report.changedElsewhere;
            }
            continue;
        }
        if (!theirsChanged || SameMemo(*our, *their)) {
            ourPlace[key] = followedBy[key] = order.Add({our});
        } else if (!changedSince(key, *our)) {
            const bool sameAlarm = SameAlarm(*our, *their);
            if (!sameAlarm && our->alarmHandle != 0) withdrawn.push_back(our->alarmHandle);
            ourPlace[key] = followedBy[key] =
                order.Add({their, sameAlarm ? HandleRule::OursKept : HandleRule::Adopted, our->alarmHandle});
            ++report.changedElsewhere;
        } else {
            ourPlace[key] = order.Add({our});
            followedBy[key] = order.Add({their, HandleRule::Adopted});
            ++report.changedElsewhere;
        }
    }

    // Our memos that theirs lacks: added here, or deleted there.
    MergedOrder::Place anchor = order.Front();
    // The current memo's place, or the place after which it stood.
    MergedOrder::Place current = order.Front();
    bool currentGone = false;
    for (const auto& [key, our] : ourMemos.Order()) {
        const bool isCurrent = our == ours.Current();
        if (const auto placed = followedBy.find(key); placed != followedBy.end()) {
            anchor = placed->second;
            if (isCurrent) current = ourPlace[key];
            continue;
        }
        if (baseMemos.Find(key) == nullptr || changedSince(key, *our)) {
            anchor = order.AddAfter(anchor, {our});
            if (isCurrent) current = anchor;
            continue;
        }
        // Deleted there, unchanged here: it goes, and the memo that now
        // follows its place is shown instead.
        if (our->alarmHandle != 0) withdrawn.push_back(our->alarmHandle);
        ++report.changedElsewhere;
        if (isCurrent) {
            current = anchor;
            currentGone = true;
        }
    }

    if (order.Count() == 0 || order.Count() > MemoList::kMaxCount) {
        cause = order.Count() == 0 ? "the merged list would hold no memo"
                                   : "the merged list would hold more than " +
                                         std::to_string(MemoList::kMaxCount) + " memos";
        return {};
    }
    const std::vector<const Item*> items = order.Items();
    std::vector<const MemoEntry*> entries;
    entries.reserve(items.size());
    for (const Item* item : items) entries.push_back(item->entry);
    // Taken after every memo is placed: a memo of ours placed later may go
    // before it.
    const std::size_t distance = order.DistanceOf(current) + (currentGone ? 1 : 0);
    const std::size_t currentPosition = std::min(std::max<std::size_t>(distance, 1), entries.size()) - 1;
    if (ours.Assign(entries, currentPosition) == 0) {
        cause = "not enough memory to merge the memos";
        return {};
    }

    std::size_t index = 0;
    for (MemoEntry* memo = ours.First(); memo != nullptr; memo = ours.NextOf(memo), ++index) {
        const Item& item = *items[index];
        if (item.handle == HandleRule::OursKept) {
            memo->alarmHandle = item.ourHandle;
        } else if (item.handle == HandleRule::Adopted && memo->alarmHandle != 0 && alarms != nullptr) {
            alarms->Adopt(*memo);
        }
    }
    if (alarms != nullptr) {
        for (const std::uint32_t handle : withdrawn) alarms->Withdraw(handle);
    }
    report.merged = true;
    return report;
}

}  // namespace tavrin
