// TavrinView driven as a user would: real widgets on the offscreen platform,
// real key and mouse events, pixels read back from the window.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMimeData>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTimer>

#include <filesystem>
#include <fstream>
#include <functional>

#include "platform/drawing.h"
#include "platform/locale_text.h"
#include "store/allocation.h"
#include "store/memo_file.h"
#include "support/modal_dialogs.h"
#include "support/overview_driving.h"
#include "support/scratch_folder.h"
#include "viewer/qt/viewer_window.h"

using namespace tavrin;
using tavrin::testing::ScratchFolder;
using tavrin::testing::SeenMessage;
using tavrin::testing::AnswerFileDialog;
using tavrin::testing::WhileModal;
using tavrin::testing::WithOverview;
using tavrin::viewer::kFollowDelay;
using tavrin::viewer::ViewerWindow;

namespace {

// The color a memo's page is filled with, so that each memo is told apart by
// its pixels: memo i (0-based) gets color-table entry i % 15.
QRgb MemoColor(int index) {
    const platform::RgbQuad& entry = PenPalette[static_cast<std::size_t>(index % 15)];
    return qRgb(entry.red, entry.green, entry.blue);
}

struct MemoFileLayout {
    int count = 3;
    int current = 0;        // 0-based
    int alarmMemo = -1;     // this memo gets an alarm handle
    int shortCreated = -1;  // this memo's creation text is shorter than the others'
    std::vector<int> minutes = {};  // memo i is made at minutes[i]; empty: at minute i
};

// Writes a memo data file with the store: memo i is white with a block of
// its color at (20 + i, 40) .. (200, 300) and a single marker pixel of
// color 0 (black) at (i, 0).
void WriteMemoFile(const std::string& path, const MemoFileLayout& layout) {
    MemoList list;
    const auto context = platform::GetScreenContext()->CreateCompatibleContext();
    const auto bitmap = context->CreateCompatibleBitmap(240, 320);
    platform::Bitmap* saved = context->SelectBitmap(bitmap.get());
    for (int i = 0; i < layout.count; ++i) {
        MemoEntry& memo = i == 0 ? *list.Current() : *list.Append();
        const int minute = layout.minutes.empty() ? i : layout.minutes[static_cast<std::size_t>(i)];
        memo.created = SYSTEMTIME{2024, 3, 4, 12, 10, static_cast<std::uint16_t>(minute), 0, 0};
        if (i == layout.shortCreated) memo.created = SYSTEMTIME{2024, 3, 4, 1, 1, 1, 0, 0};
        if (i == layout.alarmMemo) memo.SetAlarm(77, SYSTEMTIME{2031, 12, 3, 31, 21, 30, 0, 0});
        context->FillWhite({0, 0, 240, 320});
        const QRgb color = MemoColor(i);
        const auto brush = platform::CreateSolidBrush(MakeColor(static_cast<std::uint8_t>(qRed(color)),
                                                                 static_cast<std::uint8_t>(qGreen(color)),
                                                                 static_cast<std::uint8_t>(qBlue(color))));
        context->FillRect({20 + i, 40, 200, 300}, *brush);
        const auto black = platform::CreateSolidBrush(0);
        context->FillRect({i, 0, i + 1, 1}, *black);
        memo.page.Capture(*context, 0, 0, 240, 320);
    }
    while (list.CurrentIndex() > layout.current + 1) list.Previous();
    context->SelectBitmap(saved);
    MemoFile file(platform::LocalFileSystem());
    ASSERT_TRUE(file.Save(list, path));
}

// The action of a menu of the bar, by the texts of both.
QAction* MenuAction(ViewerWindow& window, const QString& menu, const QString& item) {
    for (QAction* entry : window.menuBar()->actions()) {
        if (entry->text() != menu || entry->menu() == nullptr) continue;
        for (QAction* action : entry->menu()->actions()) {
            if (action->text() == item) return action;
        }
    }
    ADD_FAILURE() << "no " << item.toStdString() << " in " << menu.toStdString();
    return nullptr;
}

// Another program's save: a new file renamed over the old one.
void ReplaceByRename(const std::string& path, const MemoFileLayout& layout) {
    const std::string next = path + ".next";
    WriteMemoFile(next, layout);
    std::filesystem::rename(next, path);
}

void ReplaceByRenameWith(const std::string& path, const std::string& bytes) {
    const std::string next = path + ".next";
    std::ofstream(next, std::ios::binary) << bytes;
    std::filesystem::rename(next, path);
}

// A program that writes the file in place; the new content is made in
// another folder, so that nothing else changes in the file's own.
void RewriteInPlace(const std::string& path, const MemoFileLayout& layout) {
    const ScratchFolder elsewhere;
    const std::string next = elsewhere.PathOf("next.dat");
    WriteMemoFile(next, layout);
    std::ifstream from(next, std::ios::binary);
    std::ofstream(path, std::ios::binary | std::ios::trunc) << from.rdbuf();
}

QImage Grab(ViewerWindow& window) { return window.Client().grab().toImage(); }

// Whether the window shows memo `index` (0-based) of the file WriteMemoFile wrote.
bool ShowsMemo(ViewerWindow& window, int index) {
    const QImage shown = Grab(window);
    return shown.pixel(1 + 20 + index, 18 + 40) == MemoColor(index) &&
           shown.pixel(1 + 19 + index, 18 + 40) == qRgb(255, 255, 255);
}

// Counts the message boxes shown, so that a test can wait for one.
class MessageBoxCounter : public QObject {
public:
    MessageBoxCounter() { qApp->installEventFilter(this); }
    int shown = 0;

protected:
    bool eventFilter(QObject* object, QEvent* event) override {
        if (event->type() == QEvent::Show && qobject_cast<QMessageBox*>(object) != nullptr) ++shown;
        return false;
    }
};

// The status strip's pixels: what the texts left there.
QImage Strip(ViewerWindow& window) {
    return Grab(window).copy(0, 0, viewer::kClientWidth, viewer::kStripHeight);
}

// Counts paints of a widget.
class PaintCounter : public QObject {
public:
    explicit PaintCounter(QWidget& widget) { widget.installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Paint) ++paints;
        return false;
    }
};

}  // namespace

class ViewerWindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() { platform::PinUserLocale("en_US"); }
    // Settings such as the last folder opened go to this test's folder.
    void SetUp() override {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(Path("settings")));
    }

    std::string Path(const char* name) const { return folder_.PathOf(name); }

    // A shown window over `path`, with its messages answered.
    static std::unique_ptr<ViewerWindow> Open(const std::string& path,
                                              std::vector<SeenMessage>* messages = nullptr) {
        std::unique_ptr<ViewerWindow> window;
        auto seen = WhileModal([&] { window = std::make_unique<ViewerWindow>(path); });
        if (messages != nullptr) *messages = seen;
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) return nullptr;
        return window;
    }

    static std::string Counter(ViewerWindow& window) {
        const MemoList& list = window.Canvas().List();
        return std::to_string(list.CurrentIndex()) + "/" + std::to_string(list.Count());
    }

    static std::string Title(ViewerWindow& window) { return window.windowTitle().toStdString(); }

    static bool WaitForCounter(ViewerWindow& window, const std::string& counter) {
        return QTest::qWaitFor([&] { return Counter(window) == counter; }, 5000);
    }

    ScratchFolder folder_;
};

TEST_F(ViewerWindowTest, OpensAtTheStoredMemoWithItsPixelsInsideTheFrame) {
    const std::string path = Path("pixels.dat");
    WriteMemoFile(path, {.count = 7, .current = 2});
    auto window = Open(path);
    ASSERT_TRUE(window);
    EXPECT_EQ(Counter(*window), "3/7");
    EXPECT_EQ(window->Client().size(), QSize(242, 339));
    const QImage shown = Grab(*window);
    ASSERT_EQ(shown.size(), QSize(242, 339));
    // Window pixel (x, y) shows page pixel (x - 1, y - 18).
    EXPECT_EQ(shown.pixel(1 + 2, 18 + 0), qRgb(0, 0, 0));  // memo 3's marker
    EXPECT_EQ(shown.pixel(1 + 3, 18 + 0), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(1 + 22, 18 + 40), MemoColor(2));  // its block's corner
    EXPECT_EQ(shown.pixel(1 + 21, 18 + 40), qRgb(255, 255, 255));
    EXPECT_EQ(shown.pixel(1 + 199, 18 + 299), MemoColor(2));
    EXPECT_EQ(shown.pixel(1 + 239, 18 + 319), qRgb(255, 255, 255));
    // The one-pixel black frame around the page.
    for (const QPoint corner :
         {QPoint(0, 17), QPoint(241, 17), QPoint(0, 338), QPoint(241, 338), QPoint(120, 17), QPoint(0, 200)})
        EXPECT_EQ(shown.pixel(corner), qRgb(0, 0, 0)) << corner.x() << ", " << corner.y();
    EXPECT_EQ(Title(*window), "TavrinView");
}

TEST_F(ViewerWindowTest, TitleShowsTheAlarmOfTheMemoShownFromTheStart) {
    const std::string path = Path("alarm.dat");
    WriteMemoFile(path, {.count = 3, .current = 1, .alarmMemo = 1});
    auto window = Open(path);
    ASSERT_TRUE(window);
    EXPECT_TRUE(Title(*window).starts_with("[")) << Title(*window);
    EXPECT_TRUE(Title(*window).ends_with("] TavrinView")) << Title(*window);
    EXPECT_NE(Title(*window).find("12/31/31"), std::string::npos) << Title(*window);
    QTest::keyClick(window.get(), Qt::Key_Right);
    EXPECT_EQ(Title(*window), "TavrinView");
    QTest::keyClick(window.get(), Qt::Key_Left);
    EXPECT_TRUE(Title(*window).ends_with("] TavrinView")) << Title(*window);
}

