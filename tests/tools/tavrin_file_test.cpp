#include <gtest/gtest.h>

#include "support/scratch_folder.h"

#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStringList>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>
#include <vector>

#include "store/little_endian.h"
#include "store/memo_file.h"
#include "store/page_reduction.h"
#include "support/memo_lists.h"
#include "support/memo_sketch.h"
#include "support/page_pixels.h"
#include "support/pdf_pages.h"
#include "tavrin_version.h"

namespace tavrin {
namespace {

namespace fs = std::filesystem;
using testing::ExpectPictureAt;
using testing::RenderPdf;
using Bytes = std::vector<std::uint8_t>;

struct Outcome {
    int exitCode = -1;
    std::string out;
    std::string err;
};

Outcome RunTool(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral(TAVRIN_FILE_EXE), arguments);
    EXPECT_TRUE(process.waitForFinished(60000)) << "tavrin-file did not finish";
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    return {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
}

QString Q(const fs::path& path) { return QString::fromStdString(path.string()); }

// Offsets of fields of the first memo's page block.
constexpr std::size_t kFirstPageFormat = 8 + 4 + 36;
constexpr std::size_t kFirstPageHeight = kFirstPageFormat + 6;

class TavrinFileTest : public ::testing::Test {
protected:


    // Memos 1 to 3 with 24 × 10 pages, the second current; the first with
    // known times and the third with an alarm.
    std::unique_ptr<MemoList> WriteKnownFile() {
        auto list = testing::MakeTaggedList(3, 2);
        list->First()->created = {2023, 12, 0, 31, 23, 59, 58, 7};
        list->Last()->SetAlarm(0xFFFFFFFF, {2024, 2, 4, 29, 6, 5, 4, 321});
        testing::DrawTaggedPages(*list, 24, 10);
        MemoFile file(platform::LocalFileSystem());
        EXPECT_EQ(file.Save(*list, file_.string()), 1) << file.LastError();
        return list;
    }

    testing::ScratchFolder scratch_;
    fs::path folder_ = scratch_.Folder();
    fs::path file_ = folder_ / "memo.dat";
};

TEST_F(TavrinFileTest, InfoDescribesHeaderAndEveryMemo) {
    WriteKnownFile();
    const Outcome outcome = RunTool({"info", Q(file_)});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_EQ(outcome.err, "");
    for (const char* line : {"count 3, current position 1\n", "memo 2\n",
                             "  created      2023-12-31T23:59:58.007 Sun\n",
                             "  alarmTime    2024-02-29T06:05:04.321 Thu\n",
                             "  alarmHandle  4294967295\n",
                             "  page         format 0x0104, 24 x 10, dataLength "}) {
        EXPECT_NE(outcome.out.find(line), std::string::npos) << line << "\n" << outcome.out;
    }
}

TEST_F(TavrinFileTest, InfoJsonHasExactlyTheDocumentedFields) {
    WriteKnownFile();
    const Outcome outcome = RunTool({"info", Q(file_), "--json"});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
    QJsonParseError error;
    const QJsonDocument document =
        QJsonDocument::fromJson(QByteArray::fromStdString(outcome.out), &error);
    ASSERT_EQ(error.error, QJsonParseError::NoError) << outcome.out;
    const QJsonObject root = document.object();
    EXPECT_EQ(root.keys(), (QStringList{"count", "currentPosition", "memos"}));
    EXPECT_EQ(root["count"].toInt(), 3);
    EXPECT_EQ(root["currentPosition"].toInt(), 1);
    const QJsonArray memos = root["memos"].toArray();
    ASSERT_EQ(memos.size(), 3);
    const QStringList fields = {"alarmHandle", "alarmTime", "created", "dataLength",
                                "format",      "height",    "position", "width"};
    for (const auto& memo : memos) {
        EXPECT_EQ(memo.toObject().keys(), fields);
    }
    const QJsonObject first = memos[0].toObject();
    EXPECT_EQ(first["position"].toInt(), 0);
    EXPECT_EQ(first["created"].toString(), "2023-12-31T23:59:58.007");
    EXPECT_EQ(first["format"].toInt(), 0x0104);
    EXPECT_EQ(first["width"].toInt(), 24);
    EXPECT_EQ(first["height"].toInt(), 10);
    const QJsonObject last = memos[2].toObject();
    EXPECT_EQ(last["alarmTime"].toString(), "2024-02-29T06:05:04.321");
    EXPECT_EQ(last["alarmHandle"].toDouble(), 4294967295.0);
}

QRgb RgbOf(std::uint8_t index) {
    const platform::RgbQuad& entry = PenPalette[index];
    return qRgb(entry.red, entry.green, entry.blue);
}

TEST_F(TavrinFileTest, ExportWritesEveryPixelInItsPaletteColor) {
    const auto list = WriteKnownFile();
    const fs::path out = folder_ / "pages";
    const Outcome outcome = RunTool({"export", Q(file_), Q(out)});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;

    std::size_t number = 1;
    for (const MemoEntry* entry = list->First(); entry != nullptr;
         entry = list->NextOf(entry), ++number) {
        const fs::path png = out / ("memo-000" + std::to_string(number) + ".png");
        const QImage image(Q(png));
        ASSERT_FALSE(image.isNull()) << png;
        ASSERT_EQ(image.width(), 24);
        ASSERT_EQ(image.height(), 10);
        const testing::PagePixels page(entry->page);
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                ASSERT_EQ(image.pixel(x, y) & 0xFFFFFFu,
                          RgbOf(page.IndexAt(x, y)) & 0xFFFFFFu)
                    << png << " at " << x << "," << y;
            }
        }
    }
    EXPECT_FALSE(fs::exists(out / "memo-0004.png"));
}

