// tavrin-file demo: a sample file of four drawn memos.
#include <cmath>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>
#include <system_error>
#include <vector>

#include "platform/byte_file.h"
#include "platform/drawing.h"
#include "store/memo_file.h"
#include "store/memo_list.h"
#include "store/page_image.h"
#include "tools/commands.h"

namespace tavrin::file_tool {
namespace {

// Draws handwriting-like strokes on a white 240 × 320 page.
class Sketch {
public:
    Sketch()
        : context_(platform::GetScreenContext()->CreateCompatibleContext()),
          bitmap_(context_->CreateCompatibleBitmap(kPageWidth, kPageHeight)),
          previousBitmap_(context_->SelectBitmap(bitmap_.get())) {}
    ~Sketch() { context_->SelectBitmap(previousBitmap_); }
    Sketch(const Sketch&) = delete;
    Sketch& operator=(const Sketch&) = delete;

    bool Ready() const { return bitmap_ != nullptr; }
    void Clear() { context_->FillWhite({0, 0, kPageWidth, kPageHeight}); }

    void Stroke(const std::vector<Point>& points, std::int32_t width, std::uint8_t color) {
        const auto pen = platform::CreatePen(width, ColorOf(color));
        platform::Pen* previous = context_->SelectPen(pen.get());
        for (std::size_t i = 1; i < points.size(); ++i) {
            context_->Line(points[i - 1].x, points[i - 1].y, points[i].x, points[i].y);
        }
        context_->SelectPen(previous);
    }

    void Ellipse(const Rect& box, std::int32_t width, std::uint8_t color, bool filled) {
        const auto pen = platform::CreatePen(width, ColorOf(color));
        const auto brush = platform::CreateSolidBrush(ColorOf(filled ? color : kWhite));
        platform::Pen* previousPen = context_->SelectPen(pen.get());
        platform::Brush* previousBrush = context_->SelectBrush(brush.get());
        context_->Ellipse(box);
        context_->SelectBrush(previousBrush);
        context_->SelectPen(previousPen);
    }

    bool CaptureInto(PageImage& page) const {
        return page.Capture(*context_, 0, 0, kPageWidth, kPageHeight) != 0;
    }

    // A line of "writing": loops of changing height along the baseline, the
    // curve a pen traces when it circles while moving right.
    void Writing(std::int32_t left, std::int32_t right, std::int32_t baseline,
                 std::uint8_t color) {
        std::vector<Point> points;
        for (double t = 0;; t += 0.35) {
            const double x = left + 2.2 * t - 4.0 * std::sin(t);
            if (x > right) {
                break;
            }
            const double height = 5.0 + 2.5 * std::sin(t * 0.37);
            const double y = baseline - height * (1.0 - std::cos(t));
            points.push_back({static_cast<std::int32_t>(std::lround(x)),
                              static_cast<std::int32_t>(std::lround(y))});
        }
        Stroke(points, 1, color);
    }

    static constexpr std::uint8_t kWhite = 15;

private:
    static Color ColorOf(std::uint8_t index) {
        const platform::RgbQuad& entry = PenPalette[index];
        return MakeColor(entry.red, entry.green, entry.blue);
    }