// Each key moves one memo and repaints at once; at the end it changes
// nothing and paints nothing.
TEST_F(ViewerWindowTest, PagingKeys) {
    const struct {
        const char* label;
        Qt::Key key;
        bool forward;
    } cases[] = {
        {"Page Up", Qt::Key_PageUp, false}, {"Left", Qt::Key_Left, false},   {"Up", Qt::Key_Up, false},
        {"Page Down", Qt::Key_PageDown, true}, {"Right", Qt::Key_Right, true}, {"Down", Qt::Key_Down, true},
    };
    const std::string path = Path("keys.dat");
    WriteMemoFile(path, {.count = 3, .current = 1});
    for (const auto& key : cases) {
        SCOPED_TRACE(key.label);
        auto window = Open(path);
        ASSERT_TRUE(window);
        PaintCounter counter(window->Client());
        const std::string end = key.forward ? "3/3" : "1/3";
        QTest::keyClick(window.get(), key.key);
        EXPECT_EQ(Counter(*window), end);
        EXPECT_GE(counter.paints, 1);
        EXPECT_EQ(Grab(*window).pixel(1 + 22 + (key.forward ? 0 : -2), 18 + 40), MemoColor(key.forward ? 2 : 0));
        const QImage atEnd = Grab(*window);
        counter.paints = 0;
        QTest::keyClick(window.get(), key.key);
        QApplication::processEvents();
        EXPECT_EQ(Counter(*window), end);
        EXPECT_EQ(counter.paints, 0);
        EXPECT_TRUE(Grab(*window) == atEnd);
    }
}

TEST_F(ViewerWindowTest, HomeAndEndDoNothing) {
    const std::string path = Path("home.dat");
    WriteMemoFile(path, {.count = 3, .current = 1});
    auto window = Open(path);
    ASSERT_TRUE(window);
    QTest::keyClick(window.get(), Qt::Key_Home);
    QTest::keyClick(window.get(), Qt::Key_End);
    EXPECT_EQ(Counter(*window), "2/3");
}

TEST_F(ViewerWindowTest, PrevAndNextOnTheMenuBar) {
    const std::string path = Path("menu.dat");
    WriteMemoFile(path, {.count = 2, .current = 0});
    auto window = Open(path);
    ASSERT_TRUE(window);
    QMenuBar* bar = window->menuBar();
    auto click = [&](const QString& text) {
        for (QAction* action : bar->actions())
            if (action->text() == text) QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(action).center());
    };
    PaintCounter counter(window->Client());
    click(QStringLiteral("&Prev"));  // at the first memo: nothing
    EXPECT_EQ(Counter(*window), "1/2");
    EXPECT_EQ(counter.paints, 0);
    click(QStringLiteral("&Next"));
    EXPECT_EQ(Counter(*window), "2/2");
    EXPECT_GE(counter.paints, 1);
    click(QStringLiteral("&Next"));  // at the last memo: nothing
    EXPECT_EQ(Counter(*window), "2/2");
    click(QStringLiteral("&Prev"));
    EXPECT_EQ(Counter(*window), "1/2");
}

// Paging from 10/12 to 9/12 leaves no trace of the wider texts before.
TEST_F(ViewerWindowTest, StatusStripShowsOnlyTheTextsOfTheMemoShown) {
    const std::string paged = Path("strip-paged.dat");
    WriteMemoFile(paged, {.count = 12, .current = 9, .shortCreated = 8});
    const std::string direct = Path("strip-direct.dat");
    WriteMemoFile(direct, {.count = 12, .current = 8, .shortCreated = 8});
    auto fresh = Open(direct);
    ASSERT_TRUE(fresh);
    const QImage expected = Strip(*fresh);
    fresh.reset();
    auto window = Open(paged);
    ASSERT_TRUE(window);
    EXPECT_EQ(Counter(*window), "10/12");
    const QImage before = Strip(*window);
    QTest::keyClick(window.get(), Qt::Key_PageUp);
    EXPECT_EQ(Counter(*window), "9/12");
    EXPECT_TRUE(Strip(*window) != before);
    EXPECT_TRUE(Strip(*window) == expected);
}

TEST_F(ViewerWindowTest, CorruptedFileWarnsBeforeTheWindowAndShowsABlankMemo) {
    const std::string path = Path("corrupted.dat");
    WriteMemoFile(path, {.count = 3});
    std::fstream(path, std::ios::in | std::ios::out | std::ios::binary).write("Tavrin03", 8);
    std::vector<SeenMessage> messages;
    auto window = Open(path, &messages);
    ASSERT_TRUE(window);
    ASSERT_EQ(messages.size(), std::size_t{1});
    EXPECT_EQ(messages[0].text.toStdString(), "Tavrin data file is corrupted.");
    EXPECT_EQ(messages[0].title.toStdString(), "Warning");
    EXPECT_EQ(messages[0].icon, QMessageBox::Warning);
    EXPECT_EQ(Counter(*window), "1/1");
    EXPECT_EQ(Title(*window), "TavrinView");
    EXPECT_EQ(Grab(*window).pixel(1 + 100, 18 + 100), qRgb(255, 255, 255));
}

