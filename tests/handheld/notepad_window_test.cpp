// Tavrin driven as a user would: real widgets on the offscreen platform, real
// mouse and key events, commands triggered from the menu bar itself, pixels
// read back from the screen, alarms recorded by a fake notification service
// on a clock that stands still.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QDir>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPaintEvent>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTabletEvent>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>
#include <QToolButton>

#include <filesystem>
#include <functional>

#include "handheld/notepad_commands.h"
#include "handheld/qt/export_window.h"
#include "handheld/qt/notepad_window.h"
#include "handheld/qt/set_time_window.h"
#include "platform/drawing.h"
#include "platform/locale_text.h"
#include "store/memo_file.h"
#include "support/calendar_time.h"
#include "support/fixed_clock.h"
#include "support/modal_dialogs.h"
#include "support/overview_driving.h"
#include "support/page_pixels.h"
#include "support/pdf_pages.h"
#include "support/recording_notifications.h"
#include "support/scratch_folder.h"

namespace tavrin::handheld {
namespace {

using testing::AnswerFileDialog;
using testing::FixedClock;
using testing::SeenMessage;
using testing::WhileModal;
using testing::WithOverview;
using testing::PagePixels;
using testing::RecordingNotifications;
using testing::ScratchFolder;
using testing::Time;

constexpr const char* kProgramPath = "/opt/tavrin/bin/tavrin";
const QRgb kWhite = qRgb(255, 255, 255);
const QRgb kBlack = qRgb(0, 0, 0);

QRgb PaletteRgb(std::uint8_t index) {
    const platform::RgbQuad& entry = PenPalette[index];
    return qRgb(entry.red, entry.green, entry.blue);
}

// Records the rectangles the page is painted in.
class PaintRecorder : public QObject {
public:
    explicit PaintRecorder(QWidget& widget) { widget.installEventFilter(this); }
    std::vector<QRect> rects;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) rects.push_back(static_cast<QPaintEvent*>(event)->rect());
        return false;
    }
};

// Writes a memo file: memo i (0-based) has a black 20 × 20 block at
// (20 + 20 i, 100); one memo may have an alarm.
void WriteMemos(const std::string& path, int count, int current, int alarmMemo = -1,
                SYSTEMTIME alarm = {}) {
    MemoList list;
    const auto context = platform::GetScreenContext()->CreateCompatibleContext();
    const auto bitmap = context->CreateCompatibleBitmap(kPageWidth, kPageHeight);
    platform::Bitmap* saved = context->SelectBitmap(bitmap.get());
    const auto black = platform::CreateSolidBrush(0);
    for (int i = 0; i < count; ++i) {
        MemoEntry& memo = i == 0 ? *list.Current() : *list.Append();
        memo.created = Time(2006, 5, 1, 8, i);
        if (i == alarmMemo) memo.SetAlarm(5, alarm);
        context->FillWhite({0, 0, kPageWidth, kPageHeight});
        context->FillRect({20 + 20 * i, 100, 40 + 20 * i, 120}, *black);
        memo.page.Capture(*context, 0, 0, kPageWidth, kPageHeight);
    }
    while (list.CurrentIndex() > current + 1) list.Previous();
    context->SelectBitmap(saved);
    ASSERT_TRUE(MemoFile(platform::LocalFileSystem()).Save(list, path));
}

QToolButton* BarButtonNamed(NotepadWindow& window, const QString& name) {
    for (auto* button : window.Bar().findChildren<QToolButton*>()) {
        if (button->accessibleName() == name) return button;
    }
    ADD_FAILURE() << "no button " << name.toStdString();
    return nullptr;
}

// The entry of a bar button's menu, through submenus: {"Alarm", "Today...", "7:00"}.
QAction* MenuEntry(NotepadWindow& window, const QStringList& path) {
    QMenu* menu = BarButtonNamed(window, path.front())->menu();
    for (qsizetype i = 1; menu != nullptr && i < path.size(); ++i) {
        QAction* found = nullptr;
        for (QAction* action : menu->actions()) {
            if (action->text() == path[i]) found = action;
        }
        if (found == nullptr || i + 1 == path.size()) return found;
        menu = found->menu();
    }
    return nullptr;
}

class NotepadWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        platform::PinUserLocale("en_US");
        QLocale::setDefault(QLocale(QStringLiteral("en_US")));
    }

    NotepadWindowTest() { clock.now = Time(2006, 5, 9, 10, 0, 37, 250, 2); }

    std::unique_ptr<NotepadWindow> Open(bool alarmStart = false, bool twelveHour = false) {
        auto window = std::make_unique<NotepadWindow>(NotepadWindowSetup{.programPath = kProgramPath,
                                                                         .dataPath = dataPath,
                                                                         .alarmStart = alarmStart,
                                                                         .twelveHour = twelveHour,
                                                                         .notifications = notifications,
                                                                         .clock = &clock});
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        QApplication::processEvents();
        return window;
    }

    // A drag on the page through `points`, pressed at the first.
    static void Drag(NotepadWindow& window, const std::vector<QPoint>& points) {
        QTest::mousePress(&window.Page(), Qt::LeftButton, {}, points.front());
        for (std::size_t i = 1; i < points.size(); ++i) QTest::mouseMove(&window.Page(), points[i]);
        QTest::mouseRelease(&window.Page(), Qt::LeftButton, {}, points.back());
    }

    // Minimises or restores the window, and lets the window system's own
    // report of the change arrive.
    static void Minimise(NotepadWindow& window, bool minimised = true) {
        if (minimised) {
            window.showMinimized();
        } else {
            window.showNormal();
        }
        QApplication::processEvents();
    }

    // What the screen shows of the window, as painted so far.
    static QImage Screen(NotepadWindow& window) {
        return window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }

    static PagePixels Surface(NotepadWindow& window) {
        window.Core().Canvas().StorePage();
        return PagePixels(window.Core().Canvas().List().Current()->page);
    }

    static QString Counter(NotepadWindow& window) {
        const MemoList& list = window.Core().Canvas().List();
        return QStringLiteral("%1/%2").arg(list.CurrentIndex()).arg(list.Count());
    }

    bool Written() const { return std::filesystem::exists(dataPath); }

    ScratchFolder folder;
    std::string dataPath = folder.PathOf("tavrin.dat");
    RecordingNotifications notifications;
    FixedClock clock;
};

// Every page pixel below the status texts shows the surface's pixel.
void ExpectScreenShowsSurface(const PagePixels& surface, const QImage& screen, int scale = 1) {
    int mismatches = 0;
    for (int y = kStatusRows; y < kPageHeight; ++y) {
        for (int x = 0; x < kPageWidth; ++x) {
            const QRgb expected = PaletteRgb(surface.IndexAt(x, y));
            for (int dy = 0; dy < scale; ++dy) {
                for (int dx = 0; dx < scale; ++dx) {
                    if (screen.pixel(scale * x + dx, scale * y + dy) != expected) ++mismatches;
                }
            }
        }
    }
    EXPECT_EQ(mismatches, 0);
}

