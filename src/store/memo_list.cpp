#include "store/memo_list.h"

#include <array>
#include <atomic>
#include <memory>
#include <new>
#include <optional>
#include <system_error>
#include <thread>
#include <utility>
#include <vector>

#include "store/little_endian.h"

namespace tavrin {
namespace {

constexpr std::size_t kTimeSize = 16;
constexpr std::size_t kListHeaderSize = 4;

void PutTime(std::uint8_t* out, const SYSTEMTIME& time) {
    const std::array<std::uint16_t, 8> fields = {time.year,   time.month,  time.dayOfWeek,
                                                 time.day,    time.hour,   time.minute,
                                                 time.second, time.milliseconds};
    for (std::uint16_t field : fields) {
        PutU16(out, field);
        out += 2;
    }
}

SYSTEMTIME GetTime(const std::uint8_t* in) {
    SYSTEMTIME time;
    for (std::uint16_t* field : {&time.year, &time.month, &time.dayOfWeek, &time.day,
                                 &time.hour, &time.minute, &time.second, &time.milliseconds}) {
        *field = GetU16(in);
        in += 2;
    }
    return time;
}

// Walks the items of the pages a load has read, on a thread of its own a
// page or so behind the reading, so that on a machine with a second core the
// walk costs the load hardly any time. Pages are checked in the order they
// were added; the first that fails stops the checking, and the reading soon
// after (it asks Failed()). A small file is checked on the reading's thread:
// a thread isn't worth it.
class PageChecker {
public:
    explicit PageChecker(std::size_t most) : pages_(most) {}
    ~PageChecker() { Finish(); }
    PageChecker(const PageChecker&) = delete;
    PageChecker& operator=(const PageChecker&) = delete;

    void Add(PageImage& page, PageLoadNotes* notes) {
        const std::size_t index = added_++;
        pages_[index] = {&page, notes};
        if (index == kPagesBeforeThread) {
            StartThread(index);
        }
        if (!worker_.joinable()) {
            Check(index);
        } else if (added_ % kPagesPerWake == 0) {
            published_.store(added_, std::memory_order_release);
            published_.notify_one();
        }
    }
    bool Failed() const { return firstFailed_.load(std::memory_order_acquire) != kNone; }
    // Waits for every page added to be checked: the position of the first
    // that failed, if one did.
    std::optional<std::size_t> Finish() {
        if (worker_.joinable()) {
            published_.store(added_ | kDone, std::memory_order_release);
            published_.notify_one();
            worker_.join();
        }
        const std::size_t failed = firstFailed_.load(std::memory_order_acquire);
        return failed != kNone ? std::optional(failed) : std::nullopt;
    }

private:
    static constexpr std::size_t kPagesBeforeThread = 64;
    // The thread is handed pages in batches: waking it for each page would
    // cost a system call a page, more than checking the page.
    static constexpr std::size_t kPagesPerWake = 32;
    static constexpr std::size_t kDone = ~(~std::size_t{0} >> 1);
    static constexpr std::size_t kNone = ~std::size_t{0};

    struct Page {
        PageImage* image = nullptr;
        PageLoadNotes* notes = nullptr;
    };

    void StartThread(std::size_t first) {
        published_.store(first, std::memory_order_relaxed);
        try {
            worker_ = std::thread([this, first] { Run(first); });
        } catch (const std::system_error&) {
            // Without a thread every page is checked as it is read.
        }
    }
    void Run(std::size_t next) {
        for (;;) {
            const std::size_t published = published_.load(std::memory_order_acquire);
            for (; next < (published & ~kDone); ++next) {
                if (!Check(next)) {
                    return;
                }
            }
            if ((published & kDone) != 0) {
                return;
            }
            published_.wait(published, std::memory_order_acquire);
        }
    }
    bool Check(std::size_t index) {
        if (Failed()) {
            return false;
        }
        if (pages_[index].image->CheckItems(pages_[index].notes) != 0) {
            return true;
        }
        firstFailed_.store(index, std::memory_order_release);
        return false;
    }