TEST_F(ViewerWindowTest, FailuresThatShowABlankPage) {
    enum class Failure { Missing, EmptyCommandLine, QuotedPath, ShortRead, OutOfMemory };
    const struct {
        const char* label;
        Failure failure;
        const char* message;  // empty: none
        const char* counter;
    } cases[] = {
        {"missing file", Failure::Missing, "", "1/1"},
        {"empty command line", Failure::EmptyCommandLine, "", "1/1"},
        {"quoted path", Failure::QuotedPath, "", "1/1"},
        // A truncated file: the memos read so far stay, the page is not shown.
        {"short read", Failure::ShortRead, "", "3/3"},
        {"out of memory", Failure::OutOfMemory, "Not enough memory", "1/1"},
    };
    const std::string good = Path("good.dat");
    WriteMemoFile(good, {.count = 3, .current = 2, .alarmMemo = 2});
    for (const auto& failure : cases) {
        SCOPED_TRACE(failure.label);
        std::string path = Path("does-not-exist.dat");
        std::unique_ptr<AllocationLimitForTesting> limit;
        switch (failure.failure) {
            case Failure::Missing: break;
            case Failure::EmptyCommandLine: path.clear(); break;
            case Failure::QuotedPath: path = "\"" + good + "\""; break;
            case Failure::ShortRead:
                path = Path("truncated.dat");
                std::filesystem::copy_file(good, path, std::filesystem::copy_options::overwrite_existing);
                std::filesystem::resize_file(path, std::filesystem::file_size(good) - 10);
                break;
            case Failure::OutOfMemory:
                path = good;
                limit = std::make_unique<AllocationLimitForTesting>(16);
                break;
        }
        std::vector<SeenMessage> messages;
        auto window = Open(path, &messages);
        limit.reset();
        ASSERT_TRUE(window);
        if (*failure.message == '\0') {
            EXPECT_TRUE(messages.empty());
        } else {
            ASSERT_EQ(messages.size(), std::size_t{1});
            EXPECT_EQ(messages[0].text.toStdString(), failure.message);
            EXPECT_EQ(messages[0].title.toStdString(), "Error");
            EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
        }
        EXPECT_EQ(Counter(*window), failure.counter);
        EXPECT_EQ(Title(*window), "TavrinView");
        EXPECT_EQ(Grab(*window).pixel(1 + 100, 18 + 100), qRgb(255, 255, 255));
    }
}

TEST_F(ViewerWindowTest, CommandLineIsTheArgumentsJoinedAsTheyStand) {
    const char* const args[] = {"tavrinview", "\"/tmp/my", "memos.dat\""};
    EXPECT_EQ(viewer::CommandLinePath(3, args), "\"/tmp/my memos.dat\"");
    EXPECT_EQ(viewer::CommandLinePath(1, args), "");
}

TEST_F(ViewerWindowTest, AboutBoxOpensByBothAcceleratorsAndCloses) {
    const struct {
        const char* label;
        Qt::Key key;
        bool closeWithOk;
    } cases[] = {{"Alt+? closed by OK", Qt::Key_Question, true}, {"Alt+/ closed by Escape", Qt::Key_Slash, false}};
    for (const auto& about : cases) {
        SCOPED_TRACE(about.label);
        auto window = Open(Path("none.dat"));
        ASSERT_TRUE(window);
        QString caption;
        QStringList texts;
        bool closed = false;
        WhileModal([&] { QTest::keyClick(window.get(), about.key, Qt::AltModifier); }, QMessageBox::Ok,
                   [&](QWidget* dialog) {
                       caption = dialog->windowTitle();
                       for (QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
                       if (about.closeWithOk) {
                           QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
                       } else {
                           QTest::keyClick(dialog, Qt::Key_Escape);
                       }
                       closed = true;
                   });
        EXPECT_TRUE(closed);
        EXPECT_EQ(caption.toStdString(), "About");
        EXPECT_TRUE(texts.contains(QStringLiteral("TavrinView Version 1.0"))) << texts.join(", ").toStdString();
        EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
        EXPECT_TRUE(window->isVisible());
    }
}

TEST_F(ViewerWindowTest, EscapeEndsTheProgramWithCodeZero) {
    auto window = Open(Path("none.dat"));
    ASSERT_TRUE(window);
    QTimer::singleShot(0, window.get(), [&] { QTest::keyClick(window.get(), Qt::Key_Escape); });
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_TRUE(window->isVisible());  // ended without closing the window first
}

TEST_F(ViewerWindowTest, ExitCommandClosesTheWindow) {
    auto window = Open(Path("none.dat"));
    ASSERT_TRUE(window);
    const QList<QAction*> file = window->menuBar()->actions().first()->menu()->actions();
    ASSERT_EQ(file.size(), 2);
    QAction* exit = file.last();
    EXPECT_EQ(exit->text().toStdString(), "E&xit");
    exit->trigger();
    EXPECT_FALSE(window->isVisible());
}

// Paging through a file and closing the window leave the file as it was
// and the folder holding nothing else.
TEST_F(ViewerWindowTest, ViewerNeverChangesTheFile) {
    const std::string path = Path("untouched.dat");
    WriteMemoFile(path, {.count = 4, .current = 1, .alarmMemo = 0});
    const auto size = std::filesystem::file_size(path);
    const auto time = std::filesystem::last_write_time(path);
    {
        auto window = Open(path);
        ASSERT_TRUE(window);
        for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Left, Qt::Key_Up, Qt::Key_Down})
            QTest::keyClick(window.get(), key);
        window->close();
    }
    EXPECT_EQ(std::filesystem::file_size(path), size);
    EXPECT_TRUE(std::filesystem::last_write_time(path) == time);
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder_.Folder()))
        names.push_back(entry.path().filename().string());
    EXPECT_EQ(names, std::vector<std::string>{"untouched.dat"});
}