struct PenCase {
    const char* label;
    std::int16_t width;
};

class StrokeTest : public NotepadWindowTest, public ::testing::WithParamInterface<PenCase> {};

// The stroke lands on the surface and, through the repaints of its
// segments alone, on the screen at the same pixels.
TEST_P(StrokeTest, StrokeLandsOnTheSurfaceAndTheScreenAlike) {
    auto window = Open();
    if (GetParam().width == 0) {  // something to erase
        MenuEntry(*window, {"Pen width", "5"})->trigger();
        for (int y = 90; y < 160; y += 4) Drag(*window, {{40, y}, {200, y}});
    }
    MenuEntry(*window, {"Pen width", GetParam().label})->trigger();
    EXPECT_EQ(window->Core().Canvas().PenWidth(), GetParam().width);
    Drag(*window, {{60, 100}, {100, 140}, {180, 120}, {181, 121}});
    const PagePixels surface = Surface(*window);
    const QRgb onPath = PaletteRgb(surface.IndexAt(100, 140));
    EXPECT_EQ(onPath, GetParam().width == 0 ? kWhite : kBlack);
    EXPECT_EQ(surface.IndexAt(60, 101), GetParam().width == 0 ? testing::kWhiteIndex : 0);
    ExpectScreenShowsSurface(surface, Screen(*window));
}

INSTANTIATE_TEST_SUITE_P(EveryPen, StrokeTest,
                         ::testing::Values(PenCase{"1", 1}, PenCase{"2", 2}, PenCase{"3", 3}, PenCase{"4", 4},
                                           PenCase{"5", 5}, PenCase{"Eraser", 0}),
                         [](const auto& row) { return std::string(row.param.label); });

// Ctrl+Z takes a stroke back; Ctrl+Shift+Z and Ctrl+Y, and the Tools menu's
// items, redo and undo it.
TEST_F(NotepadWindowTest, UndoAndRedoKeysAndMenuItems) {
    auto window = Open();
    Drag(*window, {{60, 100}, {180, 200}});
    const auto press = [&](Qt::Key key, Qt::KeyboardModifiers modifiers) {
        QTest::keyClick(window.get(), key, modifiers);
        return Surface(*window).IndexAt(120, 150);
    };
    EXPECT_EQ(press(Qt::Key_Z, Qt::ControlModifier), testing::kWhiteIndex);
    EXPECT_EQ(press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier), 0);
    EXPECT_EQ(press(Qt::Key_Z, Qt::ControlModifier), testing::kWhiteIndex);
    EXPECT_EQ(press(Qt::Key_Y, Qt::ControlModifier), 0);
    MenuEntry(*window, {"Tools", "Undo"})->trigger();
    EXPECT_EQ(Surface(*window).IndexAt(120, 150), testing::kWhiteIndex);
    MenuEntry(*window, {"Tools", "Redo"})->trigger();
    EXPECT_EQ(Surface(*window).IndexAt(120, 150), 0);
}

TEST_F(NotepadWindowTest, EachSegmentRepaintsExactlyItsBox) {
    auto window = Open();
    MenuEntry(*window, {"Pen width", "1"})->trigger();
    PaintRecorder paints(window->Page());
    // A tap: the segment (120, 150)-(120, 151), 10 pixels around it.
    QTest::mousePress(&window->Page(), Qt::LeftButton, {}, {120, 150});
    EXPECT_EQ(paints.rects, std::vector<QRect>{QRect(QPoint(110, 140), QPoint(129, 160))});
    QTest::mouseRelease(&window->Page(), Qt::LeftButton, {}, {120, 150});
    EXPECT_EQ(Surface(*window).IndexAt(120, 150), 0);
    // Near the corner: the segment (3, 4)-(5, 6) repaints (0, 0)-(15, 16).
    paints.rects.clear();
    QTest::mousePress(&window->Page(), Qt::LeftButton, {}, {3, 3});
    QTest::mouseMove(&window->Page(), {5, 6});
    ASSERT_EQ(paints.rects.size(), 2u);
    EXPECT_EQ(paints.rects[1], QRect(0, 0, 15, 16));
    QTest::mouseRelease(&window->Page(), Qt::LeftButton, {}, {5, 6});
}

TEST_F(NotepadWindowTest, DragAboveThePageRunsAlongItsTopRow) {
    auto window = Open();
    Drag(*window, {{50, 30}, {80, -20}, {150, -40}});
    const PagePixels surface = Surface(*window);
    for (int x = 80; x <= 150; x += 10) EXPECT_EQ(surface.IndexAt(x, 0), 0) << x;
    EXPECT_EQ(surface.IndexAt(200, 0), testing::kWhiteIndex);
}

// A point left of the page keeps its negative x: read as an unsigned 16-bit
// number it would draw a line across the page to its right edge.
TEST_F(NotepadWindowTest, DragLeftOfThePageStaysLeft) {
    auto window = Open();
    Drag(*window, {{30, 100}, {-20, 110}, {-60, 140}});
    const Rect ink = Surface(*window).InkBounds();
    EXPECT_EQ(ink.left, 0);
    EXPECT_LE(ink.right, 33);
    EXPECT_GE(ink.bottom, 106);  // where the line leaves the page
}

TEST_F(NotepadWindowTest, PenStrokeIsDrawnOnceAndAccepted) {
    auto window = Open();
    MenuEntry(*window, {"Pen width", "1"})->trigger();
    auto send = [&](QEvent::Type type, QPointF at) {
        QTabletEvent event(type, QPointingDevice::primaryPointingDevice(), at, window->Page().mapToGlobal(at),
                           0.5, 0, 0, 0, 0, 0, {}, Qt::LeftButton,
                           type == QEvent::TabletRelease ? Qt::NoButton : Qt::LeftButton);
        event.setAccepted(false);
        QApplication::sendEvent(&window->Page(), &event);
        EXPECT_TRUE(event.isAccepted());
    };
    send(QEvent::TabletPress, {40.5, 200.5});
    send(QEvent::TabletMove, {90.5, 200.5});
    send(QEvent::TabletRelease, {90.5, 200.5});
    const PagePixels surface = Surface(*window);
    EXPECT_EQ(surface.InkBounds(), (Rect{40, 200, 91, 202}));
}

