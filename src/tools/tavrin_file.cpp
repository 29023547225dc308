// tavrin-file: describes, exports, checks and writes Tavrin memo data files,
// reading and writing them through the same store code as the programs.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <iostream>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "platform/byte_file.h"
#include "platform/drawing.h"
#include "platform/host_window.h"
#include "platform/image_file.h"
#include "store/memo_file.h"
#include "store/memo_list.h"
#include "store/page_image.h"

namespace tavrin {
namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitProblems = 1;
constexpr int kExitFailure = 2;  // wrong usage, or a file that can't be read or written

constexpr std::string_view kProgram = "tavrin-file";
constexpr std::int32_t kPageWidth = 240;
constexpr std::int32_t kPageHeight = 320;

constexpr std::string_view kUsage =
    "Usage: tavrin-file info FILE [--json]\n"
    "       tavrin-file export FILE DIR\n"
    "       tavrin-file check FILE\n"
    "       tavrin-file demo FILE\n"
    "       tavrin-file --help | --version\n";

constexpr std::string_view kHelp =
    "Describes, exports, checks and writes Tavrin memo data files.\n"
    "\n"
    "Commands:\n"
    "  info FILE        The memo count and current position as stored, and per memo\n"
    "                   its position (0-based, like the current position), creation\n"
    "                   and alarm times (YYYY-MM-DDTHH:MM:SS.mmm and the stored day\n"
    "                   of week), alarm handle, and page format, width, height and\n"
    "                   data length.\n"
    "       --json      The same as one JSON object: count, currentPosition and\n"
    "                   memos [position, created, alarmTime, alarmHandle, format,\n"
    "                   width, height, dataLength]. Times are strings in the form\n"
    "                   above without the day of week.\n"
    "  export FILE DIR  Writes each memo's page as DIR/memo-0001.png, memo-0002.png,\n"
    "                   ... in list order, at the page's own size, every pixel in its\n"
    "                   color-table color. A memo without a picture (never drawn,\n"
    "                   or its page can't be read) is written as a white 240 x 320\n"
    "                   page, as the programs show it, with a warning. DIR is made\n"
    "                   when it doesn't exist.\n"
    "  check FILE       Reads the whole file as the programs do and lists every\n"
    "                   problem found: a wrong magic, a header, record or page block\n"
    "                   cut short, a page that can't be read, page data that\n"
    "                   unpacks to another size than the page's, a count of 0, a\n"
    "                   current position past the memos, bytes after the last memo.\n"
    "  demo FILE        Writes a sample file of four drawn memos, the third current\n"
    "                   and carrying an alarm, replacing FILE; its folder is made\n"
    "                   when it doesn't exist.\n"
    "\n"
    "info and export report problems found on the way on standard error and still\n"
    "show or export what could be read.\n"
    "\n"
    "Exit status: 0 when all went well, 1 when the file has problems, 2 for wrong\n"
    "usage or a file that can't be opened or written.\n";

void PrintError(std::string_view message) {
    std::cerr << kProgram << ": " << message << '\n';
}

int UsageError(std::string_view message) {
    PrintError(message);
    std::cerr << kUsage << "Try 'tavrin-file --help' for more information.\n";
    return kExitFailure;
}

// The store's message boxes become problems in the tool's report.
class ReportingWindow final : public platform::HostWindow {
public:
    Rect ClientRect() const override { return {0, 0, kPageWidth, kPageHeight}; }
    void SetTitle(const std::string&) override {}
    void ShowMessage(const std::string& text, const std::string& caption,
                     platform::MessageIcon) override {
        messages.push_back(caption + ": " + text);
    }

    std::vector<std::string> messages;
};

// A memo data file as the programs read it, with what the reading saw.
struct LoadedFile {
    explicit LoadedFile(const std::string& file) : path(file) {}