TEST_F(ViewerWindowTest, OpenCommandShowsTheChosenFileAndFollowsIt) {
    enum class Way { CtrlO, Menu };
    const struct {
        const char* label;
        Way way;
        const char* chosen;  // null: the dialog is cancelled
        const char* counter;
        bool refused;  // said in a message, what was shown kept
    } cases[] = {
        {"Ctrl+O", Way::CtrlO, "other.dat", "2/4", false},
        {"the File menu", Way::Menu, "other.dat", "2/4", false},
        {"a file that is no memo file", Way::CtrlO, "not-memos.dat", "1/3", true},
        {"cancelled", Way::Menu, nullptr, "1/3", false},
    };
    const std::string shown = Path("shown.dat");
    WriteMemoFile(shown, {.count = 3, .current = 0});
    std::ofstream(Path("not-memos.dat"), std::ios::binary) << "Hello, this is a shopping list.";
    for (const auto& open : cases) {
        SCOPED_TRACE(open.label);
        WriteMemoFile(Path("other.dat"), {.count = 4, .current = 1});
        auto window = Open(shown);
        ASSERT_TRUE(window);
        QString startFolder;
        bool dialogSeen = false;
        const auto messages = WhileModal(
            [&] {
                if (open.way == Way::CtrlO) {
                    QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier);
                } else {
                    QAction* action = window->menuBar()->actions().first()->menu()->actions().first();
                    ASSERT_EQ(action->text().toStdString(), "&Open…");
                    action->trigger();
                }
            },
            QMessageBox::Ok,
            [&](QWidget* modal) {
                dialogSeen = true;
                startFolder = AnswerFileDialog(modal, open.chosen == nullptr ? "" : Path(open.chosen));
            });
        EXPECT_TRUE(dialogSeen);
        EXPECT_EQ(startFolder.toStdString(), folder_.Folder().string());
        EXPECT_EQ(Counter(*window), open.counter);
        EXPECT_TRUE(ShowsMemo(*window, open.counter[0] - '1'));
        if (open.refused) {
            ASSERT_EQ(messages.size(), std::size_t{1});
            const std::string text = messages[0].text.toStdString();
            EXPECT_NE(text.find(Path(open.chosen)), std::string::npos) << text;
            EXPECT_NE(text.find("does not begin with \"Tavrin04\""), std::string::npos) << text;
            EXPECT_NE(text.find("still shows the memos it showed before"), std::string::npos) << text;
            EXPECT_EQ(messages[0].title.toStdString(), "Error");
            EXPECT_EQ(messages[0].icon, QMessageBox::Critical);
        } else {
            EXPECT_TRUE(messages.empty());
        }
        if (open.chosen != nullptr && !open.refused) {
            // The file opened is the one followed now.
            ReplaceByRename(Path(open.chosen), {.count = 5, .current = 4});
            EXPECT_TRUE(WaitForCounter(*window, "2/5"));
        }
    }
}

// View > Zoom and Ctrl+plus, Ctrl+minus, Ctrl+0 show the page at 1×, 2× or
// 3×, each page pixel a whole square of the same color.
TEST_F(ViewerWindowTest, ZoomShowsEveryPagePixelAsAWholeSquare) {
    const std::string path = Path("zoomed.dat");
    WriteMemoFile(path, {.count = 3, .current = 1});
    auto window = Open(path);
    ASSERT_TRUE(window);
    const QImage atOne = Grab(*window);
    QMenu* view = nullptr;
    for (QAction* menu : window->menuBar()->actions()) {
        if (menu->text() == QStringLiteral("&View")) view = menu->menu();
    }
    ASSERT_NE(view, nullptr);
    const auto choose = [&](int factor) {
        for (QAction* item : view->actions()) {
            if (item->text() == QStringLiteral("Zoom %1×").arg(factor)) item->trigger();
        }
    };
    const struct {
        const char* label;
        std::function<void()> action;
        int factor;
    } steps[] = {
        {"View > Zoom 3×", [&] { choose(3); }, 3},
        {"Ctrl+minus", [&] { QTest::keyClick(window.get(), Qt::Key_Minus, Qt::ControlModifier); }, 2},
        {"Ctrl+0", [&] { QTest::keyClick(window.get(), Qt::Key_0, Qt::ControlModifier); }, 1},
        {"Ctrl+plus", [&] { QTest::keyClick(window.get(), Qt::Key_Plus, Qt::ControlModifier); }, 2},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.label);
        step.action();
        const QImage zoomed = Grab(*window);
        ASSERT_EQ(zoomed.size(), atOne.size() * step.factor);
        int mismatches = 0;
        for (int y = viewer::kPageTop; y < viewer::kClientHeight; ++y) {
            for (int x = 0; x < viewer::kClientWidth; ++x) {
                for (int d = 0; d < step.factor * step.factor; ++d) {
                    const int zx = x * step.factor + d % step.factor;
                    const int zy = y * step.factor + d / step.factor;
                    if (zoomed.pixel(zx, zy) != atOne.pixel(x, y)) ++mismatches;
                }
            }
        }
        EXPECT_EQ(mismatches, 0);
    }
}