TEST_F(NotepadWindowTest, PageButtonsAndToolsMoveCreateDeleteAndSave) {
    WriteMemos(dataPath, 2, 0);
    auto window = Open();
    auto click = [&](const char* name) { QTest::mouseClick(BarButtonNamed(*window, name), Qt::LeftButton); };
    click("Create new page");
    EXPECT_EQ(Counter(*window), "3/3");
    click("Previous page");
    click("Previous page");
    EXPECT_EQ(Counter(*window), "1/3");
    EXPECT_EQ(Surface(*window).IndexAt(25, 105), 0);  // memo 1's block is on the page
    click("Next page");
    EXPECT_EQ(Counter(*window), "2/3");
    MenuEntry(*window, {"Tools", "Insert new"})->trigger();
    EXPECT_EQ(Counter(*window), "2/4");
    EXPECT_EQ(Surface(*window).InkBounds(), Rect{});
    click("Next page");
    EXPECT_EQ(Surface(*window).IndexAt(45, 105), 0);  // memo 2 came after the new one

    const auto no = WhileModal([&] { click("Delete current page"); }, QMessageBox::No);
    ASSERT_EQ(no.size(), 1u);
    EXPECT_EQ(no[0].text, "Do you really want to delete this memo?");
    EXPECT_EQ(no[0].title, "Delete");
    EXPECT_EQ(no[0].icon, QMessageBox::Warning);
    EXPECT_EQ(Counter(*window), "3/4");
    WhileModal([&] { click("Delete current page"); }, QMessageBox::Yes);
    EXPECT_EQ(Counter(*window), "3/3");

    click("Save");
    EXPECT_TRUE(Written());
    std::filesystem::remove(dataPath);
    click("Save");
    EXPECT_FALSE(Written());  // nothing changed since the last save
    Drag(*window, {{10, 200}, {30, 210}});
    click("Save");
    EXPECT_TRUE(Written());
}

// The pen menus change the pen of the next stroke, not the page.
TEST_F(NotepadWindowTest, PenAndColorMenusSetThePen) {
    auto window = Open();
    const std::pair<const char*, std::int16_t> widths[] = {{"1", 1}, {"2", 2}, {"3", 3},
                                                           {"4", 4}, {"5", 5}, {"Eraser", 0}};
    for (const auto& [label, width] : widths) {
        MenuEntry(*window, {"Pen width", label})->trigger();
        EXPECT_EQ(window->Core().Canvas().PenWidth(), width) << label;
    }
    const std::pair<const char*, Color> colors[] = {
        {"Red", 0x0000FF},     {"Green", 0x00FF00}, {"Blue", 0xFF0000},
        {"Cyan", 0xFFFF00},    {"Magenta", 0xFF00FF}, {"Yellow", 0x00FFFF},
        {"White", 0xFFFFFF},   {"Grey", 0x808080},  {"Black", 0x000000}};
    for (const auto& [label, color] : colors) {
        MenuEntry(*window, {"Color", label})->trigger();
        EXPECT_EQ(window->Core().Canvas().PenColor(), color) << label;
    }
    EXPECT_FALSE(window->Core().Canvas().Changed());
    MenuEntry(*window, {"Pen width", "3"})->trigger();
    MenuEntry(*window, {"Color", "Red"})->trigger();
    EXPECT_EQ(Surface(*window).InkBounds(), Rect{});
    Drag(*window, {{100, 100}, {140, 100}});
    EXPECT_EQ(PaletteRgb(Surface(*window).IndexAt(120, 100)), qRgb(255, 0, 0));
}

TEST_F(NotepadWindowTest, MenuBarFollowsTheTable) {
    for (const bool twelveHour : {false, true}) {
        auto window = Open(false, twelveHour);
        QStringList names;
        for (auto* button : window->Bar().findChildren<QToolButton*>()) {
            names << button->accessibleName();
            EXPECT_EQ(button->toolTip(), button->text().isEmpty() ? button->accessibleName() : QString());
        }
        EXPECT_EQ(names, (QStringList{"Tools", "Create new page", "Save", "Delete current page", "Previous page",
                                      "Next page", "Alarm", "Pen width", "Color"}));
        auto texts = [](QMenu* menu) {
            QStringList items;
            for (QAction* action : menu->actions()) {
                EXPECT_FALSE(action->isCheckable());
                items << (action->isSeparator() ? QStringLiteral("-") : action->text());
            }
            return items;
        };
        // With the desktop's own additions before About.
        EXPECT_EQ(texts(BarButtonNamed(*window, "Tools")->menu()),
                  (QStringList{"Insert new", "Undo", "Redo", "-", "Overview", "Export…", "Print…", "Zoom", "-", "About",
                               "Exit"}));
        EXPECT_EQ(texts(BarButtonNamed(*window, "Alarm")->menu()),
                  (QStringList{"2 minutes", "5 minutes", "10 minutes", "15 minutes", "30 minutes", "45 minutes",
                               "1 hour", "2 hours", "3 hours", "4 hours", "8 hours", "Today...", "Tomorrow...", "-",
                               "Set time..."}));
        for (const char* day : {"Today...", "Tomorrow..."}) {
            const QStringList hours = texts(MenuEntry(*window, {"Alarm", day})->menu());
            ASSERT_EQ(hours.size(), 16);
            EXPECT_EQ(hours.front(), twelveHour ? "7:00am" : "7:00");
            EXPECT_EQ(hours[5], twelveHour ? "12:00pm" : "12:00");
            EXPECT_EQ(hours.back(), twelveHour ? "10:00pm" : "22:00");
        }
        EXPECT_EQ(texts(BarButtonNamed(*window, "Pen width")->menu()),
                  (QStringList{"1", "2", "3", "4", "5", "Eraser"}));
        EXPECT_EQ(texts(BarButtonNamed(*window, "Color")->menu()),
                  (QStringList{"Red", "Green", "Blue", "Cyan", "Magenta", "Yellow", "White", "Grey", "Black"}));
    }
}

TEST_F(NotepadWindowTest, TwelveHourClockFromTheLocale) {
    EXPECT_TRUE(UsesTwelveHourClock(QLocale(QStringLiteral("en_US"))));
    EXPECT_FALSE(UsesTwelveHourClock(QLocale(QStringLiteral("de_DE"))));
    EXPECT_FALSE(UsesTwelveHourClock(QLocale(QStringLiteral("en_GB"))));
}

// Clicking a drop-down button only opens its menu; its own command is none
// of the notepad's.
TEST_F(NotepadWindowTest, DropDownButtonsOnlyOpenTheirMenus) {
    auto window = Open();
    for (const char* name : {"Tools", "Alarm", "Pen width", "Color"}) {
        QToolButton* button = BarButtonNamed(*window, name);
        bool opened = false;
        QTimer::singleShot(50, [&] {
            opened = button->menu()->isVisible();
            button->menu()->close();
        });
        QTest::mouseClick(button, Qt::LeftButton);
        EXPECT_TRUE(opened) << name;
    }
    for (const int id : {IDM_TOOLS_MENU, IDM_ALARM_MENU, IDM_PEN_MENU, IDM_COLOR_MENU}) {
        EXPECT_FALSE(window->Core().RunCommand(id)) << id;
    }
    EXPECT_EQ(Counter(*window), "1/1");
    EXPECT_FALSE(window->Core().Canvas().Changed());
    EXPECT_TRUE(notifications.set.empty());
}