void ExpectWhitePage(const fs::path& png) {
    QImage white(240, 320, QImage::Format_RGB32);
    white.fill(Qt::white);
    EXPECT_EQ(QImage(Q(png)).convertToFormat(QImage::Format_RGB32), white) << png;
}

// A memo without a picture is shown white by the programs, and exported so.
TEST_F(TavrinFileTest, ExportWritesAMemoThatWasNeverDrawnAsAWhitePage) {
    auto list = testing::MakeTaggedList(2, 1);
    testing::DrawTaggedPage(*list->First(), 24, 10);
    MemoFile file(platform::LocalFileSystem());
    ASSERT_EQ(file.Save(*list, file_.string()), 1) << file.LastError();
    const fs::path out = folder_ / "pages";
    const Outcome outcome = RunTool({"export", Q(file_), Q(out)});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("memo 2 has no picture"), std::string::npos) << outcome.err;
    ExpectWhitePage(out / "memo-0002.png");
}

std::string PdfText(const fs::path& pdf) {
    QProcess process;
    process.start("pdftotext", {Q(pdf), "-"});
    EXPECT_TRUE(process.waitForFinished(60000)) << "pdftotext did not finish";
    return process.readAllStandardOutput().toStdString();
}

// A 240 x 320 page prints on A4 at 2 points a pixel, 36 points from the top
// and centred (left at 57 points). Drawn back at 144 dots an inch, a page
// pixel is 4 x 4 rendered ones, a scale poppler never smooths at unless the
// PDF asks for it: every rendered pixel of the picture is its pixel's color
// in the PNG of the same memo.
TEST_F(TavrinFileTest, ExportPdfShowsEachMemoAsItsPngAtTwoPointsAPixel) {
    const fs::path demo = folder_ / "demo.dat";
    ASSERT_EQ(RunTool({"demo", Q(demo)}).exitCode, 0);
    const fs::path pngs = folder_ / "pages";
    ASSERT_EQ(RunTool({"export", Q(demo), Q(pngs)}).exitCode, 0);
    const fs::path pdf = folder_ / "memos.Pdf";
    const Outcome outcome = RunTool({"export", Q(demo), Q(pdf)});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;

    const std::vector<QImage> pages = RenderPdf(pdf, folder_ / "rendered", 144);
    ASSERT_EQ(pages.size(), 4u);
    for (std::size_t number = 1; number <= pages.size(); ++number) {
        SCOPED_TRACE("memo " + std::to_string(number));
        const QImage png(Q(pngs / ("memo-000" + std::to_string(number) + ".png")));
        ASSERT_EQ(pages[number - 1].size(), QSize(1190, 1684));  // A4
        ASSERT_EQ(png.size(), QSize(240, 320));
        ExpectPictureAt(pages[number - 1], QPoint(57 * 2, 36 * 2), 4, png);
    }
    const std::string text = PdfText(pdf);
    std::size_t created = 0;
    for (std::size_t at = text.find("Created: "); at != std::string::npos;
         at = text.find("Created: ", at + 1)) {
        ++created;
    }
    EXPECT_EQ(created, 4u) << text;
    // The third memo alone has an alarm, and its caption says so below its time.
    const std::size_t alarm = text.find("Alarm: ");
    EXPECT_NE(alarm, std::string::npos) << text;
    EXPECT_EQ(text.find("Alarm: ", alarm + 1), std::string::npos) << text;
}