// Without a file to show, the file dialog comes up at the start, in the
// folder a file was last opened from (home before any); with one, it does not.
TEST_F(ViewerWindowTest, StartWithoutAPathAsksForAFileInTheLastFolder) {
    const std::string first = Path("first/memos.dat");
    const std::string second = Path("second/memos.dat");
    std::filesystem::create_directories(Path("first"));
    std::filesystem::create_directories(Path("second"));
    WriteMemoFile(first, {.count = 3, .current = 2});
    WriteMemoFile(second, {.count = 4, .current = 1});
    const struct {
        const char* label;
        std::string path;    // on the command line
        std::string chosen;  // in the dialog; empty: cancelled
        std::string startFolder;  // empty: no dialog
        const char* counter;
    } cases[] = {
        {"first start: home", "", first, QDir::homePath().toStdString(), "3/3"},
        {"the folder of the file opened last", "", "", Path("first"), "1/1"},
        {"a path given: no dialog", second, "", "", "2/4"},
        {"still the folder opened from, not the one given", "", "", Path("first"), "1/1"},
    };
    for (const auto& start : cases) {
        SCOPED_TRACE(start.label);
        std::unique_ptr<ViewerWindow> window;
        WhileModal([&] { window = std::make_unique<ViewerWindow>(start.path); });
        std::string startFolder;
        WhileModal([&] { window->ShowAtStart(); }, QMessageBox::Ok,
                   [&](QWidget* modal) { startFolder = AnswerFileDialog(modal, start.chosen).toStdString(); });
        EXPECT_EQ(startFolder, start.startFolder);
        EXPECT_EQ(Counter(*window), start.counter);
    }
}

