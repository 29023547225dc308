// The memos: an ordered list with one current memo, never empty between
// operations.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "platform/byte_file.h"
#include "platform/clock.h"
#include "platform/types.h"
#include "store/page_image.h"

namespace tavrin {

// What MemoEntry::Load saw of one memo.
struct RecordLoadNotes {
    bool recordRead = false;  // the 36-byte record was there whole
    bool pageRead = false;    // the page's Load succeeded
    PageLoadNotes page;
};

// One memo. The first three fields, 36 bytes, are its record in the memo data
// file: the two times as eight little-endian 16-bit fields each, then the
// alarm handle as a little-endian 32-bit value.
struct MemoEntry {
    static constexpr std::size_t kRecordSize = 36;

    explicit MemoEntry(const SYSTEMTIME& createdAt);  // no alarm, empty page
    MemoEntry(const MemoEntry&) = delete;
    MemoEntry& operator=(const MemoEntry&) = delete;

    SYSTEMTIME created;
    SYSTEMTIME alarmTime;         // counts only while alarmHandle is nonzero
    std::uint32_t alarmHandle = 0;  // 0: no alarm
    PageImage page;

    void SetAlarm(std::uint32_t handle, const SYSTEMTIME& time);
    // The record, then the page's block, whose data goes into room taken
    // from `room`; 0 when either can't be read. The page's items are left to
    // its CheckItems.
    int Load(platform::ByteFile& file, PageDataArena& room, RecordLoadNotes* notes = nullptr);
    // The record, then (if that worked) the page; nonzero when both were written.
    int Save(platform::ByteFile& file) const;

private:
    friend class MemoList;
    MemoEntry* prev_ = nullptr;
    MemoEntry* next_ = nullptr;
};

// What reading a memo data file saw. MemoList::Load fills the header, the
// records and the memory failure; MemoFile adds the magic and the bytes left
// after the last record.
struct ListLoadNotes {
    bool magicMatched = false;
    bool headerRead = false;
    // Memory for a memo or for its page's data could not be had: reading
    // ended there.
    bool outOfMemory = false;
    std::uint16_t storedCount = 0;
    std::uint16_t storedCurrentPosition = 0;
    // One per record attempted, in file order.
    std::vector<RecordLoadNotes> records;
    // Bytes after the last record; counted only when every record was read.
    std::uint64_t trailingBytes = 0;
};

class MemoList {
public:
    static constexpr std::uint16_t kMaxCount = 65535;

    // One new memo, current, at position 1. New memos are stamped with the
    // clock's time; the clock must outlive the list.
    explicit MemoList(const platform::Clock& clock = platform::SystemClock());
    ~MemoList();
    MemoList(const MemoList&) = delete;
    MemoList& operator=(const MemoList&) = delete;

    std::uint16_t Count() const { return count_; }
    std::uint16_t CurrentIndex() const { return currentIndex_; }  // 1-based
    MemoEntry* First() { return first_; }
    MemoEntry* Current() { return current_; }
    MemoEntry* Last() { return last_; }
    const MemoEntry* First() const { return first_; }
    const MemoEntry* Current() const { return current_; }
    const MemoEntry* Last() const { return last_; }
    // The entry after `entry`, or null at the end.
    MemoEntry* NextOf(const MemoEntry* entry) { return entry->next_; }
    const MemoEntry* NextOf(const MemoEntry* entry) const { return entry->next_; }

    // Each returns the new entry, now current, or null (nothing changed) when
    // memory can't be had or the list already holds kMaxCount memos.
    MemoEntry* InsertBefore();
    MemoEntry* InsertAfter();
    MemoEntry* Append();
    // Removes the current memo; the only memo is replaced by a new blank one.
    // 0 (nothing changed) when that blank memo can't be had.
    int DeleteCurrent();
    int Previous();
    int Next();
    void Rewind();
    int SeekTo(const MemoEntry* entry);
    // Exchanges the memos, current memo included, of the two lists; each
    // keeps its clock.
    void Swap(MemoList& other);
    // Replaces the memos with copies of `entries`, in that order, which may
    // belong to any list (this one included); their pictures are shared, not
    // copied. The memo at `current` (0-based) becomes current. 0, with the
    // list as it was, for no entries, more than kMaxCount, a position past
    // them or memory that can't be had.
    int Assign(const std::vector<const MemoEntry*>& entries, std::size_t current);
    // Makes this list a copy of `other`, as Assign does.
    int CopyOf(const MemoList& other);

    // The list part of the memo data file (everything after the magic).
    // Nonzero when every record was read; the notes say where and why
    // reading ended otherwise.
    int Load(platform::ByteFile& file, ListLoadNotes* notes = nullptr);
    // Nonzero when everything was written.
    int Save(platform::ByteFile& file) const;

private:
    // Empties the list; only Load, which refills it at once, and the
    // destructor may leave it empty.
    void RemoveAll();
    // Drops every memo after the first `count` (at least 1); the last one left
    // is current.
    void KeepFirst(std::size_t count);
    MemoEntry* NewEntry() const;
    MemoEntry* LinkBeforeCurrent(MemoEntry* entry);
    MemoEntry* LinkAfterCurrent(MemoEntry* entry);

    const platform::Clock& clock_;
    std::uint16_t count_ = 0;
    std::uint16_t currentIndex_ = 0;
    MemoEntry* first_ = nullptr;
    MemoEntry* current_ = nullptr;
    MemoEntry* last_ = nullptr;
};

}  // namespace tavrin
