// Memo lists written as short sketches, for tests that compare lists memo by
// memo: "a1 *b2@5 c1" is three memos a, b and c (created 10:00:00, :01 and
// :02), with pages in versions 1, 2 and 1 (whole pages of one palette color
// each), b current, with an alarm at 11:05 whose handle the list's side gave.
// Handles are side * 1000 + the alarm's minute: side 2 is this machine
// ("@5"), side 3 another ("@5t"), side 9 a handle given by a merge ("@5n").
#pragma once

#include <cstdint>
#include <memory>
#include <sstream>
#include <string>
#include <string_view>

#include "platform/drawing.h"
#include "store/memo_list.h"
#include "support/page_pixels.h"

namespace tavrin::testing {

inline constexpr std::uint32_t kThisMachine = 2;
inline constexpr std::uint32_t kOtherMachine = 3;
inline constexpr std::uint32_t kMergedIn = 9;

inline SYSTEMTIME SketchCreated(char letter) {
    return {2024, 5, 3, 1, 10, 0, static_cast<std::uint16_t>(letter - 'a'), 0};
}

inline SYSTEMTIME SketchAlarm(std::uint16_t minute) { return {2030, 1, 2, 1, 11, minute, 0, 0}; }

// A page in palette color `version`, as the notepad stores it.
inline void DrawSketchPage(MemoEntry& memo, int version) {
    const auto context = platform::GetScreenContext()->CreateCompatibleContext();
    const auto bitmap = context->CreateCompatibleBitmap(kPageWidth, kPageHeight);
    platform::Bitmap* previous = context->SelectBitmap(bitmap.get());
    const platform::RgbQuad& color = PenPalette[static_cast<std::size_t>(version)];
    const auto brush = platform::CreateSolidBrush(MakeColor(color.red, color.green, color.blue));
    context->FillRect({0, 0, kPageWidth, kPageHeight}, *brush);
    memo.page.Capture(*context, 0, 0, kPageWidth, kPageHeight);
    context->SelectBitmap(previous);
}

inline std::unique_ptr<MemoList> SketchList(std::string_view sketch, std::uint32_t side = kThisMachine) {
    auto list = std::make_unique<MemoList>();
    std::istringstream words{std::string(sketch)};
    std::string word;
    bool first = true;
    const MemoEntry* current = nullptr;
    while (words >> word) {
        const bool isCurrent = word[0] == '*';
        if (isCurrent) word.erase(0, 1);
        MemoEntry& memo = first ? *list->Current() : *list->Append();
        first = false;
        memo.created = SketchCreated(word[0]);
        DrawSketchPage(memo, word[1] - '0');
        if (const std::size_t at = word.find('@'); at != std::string::npos) {
            const auto minute = static_cast<std::uint16_t>(std::stoi(word.substr(at + 1)));
            memo.SetAlarm(side * 1000 + minute, SketchAlarm(minute));
        }
        if (isCurrent) current = &memo;
    }
    list->SeekTo(current != nullptr ? current : list->First());
    return list;
}

inline std::string Sketch(const MemoList& list) {
    std::string sketch;
    for (const MemoEntry* memo = list.First(); memo != nullptr; memo = list.NextOf(memo)) {
        if (!sketch.empty()) sketch += ' ';
        if (memo == list.Current()) sketch += '*';
        sketch += static_cast<char>('a' + memo->created.second);
        sketch += std::to_string(PagePixels(memo->page).IndexAt(0, 0));
        if (memo->alarmHandle != 0) {
            sketch += '@' + std::to_string(memo->alarmTime.minute);
            const std::uint32_t side = memo->alarmHandle / 1000;
            if (side == kOtherMachine) sketch += 't';
            if (side == kMergedIn) sketch += 'n';
            if (side != kThisMachine && side != kOtherMachine && side != kMergedIn) sketch += '?';
        }
    }
    return sketch;
}

}  // namespace tavrin::testing