// A picture too wide for A4 at 2 points a pixel prints at 1, and one too
// wide even then on a page of its own width: never at a fraction of a point.
TEST_F(TavrinFileTest, ExportPdfOfWidePagesKeepsWholePointsAPixel) {
    const struct {
        int width;
        int pageWidth;  // points
        int left;       // points
    } cases[] = {{300, 595, 147}, {600, 672, 36}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.width);
        auto list = testing::MakeTaggedList(1, 1);
        testing::DrawTaggedPages(*list, c.width, 20);
        ASSERT_EQ(MemoFile(platform::LocalFileSystem()).Save(*list, file_.string()), 1);
        const fs::path pngs = folder_ / ("pages-" + std::to_string(c.width));
        ASSERT_EQ(RunTool({"export", Q(file_), Q(pngs)}).exitCode, 0);
        const fs::path pdf = folder_ / ("memos-" + std::to_string(c.width) + ".pdf");
        const Outcome outcome = RunTool({"export", Q(file_), Q(pdf)});
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
        // 288 dots an inch: 4 rendered pixels a point.
        const std::vector<QImage> pages =
            RenderPdf(pdf, folder_ / ("rendered-" + std::to_string(c.width)), 288);
        ASSERT_EQ(pages.size(), 1u);
        EXPECT_EQ(pages[0].width(), c.pageWidth * 4);
        ExpectPictureAt(pages[0], QPoint(c.left * 4, 36 * 4), 4, QImage(Q(pngs / "memo-0001.png")));
    }
}