    std::string path;
    ReportingWindow window;
    MemoList list;
    ListLoadNotes notes;
};

// Loads the file; false (after saying why) when it can't be opened or its
// first bytes can't be read.
bool Load(LoadedFile& loaded) {
    // The store shows this warning when the magic is wrong.
    MemoFile file(platform::LocalFileSystem(),
                  "it does not begin with \"" + std::string(kMemoFileMagic) +
                      "\": not a Tavrin memo data file, or damaged at its start");
    const FileLoadResult result =
        file.Load(loaded.list, loaded.path, &loaded.window, &loaded.notes);
    // A failure before the magic was even compared is a read error, not damage.
    if (!result.opened || (result.result == 0 && !loaded.notes.magicMatched)) {
        PrintError(file.LastError());
        return false;
    }
    return true;
}

std::string Format(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

std::string PageText(const PageLoadNotes& page) {
    return Format("format 0x%04X, %u x %u, dataLength %" PRIu32, page.header.format,
                  page.header.width, page.header.height, page.header.dataLength);
}

// What a page that did read shows that the programs never write.
void AddPageShapeProblems(const PageLoadNotes& page, const std::string& memo,
                          std::vector<std::string>& problems) {
    if (page.pixelBytesDelivered != page.pixelBytesExpected) {
        problems.push_back(memo + Format("its page data gives %zu pixel bytes, but a %u x %u "
                                         "page holds %zu",
                                         page.pixelBytesDelivered, page.header.width,
                                         page.header.height, page.pixelBytesExpected));
    }
    const unsigned unknownFormatBits = page.header.format & ~unsigned{kSavedFormat | 0xFF};
    if (unknownFormatBits != 0) {
        problems.push_back(memo + Format("its page format 0x%04X has bits the programs don't "
                                         "know (0x%04X); they are ignored",
                                         page.header.format, unknownFormatBits));
    }
    if (page.danglingCount) {
        problems.push_back(memo + "its packed data ends with a count byte without its value; "
                                  "the count is ignored");
    }
}

// Every problem the store raised a message for (the wrong magic among them),
// then every problem the notes show.
std::vector<std::string> FindProblems(const LoadedFile& loaded) {
    const ListLoadNotes& notes = loaded.notes;
    std::vector<std::string> problems = loaded.window.messages;
    if (!notes.magicMatched) {
        return problems;
    }
    if (!notes.headerRead) {
        problems.push_back("the memo count and current position are cut short");
        return problems;
    }
    const unsigned count = notes.storedCount;
    if (count == 0) {
        problems.push_back("the memo count is 0; the programs never write an empty list");
    } else if (notes.storedCurrentPosition >= count) {
        problems.push_back(Format("the current position %u is not below the memo count %u",
                                  notes.storedCurrentPosition, count));
    }
    for (std::size_t i = 0; i < notes.records.size(); ++i) {
        const RecordLoadNotes& record = notes.records[i];
        const std::string memo = Format("memo %zu of %u: ", i + 1, count);
        if (!record.recordRead) {
            problems.push_back(memo + "its 36-byte record is cut short");
        } else if (!record.page.headerRead) {
            problems.push_back(memo + "its page block's header is cut short");
        } else if (!record.pageRead) {
            problems.push_back(memo + "its page can't be read (" + PageText(record.page) +
                               "): its data is cut short or not a page the programs write");
        } else {
            AddPageShapeProblems(record.page, memo, problems);
        }
    }
    const std::size_t firstUnread = notes.records.size() + 1;
    if (firstUnread == count) {
        problems.push_back(Format("memo %u was not read: reading ended early", count));
    } else if (firstUnread < count) {
        problems.push_back(Format("memos %zu to %u were not read: reading ended early",
                                  firstUnread, count));
    }
    if (notes.trailingBytes > 0) {
        problems.push_back(Format("%" PRIu64 " bytes follow the last memo", notes.trailingBytes));
    }
    return problems;
}

// Reports problems on standard error; true when there were none.
bool ReportProblems(const LoadedFile& loaded) {
    const std::vector<std::string> problems = FindProblems(loaded);
    for (const std::string& problem : problems) {
        PrintError(loaded.path + ": " + problem);
    }
    return problems.empty();
}

// The memos that the file gave, each with what reading its record saw.
template <typename Visit>
void ForEachMemoRead(const LoadedFile& loaded, Visit visit) {
    const MemoEntry* entry = loaded.list.First();
    for (std::size_t i = 0; i < loaded.notes.records.size() && entry != nullptr;
         ++i, entry = loaded.list.NextOf(entry)) {
        if (loaded.notes.records[i].recordRead) {
            visit(i, *entry, loaded.notes.records[i]);
        }
    }
}

std::string TimeText(const SYSTEMTIME& time) {
    return Format("%04u-%02u-%02uT%02u:%02u:%02u.%03u", time.year, time.month, time.day,
                  time.hour, time.minute, time.second, time.milliseconds);
}

std::string DayOfWeekText(std::uint16_t day) {
    static constexpr const char* kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    return day < std::size(kDays) ? kDays[day] : Format("day-of-week %u", day);
}

void PrintInfoText(const LoadedFile& loaded) {
    std::cout << loaded.path << '\n'
              << "count " << loaded.notes.storedCount << ", current position "
              << loaded.notes.storedCurrentPosition << '\n';
    ForEachMemoRead(loaded, [](std::size_t position, const MemoEntry& entry,
                               const RecordLoadNotes& record) {
        std::cout << "memo " << position << '\n'
                  << "  created      " << TimeText(entry.created) << ' '
                  << DayOfWeekText(entry.created.dayOfWeek) << '\n'
                  << "  alarmTime    " << TimeText(entry.alarmTime) << ' '
                  << DayOfWeekText(entry.alarmTime.dayOfWeek) << '\n'
                  << "  alarmHandle  " << entry.alarmHandle << '\n'
                  << "  page         "
                  << (record.page.headerRead ? PageText(record.page) : "(cut short)") << '\n';
    });
}

void PrintInfoJson(const LoadedFile& loaded) {
    std::cout << "{\"count\":" << loaded.notes.storedCount
              << ",\"currentPosition\":" << loaded.notes.storedCurrentPosition << ",\"memos\":[";
    bool first = true;
    ForEachMemoRead(loaded, [&first](std::size_t position, const MemoEntry& entry,
                                     const RecordLoadNotes& record) {
        if (!record.page.headerRead) {
            return;  // reported as a problem; the fields are all required
        }
        const PageBlockHeader& header = record.page.header;
        std::cout << (first ? "" : ",") << "{\"position\":" << position << ",\"created\":\""
                  << TimeText(entry.created) << "\",\"alarmTime\":\""
                  << TimeText(entry.alarmTime) << "\",\"alarmHandle\":" << entry.alarmHandle
                  << ",\"format\":" << header.format << ",\"width\":" << header.width
                  << ",\"height\":" << header.height << ",\"dataLength\":" << header.dataLength
                  << '}';
        first = false;
    });
    std::cout << "]}\n";
}

int Info(const std::string& path, bool json) {
    LoadedFile loaded(path);
    if (!Load(loaded)) {
        return kExitFailure;
    }
    if (loaded.notes.headerRead) {
        if (json) {
            PrintInfoJson(loaded);
        } else {
            PrintInfoText(loaded);
        }
    }
    return ReportProblems(loaded) ? kExitSuccess : kExitProblems;
}

// The page top-down as 0x00RRGGBB pixels; its stored rows are bottom-up.
std::vector<std::uint32_t> PagePixels(const platform::PageBitmap& page) {
    const std::int32_t width = page.Width();
    const std::int32_t height = page.Height();
    const std::int32_t stride = RowStride(width, 4);
    std::vector<std::uint32_t> pixels;
    pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = page.Pixels() + static_cast<std::ptrdiff_t>(height - 1 - y) * stride;
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t pair = row[x / 2];
            const platform::RgbQuad& color = PenPalette[x % 2 == 0 ? pair >> 4 : pair & 0x0F];
            pixels.push_back(static_cast<std::uint32_t>(color.red) << 16 |
                             static_cast<std::uint32_t>(color.green) << 8 | color.blue);
        }
    }
    return pixels;
}

