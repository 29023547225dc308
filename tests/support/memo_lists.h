// Helpers for tests and fuzzers of the memo list: tagged lists whose memos
// can be told apart, pages with known pixels, and a check that a list holds
// together.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/drawing.h"
#include "store/memo_list.h"
#include "store/page_image.h"

namespace tavrin::testing {

// Memos are told apart by their alarm handle: 1, 2, ... for the memos a test
// made, 0 for memos the list made itself.
inline std::vector<std::uint32_t> Tags(const MemoList& list) {
    std::vector<std::uint32_t> tags;
    for (const MemoEntry* entry = list.First(); entry != nullptr; entry = list.NextOf(entry)) {
        tags.push_back(entry->alarmHandle);
    }
    return tags;
}

// A list of memos tagged 1 to `count`, memo `current` (1-based) current.
inline std::unique_ptr<MemoList> MakeTaggedList(std::uint32_t count, std::uint32_t current) {
    auto list = std::make_unique<MemoList>();
    list->First()->alarmHandle = 1;
    for (std::uint32_t tag = 2; tag <= count; ++tag) {
        list->Append()->alarmHandle = tag;
    }
    list->Rewind();
    for (std::uint32_t position = 1; position < current; ++position) {
        list->Next();
    }
    return list;
}

inline Color ColorOf(const platform::RgbQuad& entry) {
    return MakeColor(entry.red, entry.green, entry.blue);
}

// Gives the memo a width × height page in the palette color of its tag,
// crossed by a black diagonal, so that pages differ and have inner structure.
inline void DrawTaggedPage(MemoEntry& entry, std::int32_t width, std::int32_t height) {
    const auto screen = platform::GetScreenContext();
    const auto context = screen->CreateCompatibleContext();
    const auto bitmap = context->CreateCompatibleBitmap(width, height);
    platform::Bitmap* previous = context->SelectBitmap(bitmap.get());
    const auto brush = platform::CreateSolidBrush(ColorOf(PenPalette[entry.alarmHandle % 16]));
    context->FillRect({0, 0, width, height}, *brush);
    context->Line(0, 0, width, height);
    entry.page.Capture(*context, 0, 0, width, height);
    context->SelectBitmap(previous);
}

inline void DrawTaggedPages(MemoList& list, std::int32_t width, std::int32_t height) {
    for (MemoEntry* entry = list.First(); entry != nullptr; entry = list.NextOf(entry)) {
        DrawTaggedPage(*entry, width, height);
    }
}

// What is wrong with the list's links, count and position; empty when the
// list holds together. Walks forward along the links and back with Previous,
// and leaves the same memo current.
inline std::string DescribeListProblem(MemoList& list) {
    if (list.Count() == 0 || list.First() == nullptr || list.Current() == nullptr) {
        return "the list is empty";
    }
    std::vector<MemoEntry*> entries;
    std::size_t currentPosition = 0;
    for (MemoEntry* entry = list.First(); entry != nullptr; entry = list.NextOf(entry)) {
        entries.push_back(entry);
        if (entry == list.Current()) {
            currentPosition = entries.size();
        }
    }
    if (entries.size() != list.Count()) {
        return "count " + std::to_string(list.Count()) + " but " +
               std::to_string(entries.size()) + " memos linked";
    }
    if (entries.back() != list.Last()) {
        return "last is not the end of the links";
    }
    if (currentPosition != list.CurrentIndex()) {
        return "current index " + std::to_string(list.CurrentIndex()) + " but current at " +
               std::to_string(currentPosition);
    }
    MemoEntry* const current = list.Current();
    list.SeekTo(list.Last());
    for (std::size_t i = entries.size() - 1; i > 0; --i) {
        if (list.Previous() == 0 || list.Current() != entries[i - 1]) {
            list.SeekTo(current);
            return "backward links differ at position " + std::to_string(i);
        }
    }
    const bool pastFirst = list.Previous() != 0;
    list.SeekTo(current);
    return pastFirst ? "a memo before the first" : "";
}

}  // namespace tavrin::testing