// A PDF that can't be written leaves nothing, neither under its name nor
// beside it, and says why.
TEST_F(TavrinFileTest, ExportPdfThatFailsLeavesNothingAndSaysWhy) {
    WriteKnownFile();
    fs::create_directories(folder_ / "taken.pdf");
    testing::ScratchFolder::WriteFile(folder_ / "other.dat", Bytes{'T', 'a', 'v'});
    const struct {
        const char* name;
        fs::path input;
        fs::path output;
        int exitCode;
        std::string says;
    } cases[] = {
        {"folder missing", file_, folder_ / "missing" / "out.pdf", 2,
         "Cannot write " + (folder_ / "missing" / "out.pdf").string() +
             ": No such file or directory"},
        {"folder is a file", file_, file_ / "out.pdf", 2,
         "Cannot write " + (file_ / "out.pdf").string() + ": Not a directory"},
        {"name taken by a folder", file_, folder_ / "taken.pdf", 2,
         "Cannot write " + (folder_ / "taken.pdf").string() + ": "},
        {"input missing", folder_ / "none.dat", folder_ / "out.pdf", 2,
         "Could not open " + (folder_ / "none.dat").string()},
        {"input not a memo file", folder_ / "other.dat", folder_ / "out.pdf", 1,
         "no memo's page can be drawn; " + (folder_ / "out.pdf").string() + " is not written"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = RunTool({"export", Q(c.input), Q(c.output)});
        EXPECT_EQ(outcome.exitCode, c.exitCode);
        EXPECT_NE(outcome.err.find(c.says), std::string::npos) << outcome.err;
        std::vector<std::string> left;
        for (const auto& entry : fs::directory_iterator(folder_)) {
            left.push_back(entry.path().filename().string());
        }
        std::sort(left.begin(), left.end());
        EXPECT_EQ(left, (std::vector<std::string>{"memo.dat", "other.dat", "taken.pdf"}));
        EXPECT_TRUE(fs::is_empty(folder_ / "taken.pdf"));
    }
}

struct DamagedPageCase {
    const char* name;
    void (*damage)(Bytes&);
    std::size_t memo;     // the damaged one, 1-based
    const char* problem;  // part of what the problems say of it
};

void PrintTo(const DamagedPageCase& c, std::ostream* os) { *os << c.name; }

class ExportDamagedPageTest : public TavrinFileTest,
                              public ::testing::WithParamInterface<DamagedPageCase> {
protected:
    // Exports the known file, damaged as the case says, to `target`.
    Outcome ExportDamaged(const fs::path& target) {
        WriteKnownFile();
        Bytes bytes = testing::ScratchFolder::ReadFile(file_);
        GetParam().damage(bytes);
        testing::ScratchFolder::WriteFile(file_, bytes);
        return RunTool({"export", Q(file_), Q(target)});
    }

    // What the export says of the damaged memo, then what becomes of it.
    std::string DamagedSaid(const std::string& leftOut) const {
        return file_.string() + ": memo " + std::to_string(GetParam().memo) +
               ": its page is damaged; " + leftOut;
    }
};

// A damaged page is never drawn: it is named, skipped and counted as a
// problem; the other pages are written.
TEST_P(ExportDamagedPageTest, NamesItSkipsItAndEndsWithOne) {
    const fs::path out = folder_ / "pages";
    const Outcome outcome = ExportDamaged(out);
    EXPECT_EQ(outcome.exitCode, 1);
    const std::string png = "memo-000" + std::to_string(GetParam().memo) + ".png";
    EXPECT_NE(outcome.err.find(DamagedSaid(png + " is not written")), std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find(GetParam().problem), std::string::npos) << outcome.err;
    for (std::size_t memo = 1; memo <= 3; ++memo) {
        const std::string name = "memo-000" + std::to_string(memo) + ".png";
        EXPECT_EQ(fs::exists(out / name), memo != GetParam().memo) << name;
    }
}

// The PDF leaves the damaged page out in the same way and holds the others.
TEST_P(ExportDamagedPageTest, LeavesItOutOfThePdfAndEndsWithOne) {
    const fs::path pdf = folder_ / "memos.pdf";
    const Outcome outcome = ExportDamaged(pdf);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_NE(outcome.err.find(DamagedSaid("it is left out of " + pdf.string())),
              std::string::npos)
        << outcome.err;
    EXPECT_NE(outcome.err.find(GetParam().problem), std::string::npos) << outcome.err;
    EXPECT_EQ(RenderPdf(pdf, folder_ / "rendered", 18).size(), 2u);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, ExportDamagedPageTest,
    ::testing::Values(DamagedPageCase{"CutShort", [](Bytes& b) { b.resize(b.size() - 1); }, 3,
                                      "memo 3 of 3: its page can't be read"},
                      DamagedPageCase{"DataShortOfItsSize",
                                      [](Bytes& b) { b[kFirstPageHeight] = 11; }, 1,
                                      "memo 1 of 3: its page data gives 120 pixel bytes"}),
    [](const ::testing::TestParamInfo<DamagedPageCase>& test) { return test.param.name; });

// The most memos a file holds, each a page header that claims the largest
// page and brings no data: 3 MB that, drawn, would be 65,535 white pictures
// of 4096 x 4096. Nothing is drawn, and the tool is done at once.
TEST_F(TavrinFileTest, ExportOfAFileOfNothingButDamagedPagesWritesNothing) {
    constexpr std::size_t kMemos = 65535;
    constexpr std::size_t kMemoBytes = 36 + 12;
    Bytes bytes(8 + 4 + kMemos * kMemoBytes, 0);
    std::copy(kMemoFileMagic.begin(), kMemoFileMagic.end(), bytes.begin());
    PutU16(&bytes[8], static_cast<std::uint16_t>(kMemos));
    for (std::size_t memo = 0; memo < kMemos; ++memo) {
        std::uint8_t* record = &bytes[12 + memo * kMemoBytes];
        PutU16(record, 2024);      // created: 2024-01-01
        PutU16(record + 2, 1);
        PutU16(record + 6, 1);
        PutU16(record + 36, kSavedFormat);
        PutU16(record + 40, kMaxPageSide);
        PutU16(record + 42, kMaxPageSide);
    }
    testing::ScratchFolder::WriteFile(file_, bytes);
    const fs::path out = folder_ / "pages";
    const Outcome outcome = RunTool({"export", Q(file_), Q(out)});
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_TRUE(fs::is_empty(out));
    for (const char* line : {": memo 1: its page is damaged; memo-0001.png is not written\n",
                             ": memo 65535: its page is damaged; memo-65535.png is not written\n",
                             "memo 65535 of 65535: its page data gives 0 pixel bytes, but a "
                             "4096 x 4096 page holds 8388608"}) {
        EXPECT_NE(outcome.err.find(line), std::string::npos) << line;
    }
}

struct CheckCase {
    const char* name;
    void (*damage)(Bytes&);
    int exitCode;
    const char* says;  // part of what check prints
};

// Test names in listings show the case's name, not its bytes.
void PrintTo(const CheckCase& c, std::ostream* os) { *os << c.name; }

class CheckTest : public TavrinFileTest, public ::testing::WithParamInterface<CheckCase> {};

TEST_P(CheckTest, ReportsWhatItFindsInItsExitCode) {
    WriteKnownFile();
    Bytes bytes = testing::ScratchFolder::ReadFile(file_);
    GetParam().damage(bytes);
    testing::ScratchFolder::WriteFile(file_, bytes);
    const Outcome outcome = RunTool({"check", Q(file_)});
    EXPECT_EQ(outcome.exitCode, GetParam().exitCode) << outcome.out << outcome.err;
    EXPECT_NE((outcome.out + outcome.err).find(GetParam().says), std::string::npos)
        << outcome.out << outcome.err;
}

INSTANTIATE_TEST_SUITE_P(
    Files, CheckTest,
    ::testing::Values(
        CheckCase{"Clean", [](Bytes&) {}, 0, "no problems found in 3 memos"},
        CheckCase{"WrongMagic", [](Bytes& b) { b[7] = '5'; }, 1, "does not begin with"},
        CheckCase{"Truncated", [](Bytes& b) { b.resize(b.size() - 1); }, 1,
                  "memo 3 of 3: its page can't be read"},
        CheckCase{"RecordCutShort", [](Bytes& b) { b.resize(8 + 4 + 20); }, 1,
                  "memo 1 of 3: its 36-byte record is cut short"},
        CheckCase{"TrailingBytes", [](Bytes& b) { b.insert(b.end(), {0, 0}); }, 1,
                  "2 bytes follow the last memo"},
        CheckCase{"UnpackedSizeDiffers", [](Bytes& b) { b[kFirstPageHeight] = 11; }, 1,
                  "gives 120 pixel bytes, but a 24 x 11 page holds 132"},
        CheckCase{"CountZero", [](Bytes& b) { b[8] = 0; }, 1, "the memo count is 0"},
        CheckCase{"UnknownFormatBit", [](Bytes& b) { b[kFirstPageFormat + 1] |= 0x02; }, 1,
                  "memo 1 of 3: its page format 0x0304 has bits the programs don't know"},
        CheckCase{"DanglingCount",
                  [](Bytes& b) {
                      // One more byte at the end of the first page's data: a count.
                      const std::size_t length = kFirstPageFormat + 8;
                      const std::size_t dataEnd = length + 4 + b[length];
                      b.insert(b.begin() + static_cast<std::ptrdiff_t>(dataEnd), 0x05);
                      ++b[length];
                  },
                  1, "memo 1 of 3: its packed data ends with a count byte without its value"},
        CheckCase{"PositionPastCount", [](Bytes& b) { b[10] = 3; }, 1,
                  "the current position 3 is not below the memo count 3"}),
    [](const ::testing::TestParamInfo<CheckCase>& test) { return test.param.name; });

TEST_F(TavrinFileTest, CheckOfAMissingFileIsAnErrorNamingTheFile) {
    const Outcome outcome = RunTool({"check", Q(file_)});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_EQ(outcome.err,
              "tavrin-file: Could not open " + file_.string() + ": No such file or directory\n");
}

// The current memo's page, reduced as the store reduces pages.
TEST_F(TavrinFileTest, ThumbnailIsTheCurrentMemosPageReduced) {
    const auto list = WriteKnownFile();
    const auto page = list->Current()->page.MakeSurface();
    ASSERT_NE(page, nullptr);
    for (const int size : {12, 5, 24, 256}) {
        SCOPED_TRACE("SIZE " + std::to_string(size));
        const fs::path png = folder_ / ("thumbnail-" + std::to_string(size) + ".png");
        const Outcome outcome = RunTool({"thumbnail", Q(file_), Q(png), QString::number(size)});
        ASSERT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_EQ(outcome.err, "");
        const auto expected = ReducePage(*page, size);
        ASSERT_TRUE(expected.has_value());
        const QImage image(Q(png));
        ASSERT_EQ(image.size(), QSize(expected->width, expected->height));
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                const std::uint8_t* rgb =
                    &expected->pixels[static_cast<std::size_t>((y * image.width() + x) * 3)];
                ASSERT_EQ(image.pixel(x, y) & 0xFFFFFFu, qRgb(rgb[0], rgb[1], rgb[2]) & 0xFFFFFFu)
                    << x << "," << y;
            }
        }
    }
}