int Export(const std::string& path, const std::string& folder) {
    LoadedFile loaded(path);
    if (!Load(loaded)) {
        return kExitFailure;
    }
    std::error_code made;
    std::filesystem::create_directories(folder, made);
    if (made) {
        PrintError("Could not make " + folder + ": " + made.message());
        return kExitFailure;
    }
    bool written = true;
    ForEachMemoRead(loaded, [&](std::size_t position, const MemoEntry& entry,
                                const RecordLoadNotes&) {
        const std::string target =
            (std::filesystem::path(folder) / Format("memo-%04zu.png", position + 1)).string();
        std::string error;
        if (const std::unique_ptr<platform::PageBitmap> page = entry.page.MakeSurface()) {
            written = platform::WritePng(target, page->Width(), page->Height(), PagePixels(*page),
                                         error) && written;
        } else {
            // As the programs show it; a page that could not be read is
            // also reported as a problem below.
            PrintError(path + ": memo " + std::to_string(position + 1) + " has no picture; " +
                       target + " is a white page");
            const std::vector<std::uint32_t> white(
                static_cast<std::size_t>(kPageWidth) * kPageHeight, 0xFFFFFFu);
            written = platform::WritePng(target, kPageWidth, kPageHeight, white, error) && written;
        }
        if (!error.empty()) {
            PrintError(error);
        }
    });
    if (!written) {
        return kExitFailure;
    }
    return ReportProblems(loaded) ? kExitSuccess : kExitProblems;
}