// A drop of files opens the first, as the command does; anything else is refused.
TEST_F(ViewerWindowTest, DroppedMemoFileIsOpened) {
    const struct {
        const char* label;
        QList<QUrl> urls;  // none: a text is dropped
        bool accepted;
        const char* counter;
    } cases[] = {
        {"a memo file", {QUrl::fromLocalFile(QString::fromStdString(Path("other.dat")))}, true, "2/4"},
        {"several files: the first",
         {QUrl::fromLocalFile(QString::fromStdString(Path("other.dat"))),
          QUrl::fromLocalFile(QString::fromStdString(Path("third.dat")))},
         true,
         "2/4"},
        {"a web address", {QUrl(QStringLiteral("https://example.org/memos.dat"))}, false, "1/3"},
        {"a text", {}, false, "1/3"},
    };
    const std::string shown = Path("shown.dat");
    WriteMemoFile(shown, {.count = 3, .current = 0});
    WriteMemoFile(Path("other.dat"), {.count = 4, .current = 1});
    WriteMemoFile(Path("third.dat"), {.count = 5, .current = 4});
    for (const auto& drop : cases) {
        SCOPED_TRACE(drop.label);
        auto window = Open(shown);
        ASSERT_TRUE(window);
        QMimeData data;
        if (drop.urls.isEmpty()) {
            data.setText(QStringLiteral("a shopping list"));
        } else {
            data.setUrls(drop.urls);
        }
        const QPoint inside = window->Client().geometry().center();
        QDragEnterEvent enter(inside, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window.get(), &enter);
        EXPECT_EQ(enter.isAccepted(), drop.accepted);
        QDropEvent dropped(inside, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        const auto messages = WhileModal([&] {
            QApplication::sendEvent(window.get(), &dropped);
            QApplication::processEvents();
        });
        EXPECT_EQ(dropped.isAccepted(), drop.accepted);
        EXPECT_TRUE(messages.empty());
        EXPECT_EQ(Counter(*window), drop.counter);
        EXPECT_TRUE(ShowsMemo(*window, drop.counter[0] - '1'));
    }
}

// Another program changes the file while the window shows it: the window
// shows the new version, at the same memo while it is there. The watch
// outlives a replacement by rename: a write in place after it is followed too.
TEST_F(ViewerWindowTest, FollowsTheFileWhenAnotherProgramChangesIt) {
    enum class Change { Rename, InPlace };
    const struct {
        const char* label;
        Change change;
        MemoFileLayout after;
        const char* counter;
        int memo;  // 0-based, in `after`
    } cases[] = {
        {"replaced by rename, a memo added before it", Change::Rename,
         {.count = 4, .current = 0, .minutes = {5, 10, 11, 12}}, "3/4", 2},
        {"rewritten in place, a memo added before it", Change::InPlace,
         {.count = 4, .current = 0, .minutes = {5, 10, 11, 12}}, "3/4", 2},
        {"the memo shown deleted elsewhere: its position", Change::Rename,
         {.count = 3, .current = 0, .minutes = {10, 12, 13}}, "2/3", 1},
        {"it and those after it deleted: the last", Change::Rename,
         {.count = 1, .current = 0, .minutes = {10}}, "1/1", 0},
    };
    for (const auto& follow : cases) {
        SCOPED_TRACE(follow.label);
        const std::string path = Path("followed.dat");
        WriteMemoFile(path, {.count = 3, .current = 1, .minutes = {10, 11, 12}});
        auto window = Open(path);
        ASSERT_TRUE(window);
        ASSERT_EQ(Counter(*window), "2/3");
        if (follow.change == Change::Rename) {
            ReplaceByRename(path, follow.after);
        } else {
            RewriteInPlace(path, follow.after);
        }
        EXPECT_TRUE(WaitForCounter(*window, follow.counter)) << Counter(*window);
        EXPECT_TRUE(ShowsMemo(*window, follow.memo));
        // A write in place tells only the file's own watch, not the folder's.
        RewriteInPlace(path, {.count = 5, .current = 4, .minutes = {1, 2, 3, 4, 5}});
        EXPECT_TRUE(QTest::qWaitFor([&] { return Counter(*window).ends_with("/5"); }, 5000)) << Counter(*window);
    }
}

// A reload is said in the strip for a while, in place of the creation time;
// then the strip is the one the memo has when opened afresh.
TEST_F(ViewerWindowTest, ReloadIsNotedInTheStripForAWhile) {
    const std::string path = Path("followed.dat");
    WriteMemoFile(path, {.count = 2, .current = 0});
    auto window = Open(path);
    ASSERT_TRUE(window);
    ReplaceByRename(path, {.count = 3, .current = 0});
    ASSERT_TRUE(WaitForCounter(*window, "1/3"));
    EXPECT_EQ(window->Note(), viewer::kReloadedNote);
    const QImage noted = Strip(*window);
    auto fresh = Open(path);
    ASSERT_TRUE(fresh);
    EXPECT_NE(noted, Strip(*fresh));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window->Note().empty(); }, 2 * viewer::kNoteShown.count()));
    EXPECT_EQ(Strip(*window), Strip(*fresh));
}

// A version that can't be read is said once and the memos shown stay; a file
// that is gone for a while is waited for silently; the next good version is
// followed.
TEST_F(ViewerWindowTest, FollowingKeepsWhatItShowedWhileTheFileCantBeRead) {
    const std::string path = Path("followed.dat");
    WriteMemoFile(path, {.count = 3, .current = 1, .minutes = {10, 11, 12}});
    auto window = Open(path);
    ASSERT_TRUE(window);
    const QImage before = Grab(*window);
    MessageBoxCounter boxes;
    const auto messages = WhileModal([&] {
        ReplaceByRenameWith(path, "Tavrin01 and then nothing a memo file holds");
        EXPECT_TRUE(QTest::qWaitFor([&] { return boxes.shown == 1; }, 5000));
        QTest::qWait(static_cast<int>(kFollowDelay.count()) * 3);  // no second message for the same version
    });
    ASSERT_EQ(messages.size(), std::size_t{1});
    const std::string text = messages[0].text.toStdString();
    EXPECT_NE(text.find(path + " does not begin with \"Tavrin04\""), std::string::npos) << text;
    EXPECT_NE(text.find("still shows the memos it showed before"), std::string::npos) << text;
    EXPECT_EQ(Counter(*window), "2/3");
    EXPECT_TRUE(Grab(*window) == before);

    std::filesystem::remove(path);
    QTest::qWait(static_cast<int>(kFollowDelay.count()) * 3);
    EXPECT_EQ(boxes.shown, 1);
    EXPECT_EQ(Counter(*window), "2/3");

    ReplaceByRename(path, {.count = 4, .current = 0, .minutes = {5, 10, 11, 12}});
    EXPECT_TRUE(WaitForCounter(*window, "3/4")) << Counter(*window);
    EXPECT_TRUE(ShowsMemo(*window, 2));
    EXPECT_EQ(boxes.shown, 1);
}