    // Sized once: the thread reads entries while the reading adds more.
    std::vector<Page> pages_;
    std::size_t added_ = 0;
    std::atomic<std::size_t> published_{0};
    std::atomic<std::size_t> firstFailed_{kNone};
    std::thread worker_;
};

int OutOfMemory(ListLoadNotes* notes) {
    if (notes != nullptr) {
        notes->outOfMemory = true;
    }
    return 0;
}

}  // namespace

MemoEntry::MemoEntry(const SYSTEMTIME& createdAt) : created(createdAt) {}

void MemoEntry::SetAlarm(std::uint32_t handle, const SYSTEMTIME& time) {
    alarmHandle = handle;
    alarmTime = time;
}

int MemoEntry::Load(platform::ByteFile& file, PageDataArena& room, RecordLoadNotes* notes) {
    std::array<std::uint8_t, kRecordSize> record;
    if (!file.Read(record.data(), record.size())) {
        return 0;
    }
    created = GetTime(record.data());
    alarmTime = GetTime(record.data() + kTimeSize);
    alarmHandle = GetU32(record.data() + 2 * kTimeSize);
    const int result = page.ReadBlock(file, room, notes != nullptr ? &notes->page : nullptr);
    if (notes != nullptr) {
        notes->recordRead = true;
        notes->pageRead = result != 0;
    }
    return result;
}

int MemoEntry::Save(platform::ByteFile& file) const {
    std::array<std::uint8_t, kRecordSize> record;
    PutTime(record.data(), created);
    PutTime(record.data() + kTimeSize, alarmTime);
    PutU32(record.data() + 2 * kTimeSize, alarmHandle);
    if (!file.Write(record.data(), record.size())) {
        return 0;
    }
    return page.Save(file);
}

MemoList::MemoList(const platform::Clock& clock) : clock_(clock) {
    LinkBeforeCurrent(new MemoEntry(clock_.Now()));
}

MemoList::~MemoList() { RemoveAll(); }

void MemoList::Swap(MemoList& other) {
    std::swap(count_, other.count_);
    std::swap(currentIndex_, other.currentIndex_);
    std::swap(first_, other.first_);
    std::swap(current_, other.current_);
    std::swap(last_, other.last_);
}

int MemoList::Assign(const std::vector<const MemoEntry*>& entries, std::size_t current) {
    if (entries.empty() || entries.size() > kMaxCount || current >= entries.size()) {
        return 0;
    }
    // The copies are made before the old memos go, so that a failure
    // changes nothing.
    MemoList copies(clock_);
    copies.RemoveAll();
    for (const MemoEntry* entry : entries) {
        auto* copy = new (std::nothrow) MemoEntry(entry->created);
        if (copy == nullptr) {
            return 0;
        }
        copy->SetAlarm(entry->alarmHandle, entry->alarmTime);
        copy->page.ShareFrom(entry->page);
        copies.current_ = copies.last_;
        copies.LinkAfterCurrent(copy);
    }
    copies.Rewind();
    for (std::size_t i = 0; i < current; ++i) {
        copies.Next();
    }
    Swap(copies);
    return 1;
}

int MemoList::CopyOf(const MemoList& other) {
    std::vector<const MemoEntry*> entries;
    std::size_t current = 0;
    for (const MemoEntry* entry = other.first_; entry != nullptr; entry = entry->next_) {
        if (entry == other.current_) {
            current = entries.size();
        }
        entries.push_back(entry);
    }
    return Assign(entries, current);
}

void MemoList::KeepFirst(std::size_t count) {
    while (count_ > count) {
        MemoEntry* gone = std::exchange(last_, last_->prev_);
        last_->next_ = nullptr;
        delete gone;
        --count_;
    }
    current_ = last_;
    currentIndex_ = count_;
}

void MemoList::RemoveAll() {
    // Iterative, so that a list of any length is freed without deep recursion.
    while (first_ != nullptr) {
        delete std::exchange(first_, first_->next_);
    }
    current_ = nullptr;
    last_ = nullptr;
    count_ = 0;
    currentIndex_ = 0;
}

MemoEntry* MemoList::NewEntry() const {
    // The 16-bit count and position have no room for more memos.
    if (count_ == kMaxCount) {
        return nullptr;
    }
    return new (std::nothrow) MemoEntry(clock_.Now());
}

MemoEntry* MemoList::LinkBeforeCurrent(MemoEntry* entry) {
    ++count_;
    if (current_ != nullptr) {
        entry->prev_ = current_->prev_;
        entry->next_ = current_;
        current_->prev_ = entry;
        (entry->prev_ != nullptr ? entry->prev_->next_ : first_) = entry;
    } else {
        first_ = entry;
        last_ = entry;
        currentIndex_ = 1;
    }
    current_ = entry;
    return entry;
}

MemoEntry* MemoList::LinkAfterCurrent(MemoEntry* entry) {
    ++count_;
    if (current_ != nullptr) {
        entry->next_ = current_->next_;
        entry->prev_ = current_;
        current_->next_ = entry;
        (entry->next_ != nullptr ? entry->next_->prev_ : last_) = entry;
    } else {
        first_ = entry;
        last_ = entry;
    }
    ++currentIndex_;
    current_ = entry;
    return entry;
}

MemoEntry* MemoList::InsertBefore() {
    MemoEntry* entry = NewEntry();
    return entry != nullptr ? LinkBeforeCurrent(entry) : nullptr;
}

MemoEntry* MemoList::InsertAfter() {
    MemoEntry* entry = NewEntry();
    return entry != nullptr ? LinkAfterCurrent(entry) : nullptr;
}

MemoEntry* MemoList::Append() {
    MemoEntry* entry = NewEntry();
    if (entry == nullptr) {
        return nullptr;
    }
    current_ = last_;
    currentIndex_ = count_;
    return LinkAfterCurrent(entry);
}

int MemoList::DeleteCurrent() {
    if (current_ == nullptr) {
        return 0;
    }
    // The list is never left empty: the only memo gives way to a blank one,
    // which is made first so that a failure changes nothing.
    std::unique_ptr<MemoEntry> replacement;
    if (count_ == 1) {
        replacement.reset(new (std::nothrow) MemoEntry(clock_.Now()));
        if (replacement == nullptr) {
            return 0;
        }
    }
    MemoEntry* removed = current_;
    (removed->prev_ != nullptr ? removed->prev_->next_ : first_) = removed->next_;
    (removed->next_ != nullptr ? removed->next_->prev_ : last_) = removed->prev_;
    current_ = removed->next_ != nullptr ? removed->next_ : removed->prev_;
    delete removed;
    --count_;
    if (currentIndex_ > count_) {
        currentIndex_ = count_;
    }
    if (replacement != nullptr) {
        LinkBeforeCurrent(replacement.release());
    }
    return 1;
}

int MemoList::Previous() {
    if (current_->prev_ == nullptr) {
        return 0;
    }
    current_ = current_->prev_;
    --currentIndex_;
    return 1;
}

int MemoList::Next() {
    if (current_->next_ == nullptr) {
        return 0;
    }
    current_ = current_->next_;
    ++currentIndex_;
    return 1;
}

void MemoList::Rewind() {
    current_ = first_;
    currentIndex_ = 1;
}

int MemoList::SeekTo(const MemoEntry* entry) {
    Rewind();
    while (current_ != entry) {
        if (Next() == 0) {
            return 0;
        }
    }
    return 1;
}

int MemoList::Load(platform::ByteFile& file, ListLoadNotes* notes) {
    std::array<std::uint8_t, kListHeaderSize> header;
    if (!file.Read(header.data(), header.size())) {
        return 0;
    }
    const std::uint16_t storedCount = GetU16(header.data());
    const std::uint16_t storedPosition = GetU16(header.data() + 2);
    if (notes != nullptr) {
        notes->headerRead = true;
        notes->storedCount = storedCount;
        notes->storedCurrentPosition = storedPosition;
    }
    // The memo the list falls back to when the file yields none, made before
    // the old memos go so that the list is never left empty.
    std::unique_ptr<MemoEntry> fallback(new (std::nothrow) MemoEntry(clock_.Now()));
    if (fallback == nullptr) {
        return OutOfMemory(notes);
    }
    // Room for every page's check and notes, taken before the old memos go.
    std::optional<PageChecker> checking;
    try {
        checking.emplace(storedCount);
        if (notes != nullptr) {
            // The checker's thread writes into the page notes while records
            // are added: they must never move.
            notes->records.reserve(notes->records.size() + storedCount);
        }
    } catch (const std::bad_alloc&) {
        return OutOfMemory(notes);
    }
    PageChecker& checker = *checking;
    RemoveAll();
    MemoEntry* storedCurrent = nullptr;
    PageDataArena room;
    int result = 1;
    for (std::uint16_t i = 0; i < storedCount && result != 0 && !checker.Failed(); ++i) {
        MemoEntry* entry = InsertAfter();
        if (entry == nullptr) {
            // Skipping a record would shift every later memo into the wrong
            // place, so reading ends here as with an unreadable record.
            result = OutOfMemory(notes);
            break;
        }
        RecordLoadNotes* record = notes != nullptr ? &notes->records.emplace_back() : nullptr;
        result = entry->Load(file, room, record);
        if (result != 0) {
            checker.Add(entry->page, record != nullptr ? &record->page : nullptr);
        }
        if (record != nullptr && record->page.outOfMemory) {
            OutOfMemory(notes);
        }
        if (i == storedPosition) {
            storedCurrent = entry;
        }
    }
    if (const std::optional<std::size_t> failed = checker.Finish()) {
        // A page whose items don't fit it ends the reading there, as a page
        // that can't be read does: whatever was read after it is dropped.
        result = 0;
        KeepFirst(*failed + 1);
        if (*failed < storedPosition) {
            storedCurrent = nullptr;
        }
        if (notes != nullptr) {
            notes->records.resize(*failed + 1);
            notes->records.back().pageRead = false;
            notes->outOfMemory = false;
        }
    }
    if (count_ == 0) {
        LinkAfterCurrent(fallback.release());
    } else if (storedCurrent != nullptr) {
        current_ = storedCurrent;
        currentIndex_ = static_cast<std::uint16_t>(storedPosition + 1);
    }
    // Otherwise (a stored position at or past the memos read) the last memo
    // read stays current, as InsertAfter left it: where reading ended.
    return result;
}

int MemoList::Save(platform::ByteFile& file) const {
    std::array<std::uint8_t, kListHeaderSize> header;
    PutU16(header.data(), count_);
    PutU16(header.data() + 2, static_cast<std::uint16_t>(currentIndex_ - 1));
    if (!file.Write(header.data(), header.size())) {
        return 0;
    }
    for (const MemoEntry* entry = first_; entry != nullptr; entry = entry->next_) {
        if (entry->Save(file) == 0) {
            return 0;
        }
    }
    return 1;
}

}  // namespace tavrin