int Check(const std::string& path) {
    LoadedFile loaded(path);
    if (!Load(loaded)) {
        return kExitFailure;
    }
    const std::vector<std::string> problems = FindProblems(loaded);
    for (const std::string& problem : problems) {
        std::cout << path << ": " << problem << '\n';
    }
    if (problems.empty()) {
        std::cout << path << ": no problems found in " << loaded.list.Count() << " memos\n";
        return kExitSuccess;
    }
    std::cout << path << ": " << problems.size()
              << (problems.size() == 1 ? " problem" : " problems") << " found\n";
    return kExitProblems;
}

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

    void CaptureInto(PageImage& page) const {
        page.Capture(*context_, 0, 0, kPageWidth, kPageHeight);
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
        MemoEntry* entry = i == 0 ? list.First() : list.Append();
        entry->created = memos[i].created;
        sketch.Clear();
        memos[i].draw(sketch);
        sketch.CaptureInto(entry->page);
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
    MemoFile file(platform::LocalFileSystem(), std::string(kCorruptedWarning));
    if (file.Save(list, path) == 0) {
        PrintError(file.LastError());
        return kExitFailure;
    }
    std::cout << "Wrote " << list.Count() << " memos to " << path << '\n';
    return kExitSuccess;
}

int Run(const std::vector<std::string_view>& arguments) {
    std::vector<std::string> operands;
    bool json = false;
    for (const std::string_view argument : arguments) {
        if (argument == "--help" || argument == "-h") {
            std::cout << kUsage << '\n' << kHelp;
            return kExitSuccess;
        }
        if (argument == "--version") {
            std::cout << kProgram << ' ' << TAVRIN_VERSION << '\n';
            return kExitSuccess;
        }
        if (argument == "--json") {
            json = true;
        } else if (argument.size() > 1 && argument.front() == '-') {
            return UsageError("unknown option '" + std::string(argument) + "'");
        } else {
            operands.emplace_back(argument);
        }
    }
    if (operands.empty()) {
        return UsageError("no command given");
    }
    const std::string& command = operands.front();
    const std::size_t expected = command == "export" ? 3 : 2;
    const bool known =
        command == "info" || command == "export" || command == "check" || command == "demo";
    if (!known) {
        return UsageError("unknown command '" + command + "'");
    }
    if (operands.size() != expected) {
        return UsageError("'" + command + "' takes " +
                          (expected == 3 ? "a FILE and a DIR" : "one FILE"));
    }
    if (json && command != "info") {
        return UsageError("--json goes with 'info' only");
    }
    if (command == "info") return Info(operands[1], json);
    if (command == "export") return Export(operands[1], operands[2]);
    if (command == "check") return Check(operands[1]);
    return Demo(operands[1]);
}

}  // namespace
}  // namespace tavrin

int main(int argc, char** argv) {
    const std::vector<std::string_view> arguments(argv + 1, argv + argc);
    return tavrin::Run(arguments);
}