    std::unique_ptr<platform::DrawingContext> context_;
    std::unique_ptr<platform::Bitmap> bitmap_;
    platform::Bitmap* previousBitmap_;
};

// Palette indices the demo draws with.
constexpr std::uint8_t kBlack = 0;
constexpr std::uint8_t kDarkBlue = 1;
constexpr std::uint8_t kGreen = 2;
constexpr std::uint8_t kRed = 12;
constexpr std::uint8_t kBlue = 9;
constexpr std::uint8_t kMagenta = 13;
constexpr std::uint8_t kMaroon = 4;

void DrawShoppingList(Sketch& sketch) {
    for (std::int32_t row = 0; row < 4; ++row) {
        const std::int32_t top = 60 + row * 50;
        sketch.Stroke({{20, top}, {40, top}, {40, top + 20}, {20, top + 20}, {20, top}}, 1,
                      kBlack);
        if (row != 2) {
            sketch.Stroke({{23, top + 10}, {29, top + 17}, {44, top - 4}}, 3, kGreen);
        }
        sketch.Writing(55, 200 - row * 20, top + 12, kDarkBlue);
    }
}

void DrawFace(Sketch& sketch) {
    sketch.Ellipse({40, 70, 200, 230}, 3, kBlue, false);
    sketch.Ellipse({80, 115, 96, 131}, 1, kBlack, true);
    sketch.Ellipse({144, 115, 160, 131}, 1, kBlack, true);
    std::vector<Point> smile;
    for (std::int32_t degrees = 200; degrees <= 340; degrees += 10) {
        const double angle = degrees * 3.14159265358979 / 180.0;
        smile.push_back({120 + static_cast<std::int32_t>(std::lround(50 * std::cos(angle))),
                         150 - static_cast<std::int32_t>(std::lround(45 * std::sin(angle)))});
    }
    sketch.Stroke(smile, 4, kRed);
    sketch.Writing(60, 180, 270, kBlack);
}

void DrawClock(Sketch& sketch) {
    sketch.Ellipse({50, 60, 190, 200}, 2, kMaroon, false);
    sketch.Stroke({{120, 130}, {120, 80}}, 4, kRed);
    sketch.Stroke({{120, 130}, {160, 150}}, 3, kRed);
    sketch.Ellipse({117, 127, 124, 134}, 1, kRed, true);
    sketch.Writing(30, 210, 240, kBlack);
    sketch.Stroke({{30, 260}, {210, 262}}, 1, kMaroon);
}

void DrawSpiral(Sketch& sketch) {
    std::vector<Point> spiral;
    for (std::int32_t step = 0; step < 160; ++step) {
        const double angle = step * 0.2;
        const double radius = 4 + step * 0.55;
        spiral.push_back({120 + static_cast<std::int32_t>(std::lround(radius * std::cos(angle))),
                          140 + static_cast<std::int32_t>(std::lround(radius * std::sin(angle)))});
    }
    sketch.Stroke(spiral, 2, kMagenta);
    sketch.Stroke({{40, 280}, {70, 250}, {100, 290}, {130, 255}, {160, 285}, {200, 260}}, 5,
                  kGreen);
}

}  // namespace

int Demo(const std::string& path) {
    struct DemoMemo {
        SYSTEMTIME created;
        void (*draw)(Sketch&);
    };
    const DemoMemo memos[] = {
        {{2024, 3, 1, 4, 9, 15, 0, 0}, DrawShoppingList},
        {{2024, 3, 2, 5, 13, 42, 30, 250}, DrawFace},
        {{2024, 3, 3, 6, 18, 5, 12, 500}, DrawClock},
        {{2024, 3, 5, 8, 7, 30, 0, 0}, DrawSpiral},
    };
    constexpr std::size_t kCurrent = 2;  // the memo with the alarm
    Sketch sketch;
    if (!sketch.Ready()) {
        PrintError("Could not make a drawing surface for the demo pages");
        return kExitFailure;
    }
    MemoList list;
    MemoEntry* current = nullptr;
    for (std::size_t i = 0; i < std::size(memos); ++i) {
        sketch.Clear();
        memos[i].draw(sketch);
        MemoEntry* entry = i == 0 ? list.First() : list.Append();
        if (entry == nullptr || !sketch.CaptureInto(entry->page)) {
            PrintError("Not enough memory for the demo memos");
            return kExitFailure;
        }
        entry->created = memos[i].created;
        if (i == kCurrent) {
            entry->SetAlarm(0x00000101, {2024, 3, 4, 7, 8, 0, 0, 0});
            current = entry;
        }
    }
    list.SeekTo(current);

    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code made;
    if (!folder.empty()) {
        std::filesystem::create_directories(folder, made);
    }
    if (made) {
        PrintError("Could not make " + folder.string() + ": " + made.message());
        return kExitFailure;
    }
    MemoFile file(platform::LocalFileSystem());
    if (file.Save(list, path) == 0) {
        PrintError(file.LastError());
        return kExitFailure;
    }
    std::cout << "Wrote " << list.Count() << " memos to " << path << '\n';
    return kExitSuccess;
}

}  // namespace tavrin::file_tool