TEST_F(TavrinFileTest, ThumbnailOfAMemoThatWasNeverDrawnIsWhite) {
    auto list = testing::MakeTaggedList(2, 2);
    testing::DrawTaggedPage(*list->First(), 24, 10);
    MemoFile file(platform::LocalFileSystem());
    ASSERT_EQ(file.Save(*list, file_.string()), 1) << file.LastError();
    const fs::path png = folder_ / "thumbnail.png";
    const Outcome outcome = RunTool({"thumbnail", Q(file_), Q(png), "128"});
    EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
    EXPECT_NE(outcome.err.find("the current memo has no picture"), std::string::npos)
        << outcome.err;
    QImage white(96, 128, QImage::Format_RGB32);
    white.fill(Qt::white);
    EXPECT_EQ(QImage(Q(png)).convertToFormat(QImage::Format_RGB32), white);
}

// A file manager runs the thumbnailer on whatever file claims to be a memo
// file: anything damaged up to the current memo gives no picture at all.
TEST_F(TavrinFileTest, ThumbnailOfADamagedFileIsRefusedWithoutAPicture) {
    const struct {
        const char* name;
        void (*damage)(Bytes&);
    } cases[] = {
        {"wrong magic", [](Bytes& b) { b[0] = 'X'; }},
        {"position past the count", [](Bytes& b) { b[10] = 7; }},
        {"current memo cut short", [](Bytes& b) { b.resize(b.size() / 2); }},
        {"first page of 8 bits", [](Bytes& b) { b[kFirstPageFormat] = 8; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        WriteKnownFile();
        Bytes bytes = testing::ScratchFolder::ReadFile(file_);
        c.damage(bytes);
        testing::ScratchFolder::WriteFile(file_, bytes);
        const fs::path png = folder_ / "thumbnail.png";
        const Outcome outcome = RunTool({"thumbnail", Q(file_), Q(png), "128"});
        EXPECT_EQ(outcome.exitCode, 1);
        EXPECT_NE(outcome.err.find(file_.string() + ": no thumbnail: "), std::string::npos)
            << outcome.err;
        EXPECT_FALSE(fs::exists(png));
        EXPECT_EQ(std::distance(fs::directory_iterator(folder_), fs::directory_iterator()), 1)
            << "something was left beside the file";
    }
}

TEST_F(TavrinFileTest, ThumbnailRefusesAMissingFileAndAWrongSize) {
    const fs::path png = folder_ / "thumbnail.png";
    const Outcome missing = RunTool({"thumbnail", Q(file_), Q(png), "128"});
    EXPECT_EQ(missing.exitCode, 2);
    EXPECT_NE(missing.err.find("Could not open " + file_.string()), std::string::npos);
    WriteKnownFile();
    for (const char* size : {"0", "12px", "", "4097", "99999999999"}) {
        const Outcome outcome = RunTool({"thumbnail", Q(file_), Q(png), size});
        EXPECT_EQ(outcome.exitCode, 2) << size;
        EXPECT_NE(outcome.err.find("SIZE must be a number of pixels"), std::string::npos)
            << size << ": " << outcome.err;
    }
    EXPECT_FALSE(fs::exists(png));
}

TEST_F(TavrinFileTest, DemoWritesAFileTheStoreReadsBack) {
    const fs::path demo = folder_ / "new folder" / "demo.dat";
    const Outcome outcome = RunTool({"demo", Q(demo)});
    ASSERT_EQ(outcome.exitCode, 0) << outcome.err;

    MemoList list;
    MemoFile file(platform::LocalFileSystem());
    ASSERT_EQ(file.Load(list, demo.string()).outcome, LoadOutcome::ReadWhole) << file.LastError();
    EXPECT_GE(list.Count(), 3);
    EXPECT_GT(list.CurrentIndex(), 1);
    int alarms = 0;
    for (const MemoEntry* entry = list.First(); entry != nullptr; entry = list.NextOf(entry)) {
        alarms += entry->alarmHandle != 0 && entry->alarmTime != SYSTEMTIME{};
        EXPECT_EQ(entry->page.Width(), 240);
        EXPECT_EQ(entry->page.Height(), 320);
        EXPECT_NE(testing::InkBounds(entry->page), Rect{}) << "a blank demo page";
        const MemoEntry* next = list.NextOf(entry);
        EXPECT_TRUE(next == nullptr || next->created != entry->created);
    }
    EXPECT_EQ(alarms, 1);
    EXPECT_EQ(RunTool({"check", Q(demo)}).exitCode, 0);
}

struct UsageCase {
    const char* name;
    QStringList arguments;
    int exitCode;
    bool toStdout;
    const char* starts;
};

void PrintTo(const UsageCase& c, std::ostream* os) { *os << c.name; }

class UsageTest : public ::testing::TestWithParam<UsageCase> {};

TEST_P(UsageTest, AnswersLikeAnyCommandLineTool) {
    const UsageCase& c = GetParam();
    const Outcome outcome = RunTool(c.arguments);
    EXPECT_EQ(outcome.exitCode, c.exitCode);
    const std::string& shown = c.toStdout ? outcome.out : outcome.err;
    const std::string& other = c.toStdout ? outcome.err : outcome.out;
    EXPECT_EQ(shown.rfind(c.starts, 0), 0u) << shown;
    EXPECT_EQ(other, "");
}

INSTANTIATE_TEST_SUITE_P(
    CommandLine, UsageTest,
    ::testing::Values(
        UsageCase{"Help", {"--help"}, 0, true, "Usage: tavrin-file"},
        UsageCase{"HelpAfterCommand", {"info", "--help"}, 0, true, "Usage: tavrin-file"},
        UsageCase{"Version", {"--version"}, 0, true, "tavrin-file " TAVRIN_VERSION "\n"},
        UsageCase{"NoCommand", {}, 2, false, "tavrin-file: no command given\nUsage:"},
        UsageCase{"UnknownCommand", {"show", "x"}, 2, false,
                  "tavrin-file: unknown command 'show'\nUsage:"},
        UsageCase{"UnknownOption", {"info", "x", "--yaml"}, 2, false,
                  "tavrin-file: unknown option '--yaml'\nUsage:"},
        UsageCase{"MissingOperand", {"export", "x"}, 2, false,
                  "tavrin-file: 'export' takes a FILE and a DIR or OUT.pdf\nUsage:"},
        UsageCase{"ThumbnailWithoutSize", {"thumbnail", "x", "y.png"}, 2, false,
                  "tavrin-file: 'thumbnail' takes a FILE, a PNG and a SIZE\nUsage:"},
        UsageCase{"MergeWithoutOutput", {"merge", "a", "b"}, 2, false,
                  "tavrin-file: 'merge' takes the files A, B and OUTPUT\nUsage:"},
        UsageCase{"BaseWithoutFile", {"merge", "a", "b", "c", "--base"}, 2, false,
                  "tavrin-file: --base needs a file\nUsage:"},
        UsageCase{"BaseOutsideMerge", {"check", "a", "--base", "b"}, 2, false,
                  "tavrin-file: --base goes with 'merge' only\nUsage:"}),
    [](const ::testing::TestParamInfo<UsageCase>& test) { return test.param.name; });

// Two copies of a file that went apart on two machines: b drawn on in A, x
// added in B. Without the base both versions of b are kept.
TEST_F(TavrinFileTest, MergeWritesBothCopiesMemoByMemo) {
    const auto save = [&](const char* sketch, const char* name) {
        EXPECT_EQ(MemoFile(platform::LocalFileSystem()).Save(*testing::SketchList(sketch), (folder_ / name).string()), 1);
    };
    save("a1 *b1 c1", "base.dat");
    save("a1 *b2 c1", "a.dat");
    save("a1 b1 c1 x1", "b.dat");
    const struct {
        const char* name;
        QStringList arguments;
        const char* merged;
        const char* said;
    } cases[] = {
        {"against the base", {"merge", "--base", Q(folder_ / "base.dat"), Q(folder_ / "a.dat"), Q(folder_ / "b.dat"),
                              Q(folder_ / "out.dat")},
         "a1 *b2 c1 x1", ": 1 memos taken from "},
        {"without a base", {"merge", Q(folder_ / "a.dat"), Q(folder_ / "b.dat"), Q(folder_ / "out.dat")},
         "a1 *b2 b1 c1 x1", ": 2 memos taken from "},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const Outcome outcome = RunTool(c.arguments);
        EXPECT_EQ(outcome.exitCode, 0) << outcome.err;
        EXPECT_NE(outcome.out.find(c.said), std::string::npos) << outcome.out;
        MemoList merged;
        EXPECT_EQ(MemoFile(platform::LocalFileSystem()).Load(merged, (folder_ / "out.dat").string()).outcome,
                  LoadOutcome::ReadWhole);
        EXPECT_EQ(testing::Sketch(merged), c.merged);
    }
}

// A copy that doesn't read whole could have lost memos that a merge would
// take for deleted: nothing is written.
TEST_F(TavrinFileTest, MergeRefusesADamagedCopy) {
    WriteKnownFile();
    std::filesystem::resize_file(file_, std::filesystem::file_size(file_) - 5);
    EXPECT_EQ(MemoFile(platform::LocalFileSystem()).Save(*testing::SketchList("a1"), (folder_ / "a.dat").string()), 1);
    const Outcome outcome = RunTool({"merge", Q(folder_ / "a.dat"), Q(file_), Q(folder_ / "out.dat")});
    EXPECT_EQ(outcome.exitCode, 2);
    EXPECT_NE(outcome.err.find("is not a whole memo file; nothing was merged"), std::string::npos) << outcome.err;
    EXPECT_FALSE(fs::exists(folder_ / "out.dat"));
}

}  // namespace
}  // namespace tavrin
