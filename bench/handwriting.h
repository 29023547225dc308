// Pages of typical handwriting for the benchmarks: ten lines of words, each
// word small connected strokes, in one of a few pen colors and widths, much
// as the notepad's users write.
#pragma once

#include <map>
#include <memory>
#include <random>

#include "platform/drawing.h"
#include "store/memo_list.h"

namespace tavrin::bench {

inline Color PaletteColor(std::size_t index) {
    const platform::RgbQuad& entry = PenPalette[index];
    return MakeColor(entry.red, entry.green, entry.blue);
}

inline void WritePage(platform::DrawingContext& context, std::mt19937& random) {
    context.FillWhite({0, 0, kPageWidth, kPageHeight});
    std::uniform_int_distribution<std::int32_t> step(2, 5);
    std::uniform_int_distribution<std::int32_t> rise(-6, 6);
    std::uniform_int_distribution<std::int32_t> wordLength(12, 40);
    std::uniform_int_distribution<std::size_t> color(0, 3);
    std::uniform_int_distribution<std::int32_t> width(1, 3);
    constexpr std::size_t kInks[] = {0, 1, 9, 12};
    for (std::int32_t baseline = 40; baseline < kPageHeight - 20; baseline += 28) {
        const auto pen = platform::CreatePen(width(random), PaletteColor(kInks[color(random)]));
        platform::Pen* previous = context.SelectPen(pen.get());
        for (std::int32_t word = 10; word < kPageWidth - 30;) {
            const std::int32_t end = word + wordLength(random);
            std::int32_t x = word;
            std::int32_t y = baseline;
            while (x < end) {
                const std::int32_t nextX = x + step(random);
                const std::int32_t nextY = baseline + rise(random);
                context.Line(x, y, nextX, nextY);
                x = nextX;
                y = nextY;
            }
            word = x + 8;
        }
        context.SelectPen(previous);
    }
}

// A list of `count` handwritten memos.
inline std::unique_ptr<MemoList> MakeHandwritingList(int count) {
    auto list = std::make_unique<MemoList>();
    const auto context = platform::GetScreenContext()->CreateCompatibleContext();
    const auto bitmap = context->CreateCompatibleBitmap(kPageWidth, kPageHeight);
    platform::Bitmap* previous = context->SelectBitmap(bitmap.get());
    std::mt19937 random(20240304);
    for (int i = 0; i < count; ++i) {
        MemoEntry* entry = i == 0 ? list->First() : list->Append();
        WritePage(*context, random);
        entry->page.Capture(*context, 0, 0, kPageWidth, kPageHeight);
    }
    context->SelectBitmap(previous);
    return list;
}

// The same, drawn once per count and kept.
inline const MemoList& HandwritingList(int count) {
    static std::map<int, std::unique_ptr<MemoList>> lists;
    std::unique_ptr<MemoList>& list = lists[count];
    if (list == nullptr) list = MakeHandwritingList(count);
    return *list;
}

}  // namespace tavrin::bench