TEST_F(NotepadWindowTest, AboutBoxByMenuAndCtrlA) {
    auto window = Open();
    const std::function<void()> ways[] = {
        [&] { MenuEntry(*window, {"Tools", "About"})->trigger(); },
        [&] { QTest::keyClick(window.get(), Qt::Key_A, Qt::ControlModifier); },
    };
    for (const auto& open : ways) {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QString title;
        QStringList texts;
        int buttons = 0;
        WhileModal(open, QMessageBox::Ok, [&](QWidget* dialog) {
            title = dialog->windowTitle();
            for (QLabel* label : dialog->findChildren<QLabel*>()) {
                if (label->pixmap().isNull()) texts << label->text();
            }
            buttons = static_cast<int>(dialog->findChildren<QPushButton*>().size());
            QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
        });
        EXPECT_EQ(title, "About Tavrin");
        ASSERT_EQ(texts.size(), 3);
        EXPECT_EQ(texts[0], "Tavrin");
        EXPECT_EQ(texts[1], "Version 1.0");
        EXPECT_EQ(buttons, 1);
        EXPECT_TRUE(window->isVisible());
    }
}

TEST_F(NotepadWindowTest, ExitByMenuAndCtrlQWritesTheFileEvenUnchanged) {
    const std::function<void(NotepadWindow&)> ways[] = {
        [](NotepadWindow& window) { MenuEntry(window, {"Tools", "Exit"})->trigger(); },
        [](NotepadWindow& window) { QTest::keyClick(&window, Qt::Key_Q, Qt::ControlModifier); },
        [](NotepadWindow& window) { window.close(); },
    };
    for (const auto& exit : ways) {
        std::filesystem::remove(dataPath);
        auto window = Open();
        EXPECT_FALSE(Written());
        exit(*window);
        EXPECT_FALSE(window->isVisible());
        EXPECT_TRUE(Written());
        // The end of the event loop that follows does not save again.
        std::filesystem::remove(dataPath);
        QTimer::singleShot(0, [] { QCoreApplication::quit(); });
        QApplication::exec();
        EXPECT_FALSE(Written());
    }
}

TEST_F(NotepadWindowTest, LeftOnTheFirstMemoChangesNothingAndPaintsNothing) {
    WriteMemos(dataPath, 2, 0);
    const auto written = std::filesystem::last_write_time(dataPath);
    auto window = Open();
    PaintRecorder paints(window->Page());
    QTest::keyClick(window.get(), Qt::Key_Left);
    QApplication::processEvents();
    EXPECT_EQ(Counter(*window), "1/2");
    EXPECT_TRUE(paints.rects.empty());
    EXPECT_EQ(std::filesystem::last_write_time(dataPath), written);
    QTest::keyClick(window.get(), Qt::Key_Down);
    EXPECT_EQ(Counter(*window), "2/2");
    EXPECT_FALSE(paints.rects.empty());
}

TEST_F(NotepadWindowTest, MinimisingWritesOnlyAChangedMemo) {
    auto window = Open();
    Minimise(*window);
    EXPECT_FALSE(Written());
    Minimise(*window, false);
    Drag(*window, {{10, 200}, {30, 210}});
    Minimise(*window);
    EXPECT_TRUE(Written());
}

// The data file's folder is a file: no save can work. The failure is told
// once, with its reason, and the window stays open at exit.
TEST_F(NotepadWindowTest, FailingSaveIsToldOnceAndKeepsTheWindowAtExit) {
    ScratchFolder::WriteFile(folder.PathOf("file"), {1});
    dataPath = folder.PathOf("file/tavrin.dat");
    auto window = Open();
    Drag(*window, {{10, 200}, {30, 210}});
    const auto first = WhileModal([&] { Minimise(*window); });
    ASSERT_EQ(first.size(), 1u);
    EXPECT_EQ(first[0].title, "Error");
    EXPECT_EQ(first[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(first[0].text.contains(QString::fromStdString(dataPath))) << first[0].text.toStdString();
    Minimise(*window, false);
    Drag(*window, {{10, 220}, {30, 230}});
    EXPECT_TRUE(WhileModal([&] { Minimise(*window); }).empty());
    Minimise(*window, false);
    const auto atExit = WhileModal([&] { window->close(); }, QMessageBox::Cancel);
    ASSERT_EQ(atExit.size(), 1u);
    EXPECT_TRUE(atExit[0].text.contains("every change since the memos were last saved is lost"))
        << atExit[0].text.toStdString();
    EXPECT_TRUE(window->isVisible());
    const auto quitting = WhileModal([&] { window->close(); }, QMessageBox::Discard);
    ASSERT_EQ(quitting.size(), 1u);
    EXPECT_FALSE(window->isVisible());
}

// A data file that can't be written (here a folder took its place) is never
// replaced: at exit the memos go beside it, and the message says where.
TEST_F(NotepadWindowTest, ExitSavesBesideAFileItCanNotWrite) {
    auto window = Open();
    std::filesystem::remove(dataPath);
    std::filesystem::create_directory(dataPath);
    Drag(*window, {{10, 200}, {30, 210}});
    const auto atExit = WhileModal([&] { window->close(); });
    ASSERT_EQ(atExit.size(), 1u);
    const std::string beside = dataPath + ".saved-1";
    EXPECT_TRUE(atExit[0].text.contains(QString::fromStdString(beside))) << atExit[0].text.toStdString();
    EXPECT_FALSE(window->isVisible());
    EXPECT_TRUE(std::filesystem::is_regular_file(beside));
}

// A memo file that can't be opened is said before the window shows, with
// Retry and Quit; Quit ends the program without touching the file.
TEST_F(NotepadWindowTest, AFileThatCantBeOpenedAtStartOffersRetryAndQuit) {
    std::filesystem::create_directory(dataPath);
    std::unique_ptr<NotepadWindow> window;
    const auto seen = WhileModal([&] { window = Open(); }, QMessageBox::Close);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].icon, QMessageBox::Critical);
    EXPECT_TRUE(seen[0].text.startsWith(QString::fromStdString("The memo file " + dataPath + " can't be opened")))
        << seen[0].text.toStdString();
    EXPECT_TRUE(window->Core().QuitAtStart());
    window.reset();
    EXPECT_TRUE(std::filesystem::is_directory(dataPath));
}

TEST_F(NotepadWindowTest, QuickAlarmReachesTheServiceWithItsRecords) {
    auto window = Open();
    MenuEntry(*window, {"Alarm", "2 minutes"})->trigger();
    ASSERT_EQ(notifications.set.size(), 1u);
    const auto& call = notifications.set[0];
    EXPECT_EQ(call.existing, 0u);
    EXPECT_EQ(call.trigger.recordSize, 52u);
    EXPECT_EQ(call.trigger.type, 2u);
    EXPECT_EQ(call.trigger.application, kProgramPath);
    EXPECT_EQ(call.trigger.arguments, "");
    EXPECT_EQ(call.trigger.startTime, Time(2006, 5, 9, 10, 2, 37, 0, 2));
    EXPECT_EQ(call.trigger.endTime, Time(2006, 5, 9, 10, 3, 37, 0, 2));
    EXPECT_EQ(call.notification.actionFlags, 15u);
    EXPECT_EQ(call.notification.dialogTitle, "Tavrin");
    EXPECT_EQ(call.notification.dialogText,
              "Tavrin [10:02 AM, 5/9/06]\r\n(Close the notification dialog to switch to the program)");
    EXPECT_EQ(call.notification.sound, "Alarm2.wav");
    ASSERT_EQ(notifications.starts.size(), 1u);
    EXPECT_EQ(notifications.starts[0].start, Time(2006, 5, 9, 10, 2, 39, 0, 2));
    EXPECT_EQ(window->windowTitle(), "[10:02 AM, 5/9/06] Tavrin");

    MenuEntry(*window, {"Alarm", "Tomorrow...", "7:00"})->trigger();
    ASSERT_EQ(notifications.set.size(), 2u);
    EXPECT_EQ(notifications.set[1].existing, 1u);
    EXPECT_EQ(notifications.set[1].trigger.startTime.day, 10);
    EXPECT_EQ(notifications.set[1].trigger.startTime.hour, 7);
}