// A picture of the viewer on the demo-like file, for people to look at.
TEST_F(ViewerWindowTest, Screenshot) {
    const std::string path = Path("screenshot.dat");
    WriteMemoFile(path, {.count = 5, .current = 2, .alarmMemo = 2});
    auto window = Open(path);
    ASSERT_TRUE(window);
    const QByteArray output = qgetenv("TAVRIN_TEST_OUTPUT");
    if (output.isEmpty()) GTEST_SKIP() << "TAVRIN_TEST_OUTPUT is not set";
    std::filesystem::create_directories(output.toStdString());
    EXPECT_TRUE(window->grab().save(QString::fromUtf8(output) + QStringLiteral("/tavrinview.png")));
    WhileModal([&] { QTest::keyClick(window.get(), Qt::Key_O, Qt::ControlModifier); }, QMessageBox::Ok,
               [&](QWidget* dialog) {
                   EXPECT_TRUE(dialog->grab().save(QString::fromUtf8(output) + QStringLiteral("/tavrinview-open.png")));
                   dialog->close();
               });
    window->Client().Zoom().SetFactor(2);
    EXPECT_TRUE(window->grab().save(QString::fromUtf8(output) + QStringLiteral("/tavrinview-zoom-2.png")));
}

// Tools > Overview and Tab open the overview on the memo shown; the arrows
// move, Enter shows the memo chosen, a click too, and Escape nothing.
TEST_F(ViewerWindowTest, OverviewChoosesTheMemoShown) {
    const std::string path = Path("overview.dat");
    WriteMemoFile(path, {.count = 6, .current = 1});
    auto window = Open(path);
    ASSERT_TRUE(window);
    ASSERT_TRUE(WithOverview([&] { MenuAction(*window, "&Tools", "&Overview")->trigger(); },
                             [&](overview::OverviewDialog& dialog) {
                                 overview::OverviewGrid& grid = dialog.Grid();
                                 EXPECT_EQ(grid.Items().size(), 6u);
                                 EXPECT_EQ(grid.Selected(), 1u);
                                 tavrin::testing::ExpectThumbnailShowsPage(grid, 1);
                                 tavrin::testing::ExpectThumbnailShowsPage(grid, 4);
                                 QTest::keyClick(&grid, Qt::Key_End);
                                 QTest::keyClick(&grid, Qt::Key_Left);
                                 QTest::keyClick(&grid, Qt::Key_Enter);
                             }));
    EXPECT_EQ(Counter(*window), "5/6");
    EXPECT_EQ(Grab(*window).pixel(100, 100), MemoColor(4)) << "the page of memo 5 on screen";

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(WithOverview([&] { QTest::keyClick(window.get(), Qt::Key_Tab); },
                             [&](overview::OverviewDialog& dialog) {
                                 QTest::keyClick(&dialog.Grid(), Qt::Key_Home);
                                 QTest::keyClick(&dialog.Grid(), Qt::Key_Escape);
                             }));
    EXPECT_EQ(Counter(*window), "5/6") << "Escape changes nothing";

    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    ASSERT_TRUE(WithOverview([&] { QTest::keyClick(window.get(), Qt::Key_Tab); },
                             [&](overview::OverviewDialog& dialog) {
                                 overview::OverviewGrid& grid = dialog.Grid();
                                 QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, grid.ThumbnailRect(0).center());
                             }));
    EXPECT_EQ(Counter(*window), "1/6");
    EXPECT_EQ(Title(*window), "TavrinView");
}

// "With alarms" of a file without alarms says so, and Enter chooses nothing.
TEST_F(ViewerWindowTest, OverviewWithAlarmsOfNone) {
    const std::string path = Path("no-alarms.dat");
    WriteMemoFile(path, {.count = 3, .current = 2});
    auto window = Open(path);
    ASSERT_TRUE(window);
    ASSERT_TRUE(WithOverview([&] { MenuAction(*window, "&Tools", "&Overview")->trigger(); },
                             [&](overview::OverviewDialog& dialog) {
                                 QTest::keyClick(&dialog.WithAlarms(), Qt::Key_Space);
                                 EXPECT_TRUE(dialog.Grid().Items().empty());
                                 EXPECT_EQ(dialog.Grid().Selected(), std::nullopt);
                                 QTest::keyClick(&dialog.Grid(), Qt::Key_Return);
                                 EXPECT_TRUE(dialog.isVisible());
                                 tavrin::testing::SaveScreenshot(dialog, "tavrinview-overview-no-alarms.png");
                                 QTest::keyClick(&dialog.Grid(), Qt::Key_Escape);
                             }));
    EXPECT_EQ(Counter(*window), "3/3");
}

TEST_F(ViewerWindowTest, OverviewScreenshot) {
    const std::string path = Path("overview-screenshot.dat");
    WriteMemoFile(path, {.count = 9, .current = 2, .alarmMemo = 2});
    auto window = Open(path);
    ASSERT_TRUE(window);
    ASSERT_TRUE(WithOverview([&] { QTest::keyClick(window.get(), Qt::Key_Tab); },
                             [&](overview::OverviewDialog& dialog) {
                                 tavrin::testing::ShowAllThumbnails(dialog.Grid());
                                 tavrin::testing::SaveScreenshot(dialog, "tavrinview-overview.png");
                                 dialog.reject();
                             }));
}
