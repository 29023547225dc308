// The memos: an ordered list with one current memo, never empty between
// operations.
#pragma once

#include <cstdint>
#include <list>

#include "platform/byte_file.h"
#include "platform/host_window.h"
#include "platform/types.h"
#include "store/page_image.h"

namespace tavrin {

// One memo. The first three fields, 36 bytes, are its record in the memo data
// file, stored byte for byte.
struct MemoEntry {
    MemoEntry();  // created = the local time now, no alarm, empty page

    SYSTEMTIME created;
    SYSTEMTIME alarmTime;         // counts only while alarmHandle is nonzero
    std::uint32_t alarmHandle = 0;  // 0: no alarm
    PageImage page;

    void SetAlarm(std::uint32_t handle, const SYSTEMTIME& time);
    // The record, then the page; 0 when the record can't be read, else the page's result.
    int Load(platform::ByteFile& file, platform::HostWindow* owner,
             PageLoadNotes* notes = nullptr);
    // The record, then (if that worked) the page; nonzero when both were written.
    int Save(platform::ByteFile& file) const;
};

// What MemoList::Load saw, for tools that report on files.
struct ListLoadNotes {
    bool headerRead = false;
    std::uint16_t storedCount = 0;
    std::uint16_t storedCurrentPosition = 0;
    // One per record attempted, in file order.
    std::list<PageLoadNotes> pages;
};

class MemoList {
public:
    static constexpr std::uint16_t kMaxCount = 65535;

    MemoList();  // one new memo, current, at position 1
    MemoList(const MemoList&) = delete;
    MemoList& operator=(const MemoList&) = delete;

    std::uint16_t Count() const;
    std::uint16_t CurrentIndex() const;  // 1-based
    MemoEntry* First();
    MemoEntry* Current();
    MemoEntry* Last();
    const MemoEntry* First() const;
    const MemoEntry* Current() const;
    const MemoEntry* Last() const;
    // The entry after `entry`, or null at the end.
    MemoEntry* NextOf(const MemoEntry* entry);
    const MemoEntry* NextOf(const MemoEntry* entry) const;

    void RemoveAll();
    // Each returns the new entry, now current, or null (nothing changed) when
    // memory can't be had or the list already holds kMaxCount memos.
    MemoEntry* InsertBefore();
    MemoEntry* InsertAfter();
    MemoEntry* Append();
    void DeleteCurrent();
    int Previous();
    int Next();
    void Rewind();
    int SeekTo(const MemoEntry* entry);

    // The list part of the memo data file (everything after the magic).
    int Load(platform::ByteFile& file, platform::HostWindow* owner,
             ListLoadNotes* notes = nullptr);
    int Save(platform::ByteFile& file) const;
};

}  // namespace tavrin