// The dialog run from "Set time...", with its buttons clicked.
TEST_F(NotepadWindowTest, SetTimeDialogRegistersClearsAndCancels) {
    auto window = Open();
    auto run = [&](const std::function<void(SetTimeWindow&)>& use) {
        bool seen = false;
        WhileModal([&] { MenuEntry(*window, {"Alarm", "Set time..."})->trigger(); }, QMessageBox::Ok,
                   [&](QWidget* modal) {
                       auto* dialog = dynamic_cast<SetTimeWindow*>(modal);
                       ASSERT_NE(dialog, nullptr);
                       seen = true;
                       use(*dialog);
                   });
        EXPECT_TRUE(seen);
    };
    auto click = [](QWidget& dialog, const char* text) {
        for (auto* button : dialog.findChildren<QPushButton*>()) {
            if (button->text() == text) return QTest::mouseClick(button, Qt::LeftButton);
        }
        ADD_FAILURE() << "no button " << text;
    };
    run([&](SetTimeWindow& dialog) {
        EXPECT_EQ(dialog.windowTitle(), "Set notification time");
        EXPECT_EQ(dialog.size(), QSize(240, 320));
        EXPECT_EQ(dialog.DateField().date(), QDate(2006, 5, 9));
        EXPECT_EQ(dialog.TimeField().time(), QTime(10, 1));
        click(dialog, "After Tomorrow");
        click(dialog, "18");
        click(dialog, ":45");
        click(dialog, "OK");
    });
    ASSERT_EQ(notifications.set.size(), 1u);
    EXPECT_EQ(notifications.set[0].trigger.startTime, Time(2006, 5, 11, 18, 45, 0, 0, 4));
    EXPECT_EQ(notifications.set[0].notification.dialogText,
              "Tavrin [6:45 PM, 5/11/06]\r\n(Close the notification dialog to switch to the program)");

    run([&](SetTimeWindow& dialog) {
        EXPECT_EQ(dialog.DateField().date(), QDate(2006, 5, 11));  // the pending alarm
        click(dialog, "Tomorrow");
        click(dialog, "Cancel");
    });
    EXPECT_EQ(notifications.set.size(), 1u);
    EXPECT_TRUE(notifications.removed.empty());

    run([&](SetTimeWindow& dialog) { click(dialog, "Clear"); });
    EXPECT_EQ(notifications.removed, std::vector<std::uint32_t>{1});
    EXPECT_EQ(window->Core().Canvas().List().Current()->alarmHandle, 0u);
    EXPECT_EQ(window->windowTitle(), "Tavrin");
}

TEST_F(NotepadWindowTest, AlarmStartShowsTheDueMemo) {
    WriteMemos(dataPath, 3, 0, 1, clock.now);
    auto window = Open(true);
    EXPECT_EQ(Counter(*window), "2/3");
    EXPECT_EQ(window->Core().Canvas().List().Current()->alarmHandle, 0u);
    EXPECT_EQ(Screen(*window).pixel(45, 105), kBlack);
    EXPECT_EQ(Screen(*window).pixel(25, 105), kWhite);
}

TEST_F(NotepadWindowTest, HandOverShowsTheDueMemoOrMakesAPageInFront) {
    WriteMemos(dataPath, 3, 0, 1, clock.now);
    auto window = Open();
    EXPECT_EQ(Counter(*window), "1/3");
    window->TakeHandOver({StartRequest::Kind::AlarmStart, {}});
    EXPECT_EQ(Counter(*window), "2/3");
    EXPECT_EQ(Screen(*window).pixel(45, 105), kBlack);
    EXPECT_EQ(Screen(*window).pixel(25, 105), kWhite);

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    window->TakeHandOver({});
    EXPECT_EQ(Counter(*window), "4/4");

    QWidget other;
    other.show();
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    window->TakeHandOver({});
    EXPECT_EQ(Counter(*window), "4/4");
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));

    // The desktop's "New memo" makes a page whichever window was in front.
    other.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&other));
    window->NewMemo();
    EXPECT_EQ(Counter(*window), "5/5");
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
}

// On a screen scaled by two the page keeps its 240 × 320 logical size and
// each page pixel becomes a 2 × 2 block of the same colour. Runs in the
// scaled test run (QT_SCALE_FACTOR=2).
// What the command-line tool reads in the memo data file.
QJsonObject FileInfo(const std::string& path) {
    QProcess tool;
    tool.start(TAVRIN_FILE_PROGRAM, {"info", QString::fromStdString(path), "--json"});
    EXPECT_TRUE(tool.waitForFinished(10000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    return QJsonDocument::fromJson(tool.readAllStandardOutput()).object();
}

QImage ExportedPage(const std::string& path, const QString& folder, int position) {
    QProcess tool;
    tool.start(TAVRIN_FILE_PROGRAM, {"export", QString::fromStdString(path), folder});
    EXPECT_TRUE(tool.waitForFinished(10000));
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    return QImage(QStringLiteral("%1/memo-%2.png").arg(folder).arg(position, 4, 10, QChar('0')))
        .convertToFormat(QImage::Format_RGB32);
}

// A day's use: write, make a page, write on it, go back, set an alarm, quit.
// The next start finds the memos, the position and the alarm as they were
// left, and shows the page the file holds.
TEST_F(NotepadWindowTest, ASessionIsFoundAgainAtTheNextStart) {
    {
        auto window = Open();
        Drag(*window, {{30, 40}, {120, 60}, {200, 40}});
        QTest::mouseClick(BarButtonNamed(*window, "Create new page"), Qt::LeftButton);
        MenuEntry(*window, {"Color", "Red"})->trigger();
        Drag(*window, {{40, 200}, {60, 300}});
        QTest::mouseClick(BarButtonNamed(*window, "Previous page"), Qt::LeftButton);
        MenuEntry(*window, {"Alarm", "1 hour"})->trigger();
        QTest::keyClick(window.get(), Qt::Key_Q, Qt::ControlModifier);
        EXPECT_FALSE(window->isVisible());
    }
    const QJsonObject info = FileInfo(dataPath);
    EXPECT_EQ(info["count"].toInt(), 2);
    EXPECT_EQ(info["currentPosition"].toInt(), 0) << "the first memo, counted from 0 as in the listing";
    const QJsonArray memos = info["memos"].toArray();
    ASSERT_EQ(memos.size(), 2);
    EXPECT_EQ(memos[0]["alarmHandle"].toInt(), 1);
    EXPECT_EQ(memos[0]["alarmTime"].toString(), "2006-05-09T11:00:00.000");
    EXPECT_EQ(memos[1]["alarmHandle"].toInt(), 0);

    auto window = Open();
    EXPECT_EQ(Counter(*window), "1/2");
    EXPECT_EQ(window->windowTitle(), "[11:00 AM, 5/9/06] Tavrin");
    const QImage screen = Screen(*window);
    const QImage first = ExportedPage(dataPath, QString::fromStdString(folder.PathOf("pages")), 1);
    ASSERT_EQ(first.size(), QSize(kPageWidth, kPageHeight));
    EXPECT_EQ(first.pixel(120, 60), kBlack);
    EXPECT_EQ(first.copy(0, kStatusRows, kPageWidth, kPageHeight - kStatusRows),
              screen.copy(0, kStatusRows, kPageWidth, kPageHeight - kStatusRows));
    const QImage second = ExportedPage(dataPath, QString::fromStdString(folder.PathOf("pages")), 2);
    EXPECT_EQ(second.pixel(50, 250), qRgb(255, 0, 0)) << "the red stroke on the second page";
}

// The overview opens from the Tools menu and with Tab, over the memos as
// they are: the page on screen is stored first, so its thumbnail shows the
// latest strokes. Arrows move, Enter shows the memo chosen, Escape nothing.
TEST_F(NotepadWindowTest, OverviewChoosesAMemoByKeys) {
    WriteMemos(dataPath, 5, 1);
    auto window = Open();
    MenuEntry(*window, {"Color", "Red"})->trigger();
    Drag(*window, {{30, 200}, {200, 260}});
    ASSERT_TRUE(WithOverview([&] { MenuEntry(*window, {"Tools", "Overview"})->trigger(); },
                             [&](overview::OverviewDialog& dialog) {
                                 overview::OverviewGrid& grid = dialog.Grid();
                                 EXPECT_EQ(grid.Items().size(), 5u);
                                 EXPECT_EQ(grid.Selected(), 1u) << "the memo shown";
                                 testing::ExpectThumbnailShowsPage(grid, 1);
                                 EXPECT_EQ(PagePixels(grid.Items()[1].memo->page).IndexAt(115, 230), 12)
                                     << "the red stroke, stored before the overview opened";
                                 const auto columns = static_cast<std::size_t>(grid.Layout().Columns());
                                 QTest::keyClick(&grid, Qt::Key_Down);
                                 EXPECT_EQ(grid.Selected(), std::min<std::size_t>(1 + columns, 4));
                                 QTest::keyClick(&grid, Qt::Key_Up);
                                 EXPECT_EQ(grid.Selected(), 1u);
                                 QTest::keyClick(&grid, Qt::Key_Right);
                                 QTest::keyClick(&grid, Qt::Key_Right);
                                 EXPECT_EQ(grid.Selected(), 3u);
                                 QTest::keyClick(&grid, Qt::Key_Return);
                             }));
    EXPECT_EQ(Counter(*window), "4/5");
    EXPECT_TRUE(Written()) << "the move saved the changed memo";
    ExpectScreenShowsSurface(Surface(*window), Screen(*window));
    EXPECT_EQ(Surface(*window).IndexAt(90, 110), 0) << "memo 4's block";

    // The offscreen platform gives the window the focus back only when asked.
    window->activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(WithOverview([&] { QTest::keyClick(window.get(), Qt::Key_Tab); },
                             [&](overview::OverviewDialog& dialog) {
                                 EXPECT_EQ(dialog.Grid().Selected(), 3u);
                                 QTest::keyClick(&dialog.Grid(), Qt::Key_Home);
                                 QTest::keyClick(&dialog.Grid(), Qt::Key_Escape);
                             }));
    EXPECT_EQ(Counter(*window), "4/5") << "Escape changes nothing";
}

TEST_F(NotepadWindowTest, OverviewShowsTheMemoClicked) {
    WriteMemos(dataPath, 5, 4);
    auto window = Open();
    ASSERT_TRUE(WithOverview([&] { QTest::keyClick(window.get(), Qt::Key_Tab); },
                             [&](overview::OverviewDialog& dialog) {
                                 overview::OverviewGrid& grid = dialog.Grid();
                                 QTest::mouseClick(grid.viewport(), Qt::LeftButton, {},
                                                   grid.ThumbnailRect(2).center());
                             }));
    EXPECT_EQ(Counter(*window), "3/5");
}

// "With alarms" lists the memos whose alarm is set, the earliest first,
// keeping the memo selected; the position shown is the memo's in the list.
TEST_F(NotepadWindowTest, OverviewWithAlarmsListsThemEarliestFirst) {
    WriteMemos(dataPath, 5, 0);
    auto window = Open();
    MenuEntry(*window, {"Alarm", "8 hours"})->trigger();
    QTest::keyClick(window.get(), Qt::Key_Right);
    QTest::keyClick(window.get(), Qt::Key_Right);
    MenuEntry(*window, {"Alarm", "2 minutes"})->trigger();
    QTest::keyClick(window.get(), Qt::Key_Right);
    MenuEntry(*window, {"Alarm", "1 hour"})->trigger();
    ASSERT_TRUE(WithOverview([&] { QTest::keyClick(window.get(), Qt::Key_Tab); },
                             [&](overview::OverviewDialog& dialog) {
                                 overview::OverviewGrid& grid = dialog.Grid();
                                 QCheckBox& withAlarms = dialog.WithAlarms();
                                 QTest::mouseClick(&withAlarms, Qt::LeftButton, {}, {8, withAlarms.height() / 2});
                                 std::vector<std::uint16_t> positions;
                                 for (const overview::Item& item : grid.Items()) positions.push_back(item.position);
                                 EXPECT_EQ(positions, (std::vector<std::uint16_t>{3, 4, 1}));
                                 EXPECT_EQ(grid.Selected(), 1u) << "memo 4, shown when it opened";
                                 testing::SaveScreenshot(dialog, "tavrin-overview-alarms.png");
                                 QTest::keyClick(&grid, Qt::Key_Left);
                                 QTest::keyClick(&grid, Qt::Key_Enter);
                             }));
    EXPECT_EQ(Counter(*window), "3/5");
}

// The overview is a modal moment: a second start's new page waits until
// it closes, so that nothing changes the memos under it.
TEST_F(NotepadWindowTest, HandOverWaitsForTheOverview) {
    WriteMemos(dataPath, 3, 0);
    auto window = Open();
    ASSERT_TRUE(WithOverview([&] { QTest::keyClick(window.get(), Qt::Key_Tab); },
                             [&](overview::OverviewDialog& dialog) {
                                 window->TakeHandOver({StartRequest::Kind::NewMemo, {}});
                                 QApplication::processEvents();
                                 EXPECT_EQ(Counter(*window), "1/3");
                                 QTest::keyClick(&dialog.Grid(), Qt::Key_Right);
                                 QTest::keyClick(&dialog.Grid(), Qt::Key_Return);
                             }));
    EXPECT_EQ(Counter(*window), "2/3") << "the choice first";
    QTest::qWait(20);
    EXPECT_EQ(Counter(*window), "4/4") << "then the new page that waited";
}

TEST_F(NotepadWindowTest, OverviewScreenshot) {
    WriteMemos(dataPath, 7, 2, 2, Time(2006, 5, 9, 18, 45, 0, 0, 2));
    notifications.held.insert(5);
    auto window = Open();
    ASSERT_TRUE(WithOverview([&] { QTest::keyClick(window.get(), Qt::Key_Tab); },
                             [&](overview::OverviewDialog& dialog) {
                                 testing::ShowAllThumbnails(dialog.Grid());
                                 testing::SaveScreenshot(dialog, "tavrin-overview.png");
                                 dialog.reject();
                             }));
}

TEST_F(NotepadWindowTest, ScaledScreenShowsThePageWithoutSmoothing) {
    auto window = Open();
    if (window->devicePixelRatio() != 2) GTEST_SKIP() << "needs QT_SCALE_FACTOR=2";
    EXPECT_EQ(window->Page().size(), QSize(240, 320));
    Drag(*window, {{60, 100}, {100, 140}, {180, 120}});
    // The offscreen screen's own grab is in logical pixels: the page is drawn
    // again at the device pixel ratio instead.
    const QImage screen = window->Page().grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(screen.size(), QSize(480, 640));
    ExpectScreenShowsSurface(Surface(*window), screen, 2);
}

// A memo's page as a picture in its colors.
QImage PictureOf(const MemoEntry& memo) {
    const PagePixels pixels(memo.page);
    QImage picture(kPageWidth, kPageHeight, QImage::Format_RGB32);
    for (int y = 0; y < kPageHeight; ++y) {
        for (int x = 0; x < kPageWidth; ++x) picture.setPixel(x, y, PaletteRgb(pixels.IndexAt(x, y)));
    }
    return picture;
}

// Tools > Export… writes the memo shown (with the strokes not saved yet) or
// every memo, as PNG pictures or one PDF, where the file dialog says; each
// picture is its memo's page. A failure is said, naming the file.
TEST_F(NotepadWindowTest, ExportWritesTheChosenMemosWhereTheFileDialogSays) {
    const struct {
        const char* label;
        bool everyMemo;
        bool asPdf;
        const char* typed;  // in the file dialog, in the test's folder
        std::vector<const char*> written;  // PDF: the document; PNG: a picture a memo
        std::vector<int> memos;  // 0-based, as written
        const char* error;  // empty: none
    } cases[] = {
        {"every memo as one PDF", true, true, "all", {"all.pdf"}, {0, 1, 2}, ""},
        {"the memo shown as PDF", false, true, "shown.pdf", {"shown.pdf"}, {1}, ""},
        {"the memo shown as PNG", false, false, "shown", {"shown.png"}, {1}, ""},
        {"every memo as PNGs", true, false, "pictures", {"pictures/memo-0001.png", "pictures/memo-0002.png",
                                                         "pictures/memo-0003.png"}, {0, 1, 2}, ""},
        {"a picture that can't be written", true, false, "blocked", {}, {}, "blocked/memo-0001.png"},
    };
    std::filesystem::create_directories(folder.PathOf("pictures"));
    std::filesystem::create_directories(folder.PathOf("blocked/memo-0001.png"));
    for (const auto& exported : cases) {
        SCOPED_TRACE(exported.label);
        WriteMemos(dataPath, 3, 1);
        auto window = Open();
        Drag(*window, {{60, 200}, {180, 220}});
        std::vector<SeenMessage> messages = WhileModal(
            [&] { MenuEntry(*window, {"Tools", "Export…"})->trigger(); }, QMessageBox::Ok, [&](QWidget* modal) {
                if (auto* choice = dynamic_cast<ExportDialog*>(modal)) {
                    choice->Choose(exported.everyMemo, exported.asPdf);
                    choice->accept();
                } else {
                    AnswerFileDialog(modal, folder.PathOf(exported.typed));
                }
            });
        const MemoList& list = window->Core().Canvas().List();
        std::vector<QImage> expected;
        for (const int memo : exported.memos) {
            const MemoEntry* entry = list.First();
            for (int i = 0; i < memo; ++i) entry = list.NextOf(entry);
            expected.push_back(PictureOf(*entry));
            // The stroke made just before the export is in it.
            if (memo == 1) {
                EXPECT_EQ(expected.back().pixel(120, 210), qRgb(0, 0, 0));
            }
        }
        if (*exported.error != '\0') {
            ASSERT_EQ(messages.size(), std::size_t{1});
            EXPECT_NE(messages[0].text.toStdString().find(folder.PathOf(exported.error)), std::string::npos)
                << messages[0].text.toStdString();
            EXPECT_TRUE(window->Core().Note().empty());
            continue;
        }
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(window->Core().Note(), "Exported " + std::to_string(exported.memos.size()) +
                                             (exported.memos.size() == 1 ? " memo" : " memos"));
        if (exported.asPdf) {
            const std::vector<QImage> pages =
                testing::RenderPdf(folder.PathOf(exported.written[0]), folder.PathOf("rendered"), 144);
            ASSERT_EQ(pages.size(), expected.size());
            // A4, the picture at 2 points a pixel from 57 points left and 36 down.
            for (std::size_t i = 0; i < pages.size(); ++i) {
                testing::ExpectPictureAt(pages[i], QPoint(57 * 2, 36 * 2), 4, expected[i]);
            }
            std::filesystem::remove_all(folder.PathOf("rendered"));
        } else {
            ASSERT_EQ(exported.written.size(), expected.size());
            for (std::size_t i = 0; i < expected.size(); ++i) {
                const QImage png(QString::fromStdString(folder.PathOf(exported.written[i])));
                EXPECT_EQ(png.convertToFormat(QImage::Format_RGB32), expected[i]) << exported.written[i];
            }
        }
        window->close();
    }
}

// Tools > Print… prints the memos of the print dialog's range ("Current
// Page" the memo shown), as the PDF shows them; here the printer prints to a
// PDF file.
TEST_F(NotepadWindowTest, PrintSendsTheMemosOfTheRange) {
    const struct {
        const char* label;
        QPrinter::PrintRange range;
        int from, to;  // 1-based, for PageRange
        std::vector<int> memos;  // 0-based
    } cases[] = {
        {"every memo", QPrinter::AllPages, 0, 0, {0, 1, 2}},
        {"the memo shown", QPrinter::CurrentPage, 0, 0, {1}},
        {"memos 2 to 3", QPrinter::PageRange, 2, 3, {1, 2}},
    };
    for (const auto& printed : cases) {
        SCOPED_TRACE(printed.label);
        WriteMemos(dataPath, 3, 1);
        auto window = Open();
        const std::string output = folder.PathOf("printed.pdf");
        std::filesystem::remove(output);
        int paperWidth = 0;  // points
        const auto messages = WhileModal(
            [&] { MenuEntry(*window, {"Tools", "Print…"})->trigger(); }, QMessageBox::Ok, [&](QWidget* modal) {
                auto* dialog = qobject_cast<QPrintDialog*>(modal);
                ASSERT_NE(dialog, nullptr) << modal->metaObject()->className();
                QPrinter* printer = dialog->printer();
                printer->setOutputFormat(QPrinter::PdfFormat);
                printer->setOutputFileName(QString::fromStdString(output));
                printer->setPrintRange(printed.range);
                printer->setFromTo(printed.from, printed.to);
                paperWidth = printer->pageLayout().fullRectPoints().width();
                dialog->done(QDialog::Accepted);
            });
        EXPECT_TRUE(messages.empty());
        const std::vector<QImage> pages = testing::RenderPdf(output, folder.PathOf("rendered"), 144);
        std::filesystem::remove_all(folder.PathOf("rendered"));
        ASSERT_EQ(pages.size(), printed.memos.size());
        // On the printer's own paper, at 2 points a pixel, centred, 36 points down.
        for (std::size_t i = 0; i < pages.size(); ++i) {
            const MemoEntry* entry = window->Core().Canvas().List().First();
            for (int m = 0; m < printed.memos[i]; ++m) entry = window->Core().Canvas().List().NextOf(entry);
            testing::ExpectPictureAt(pages[i], QPoint((paperWidth - 480) / 2 * 2, 36 * 2), 4, PictureOf(*entry));
        }
        window->close();
    }
}

// Ctrl+plus (or Ctrl+=), Ctrl+minus, Ctrl+0 and Tools > Zoom set the zoom
// between 1× and 3×; the page, and the bar with it, take its size, and the
// menu checks the zoom shown.
TEST_F(NotepadWindowTest, ZoomKeysAndMenu) {
    auto window = Open();
    const struct {
        const char* label;
        std::function<void()> action;
        int factor;
    } steps[] = {
        {"Ctrl+plus", [&] { QTest::keyClick(window.get(), Qt::Key_Plus, Qt::ControlModifier); }, 2},
        {"Ctrl+=", [&] { QTest::keyClick(window.get(), Qt::Key_Equal, Qt::ControlModifier); }, 3},
        {"no further than 3×", [&] { QTest::keyClick(window.get(), Qt::Key_Plus, Qt::ControlModifier); }, 3},
        {"Ctrl+minus", [&] { QTest::keyClick(window.get(), Qt::Key_Minus, Qt::ControlModifier); }, 2},
        {"Ctrl+0", [&] { QTest::keyClick(window.get(), Qt::Key_0, Qt::ControlModifier); }, 1},
        {"no further than 1×", [&] { QTest::keyClick(window.get(), Qt::Key_Minus, Qt::ControlModifier); }, 1},
        {"the menu", [&] { MenuEntry(*window, {"Tools", "Zoom", "Zoom 3×"})->trigger(); }, 3},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.label);
        step.action();
        QApplication::processEvents();
        EXPECT_EQ(window->Page().size(), QSize(kPageWidth, kPageHeight) * step.factor);
        // The window lays itself out again a moment later.
        EXPECT_TRUE(QTest::qWaitFor([&] { return window->Bar().width() == window->Page().width(); }, 2000))
            << window->Bar().width();
        for (int factor = 1; factor <= 3; ++factor) {
            const QString name = QStringLiteral("Zoom %1×").arg(factor);
            EXPECT_EQ(MenuEntry(*window, {"Tools", "Zoom", name})->isChecked(), factor == step.factor);
        }
    }
}

// At every zoom a stroke lands on the page pixels under the pen, the same as
// at 1×, and the screen shows each page pixel as a whole square.
TEST_F(NotepadWindowTest, StrokeAtEveryZoomLandsUnderThePen) {
    const std::vector<QPoint> stroke = {{60, 100}, {100, 140}, {180, 120}, {181, 121}};
    std::vector<std::uint8_t> atOne;
    for (int factor = 1; factor <= 3; ++factor) {
        SCOPED_TRACE(factor);
        std::filesystem::remove(dataPath);
        auto window = Open();
        window->Page().Zoom().SetFactor(factor);
        std::vector<QPoint> underThePen;
        // The middle of the square that shows the page pixel.
        for (const QPoint& point : stroke) underThePen.push_back(point * factor + QPoint(factor / 2, factor / 2));
        Drag(*window, underThePen);
        const PagePixels surface = Surface(*window);
        if (factor == 1) atOne = surface.Bytes();
        EXPECT_EQ(surface.Bytes(), atOne);
        ExpectScreenShowsSurface(surface, window->Page().grab().toImage().convertToFormat(QImage::Format_RGB32),
                                 factor);
        window->close();
    }
}

TEST_F(NotepadWindowTest, Screenshots) {
    WriteMemos(dataPath, 3, 2, 2, Time(2006, 5, 9, 18, 45, 0, 0, 2));
    notifications.held.insert(5);
    auto window = Open();
    MenuEntry(*window, {"Color", "Blue"})->trigger();
    Drag(*window, {{20, 160}, {40, 200}, {60, 170}, {80, 210}, {100, 175}});
    MenuEntry(*window, {"Color", "Red"})->trigger();
    MenuEntry(*window, {"Pen width", "4"})->trigger();
    Drag(*window, {{30, 260}, {120, 250}, {210, 270}});
    QApplication::processEvents();
    const QByteArray output = qgetenv("TAVRIN_TEST_OUTPUT");
    if (output.isEmpty()) GTEST_SKIP() << "TAVRIN_TEST_OUTPUT is not set";
    std::filesystem::create_directories(output.toStdString());
    EXPECT_TRUE(window->grab().save(QString::fromUtf8(output) + QStringLiteral("/tavrin.png")));
    window->Page().Zoom().SetFactor(2);
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->Bar().width() == window->Page().width(); }, 2000));
    EXPECT_TRUE(window->grab().save(QString::fromUtf8(output) + QStringLiteral("/tavrin-zoom-2.png")));
    window->Page().Zoom().SetFactor(1);
    const struct {
        QStringList menu;
        const char* shot;
    } dialogs[] = {
        {{"Alarm", "Set time..."}, "tavrin-set-time.png"},
        {{"Tools", "Export…"}, "tavrin-export.png"},
        {{"Tools", "Print…"}, "tavrin-print.png"},
    };
    for (const auto& shown : dialogs) {
        WhileModal([&] { MenuEntry(*window, shown.menu)->trigger(); }, QMessageBox::Ok, [&](QWidget* dialog) {
            EXPECT_TRUE(dialog->grab().save(QString::fromUtf8(output) + QLatin1Char('/') + QLatin1String(shown.shot)));
            dialog->close();
        });
    }
}

}  // namespace
}  // namespace tavrin::handheld
