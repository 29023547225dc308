// TavrinView driven as a user would: real widgets on the offscreen platform,
// real key and mouse events, pixels read back from the window.
#include <QApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
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
#include "viewer/qt/viewer_window.h"

using namespace tavrin;
using tavrin::testing::SeenMessage;
using tavrin::testing::WhileModal;
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
        memo.created = SYSTEMTIME{2024, 3, 4, 12, 10, static_cast<std::uint16_t>(i), 0, 0};
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
    QVERIFY(file.Save(list, path));
}

QImage Grab(ViewerWindow& window) { return window.Page().grab().toImage(); }

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

class ViewerWindowTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir folder_;
    std::string Path(const char* name) { return folder_.filePath(QString::fromUtf8(name)).toStdString(); }

    // A shown window over `path`, with its messages answered.
    std::unique_ptr<ViewerWindow> Open(const std::string& path, std::vector<SeenMessage>* messages = nullptr) {
        std::unique_ptr<ViewerWindow> window;
        auto seen = WhileModal([&] { window = std::make_unique<ViewerWindow>(path); });
        if (messages != nullptr) *messages = seen;
        window->show();
        if (!QTest::qWaitForWindowExposed(window.get())) return nullptr;
        return window;
    }

    static QString Counter(ViewerWindow& window) {
        return QStringLiteral("%1/%2").arg(window.Canvas().List().CurrentIndex()).arg(window.Canvas().List().Count());
    }

private slots:
    void initTestCase() {
        QVERIFY(folder_.isValid());
        platform::PinUserLocale("en_US");
    }

    void opensAtTheStoredMemoWithItsPixelsInsideTheFrame() {
        const std::string path = Path("pixels.dat");
        WriteMemoFile(path, {.count = 7, .current = 2});
        auto window = Open(path);
        QVERIFY(window);
        QCOMPARE(Counter(*window), QStringLiteral("3/7"));
        QCOMPARE(window->Page().size(), QSize(242, 339));
        const QImage shown = Grab(*window);
        QCOMPARE(shown.size(), QSize(242, 339));
        // Window pixel (x, y) shows page pixel (x - 1, y - 18).
        QCOMPARE(shown.pixel(1 + 2, 18 + 0), qRgb(0, 0, 0));           // memo 3's marker
        QCOMPARE(shown.pixel(1 + 3, 18 + 0), qRgb(255, 255, 255));
        QCOMPARE(shown.pixel(1 + 22, 18 + 40), MemoColor(2));         // its block's corner
        QCOMPARE(shown.pixel(1 + 21, 18 + 40), qRgb(255, 255, 255));
        QCOMPARE(shown.pixel(1 + 199, 18 + 299), MemoColor(2));
        QCOMPARE(shown.pixel(1 + 239, 18 + 319), qRgb(255, 255, 255));
        // The one-pixel black frame around the page.
        for (const QPoint corner : {QPoint(0, 17), QPoint(241, 17), QPoint(0, 338), QPoint(241, 338), QPoint(120, 17), QPoint(0, 200)})
            QCOMPARE(shown.pixel(corner), qRgb(0, 0, 0));
        QCOMPARE(window->windowTitle(), QStringLiteral("TavrinView"));
    }

    void titleShowsTheAlarmOfTheMemoShownFromTheStart() {
        const std::string path = Path("alarm.dat");
        WriteMemoFile(path, {.count = 3, .current = 1, .alarmMemo = 1});
        auto window = Open(path);
        QVERIFY(window);
        QVERIFY2(window->windowTitle().startsWith(QStringLiteral("[")), qPrintable(window->windowTitle()));
        QVERIFY(window->windowTitle().endsWith(QStringLiteral("] TavrinView")));
        QVERIFY(window->windowTitle().contains(QStringLiteral("12/31/31")));
        QTest::keyClick(window.get(), Qt::Key_Right);
        QCOMPARE(window->windowTitle(), QStringLiteral("TavrinView"));
        QTest::keyClick(window.get(), Qt::Key_Left);
        QVERIFY(window->windowTitle().endsWith(QStringLiteral("] TavrinView")));
    }

    void pagingKeys_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("forward");
        QTest::newRow("Page Up") << int(Qt::Key_PageUp) << false;
        QTest::newRow("Left") << int(Qt::Key_Left) << false;
        QTest::newRow("Up") << int(Qt::Key_Up) << false;
        QTest::newRow("Page Down") << int(Qt::Key_PageDown) << true;
        QTest::newRow("Right") << int(Qt::Key_Right) << true;
        QTest::newRow("Down") << int(Qt::Key_Down) << true;
    }

    // Each key moves one memo and repaints at once; at the end it changes
    // nothing and paints nothing.
    void pagingKeys() {
        QFETCH(int, key);
        QFETCH(bool, forward);
        const std::string path = Path("keys.dat");
        WriteMemoFile(path, {.count = 3, .current = 1});
        auto window = Open(path);
        QVERIFY(window);
        PaintCounter counter(window->Page());
        QTest::keyClick(window.get(), static_cast<Qt::Key>(key));
        QCOMPARE(Counter(*window), forward ? QStringLiteral("3/3") : QStringLiteral("1/3"));
        QVERIFY(counter.paints >= 1);
        QCOMPARE(Grab(*window).pixel(1 + 22 + (forward ? 0 : -2), 18 + 40), MemoColor(forward ? 2 : 0));
        const QImage atEnd = Grab(*window);
        counter.paints = 0;
        QTest::keyClick(window.get(), static_cast<Qt::Key>(key));
        QApplication::processEvents();
        QCOMPARE(Counter(*window), forward ? QStringLiteral("3/3") : QStringLiteral("1/3"));
        QCOMPARE(counter.paints, 0);
        QCOMPARE(Grab(*window), atEnd);
    }

    void homeAndEndDoNothing() {
        const std::string path = Path("home.dat");
        WriteMemoFile(path, {.count = 3, .current = 1});
        auto window = Open(path);
        QVERIFY(window);
        QTest::keyClick(window.get(), Qt::Key_Home);
        QTest::keyClick(window.get(), Qt::Key_End);
        QCOMPARE(Counter(*window), QStringLiteral("2/3"));
    }

    void prevAndNextOnTheMenuBar() {
        const std::string path = Path("menu.dat");
        WriteMemoFile(path, {.count = 2, .current = 0});
        auto window = Open(path);
        QVERIFY(window);
        QMenuBar* bar = window->menuBar();
        auto click = [&](const QString& text) {
            for (QAction* action : bar->actions())
                if (action->text() == text) QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(action).center());
        };
        PaintCounter counter(window->Page());
        click(QStringLiteral("&Prev"));  // at the first memo: nothing
        QCOMPARE(Counter(*window), QStringLiteral("1/2"));
        QCOMPARE(counter.paints, 0);
        click(QStringLiteral("&Next"));
        QCOMPARE(Counter(*window), QStringLiteral("2/2"));
        QVERIFY(counter.paints >= 1);
        click(QStringLiteral("&Next"));  // at the last memo: nothing
        QCOMPARE(Counter(*window), QStringLiteral("2/2"));
        click(QStringLiteral("&Prev"));
        QCOMPARE(Counter(*window), QStringLiteral("1/2"));
    }

    // Paging from 10/12 to 9/12 leaves no trace of the wider texts before.
    void statusStripShowsOnlyTheTextsOfTheMemoShown() {
        const std::string paged = Path("strip-paged.dat");
        WriteMemoFile(paged, {.count = 12, .current = 9, .shortCreated = 8});
        const std::string direct = Path("strip-direct.dat");
        WriteMemoFile(direct, {.count = 12, .current = 8, .shortCreated = 8});
        auto fresh = Open(direct);
        QVERIFY(fresh);
        const QImage expected = Strip(*fresh);
        fresh.reset();
        auto window = Open(paged);
        QVERIFY(window);
        QCOMPARE(Counter(*window), QStringLiteral("10/12"));
        const QImage before = Strip(*window);
        QTest::keyClick(window.get(), Qt::Key_PageUp);
        QCOMPARE(Counter(*window), QStringLiteral("9/12"));
        QVERIFY(Strip(*window) != before);
        QCOMPARE(Strip(*window), expected);
    }

    void corruptedFileWarnsBeforeTheWindowAndShowsABlankMemo() {
        const std::string path = Path("corrupted.dat");
        WriteMemoFile(path, {.count = 3});
        std::fstream(path, std::ios::in | std::ios::out | std::ios::binary).write("Tavrin03", 8);
        std::vector<SeenMessage> messages;
        auto window = Open(path, &messages);
        QVERIFY(window);
        QCOMPARE(messages.size(), std::size_t{1});
        QCOMPARE(messages[0].text, QStringLiteral("Tavrin data file is corrupted."));
        QCOMPARE(messages[0].title, QStringLiteral("Warning"));
        QCOMPARE(messages[0].icon, QMessageBox::Warning);
        QCOMPARE(Counter(*window), QStringLiteral("1/1"));
        QCOMPARE(window->windowTitle(), QStringLiteral("TavrinView"));
        QCOMPARE(Grab(*window).pixel(1 + 100, 18 + 100), qRgb(255, 255, 255));
    }

    void failuresThatShowABlankPage_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("counter");
        QTest::newRow("missing file") << QStringLiteral("missing") << QString() << QStringLiteral("1/1");
        QTest::newRow("empty command line") << QStringLiteral("empty") << QString() << QStringLiteral("1/1");
        QTest::newRow("quoted path") << QStringLiteral("quoted") << QString() << QStringLiteral("1/1");
        // A truncated file: the memos read so far stay, the page is not shown.
        QTest::newRow("short read") << QStringLiteral("truncated") << QString() << QStringLiteral("3/3");
        QTest::newRow("out of memory") << QStringLiteral("memory") << QStringLiteral("Not enough memory") << QStringLiteral("1/1");
    }

    void failuresThatShowABlankPage() {
        QFETCH(QString, name);
        QFETCH(QString, message);
        QFETCH(QString, counter);
        const std::string good = Path("good.dat");
        WriteMemoFile(good, {.count = 3, .current = 2, .alarmMemo = 2});
        std::string path = Path("does-not-exist.dat");
        std::unique_ptr<AllocationLimitForTesting> limit;
        if (name == QStringLiteral("empty")) path.clear();
        if (name == QStringLiteral("quoted")) path = "\"" + good + "\"";
        if (name == QStringLiteral("truncated")) {
            path = Path("truncated.dat");
            std::filesystem::copy_file(good, path, std::filesystem::copy_options::overwrite_existing);
            std::filesystem::resize_file(path, std::filesystem::file_size(good) - 10);
        }
        if (name == QStringLiteral("memory")) {
            path = good;
            limit = std::make_unique<AllocationLimitForTesting>(16);
        }
        std::vector<SeenMessage> messages;
        auto window = Open(path, &messages);
        limit.reset();
        QVERIFY(window);
        if (message.isEmpty()) {
            QVERIFY(messages.empty());
        } else {
            QCOMPARE(messages.size(), std::size_t{1});
            QCOMPARE(messages[0].text, message);
            QCOMPARE(messages[0].title, QStringLiteral("Error"));
            QCOMPARE(messages[0].icon, QMessageBox::Critical);
        }
        QCOMPARE(Counter(*window), counter);
        QCOMPARE(window->windowTitle(), QStringLiteral("TavrinView"));
        QCOMPARE(Grab(*window).pixel(1 + 100, 18 + 100), qRgb(255, 255, 255));
    }

    void commandLineIsTheArgumentsJoinedAsTheyStand() {
        const char* const args[] = {"tavrinview", "\"/tmp/my", "memos.dat\""};
        QCOMPARE(viewer::CommandLinePath(3, args), std::string("\"/tmp/my memos.dat\""));
        QCOMPARE(viewer::CommandLinePath(1, args), std::string());
    }

    void aboutBoxOpensByBothAcceleratorsAndCloses_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("closeWithOk");
        QTest::newRow("Alt+? closed by OK") << int(Qt::Key_Question) << true;
        QTest::newRow("Alt+/ closed by Escape") << int(Qt::Key_Slash) << false;
    }

    void aboutBoxOpensByBothAcceleratorsAndCloses() {
        QFETCH(int, key);
        QFETCH(bool, closeWithOk);
        auto window = Open(Path("none.dat"));
        QVERIFY(window);
        QString caption;
        QStringList texts;
        bool closed = false;
        WhileModal([&] { QTest::keyClick(window.get(), static_cast<Qt::Key>(key), Qt::AltModifier); },
                   QMessageBox::Ok, [&](QWidget* dialog) {
                          caption = dialog->windowTitle();
                          for (QLabel* label : dialog->findChildren<QLabel*>()) texts << label->text();
                          if (closeWithOk) {
                              QTest::mouseClick(dialog->findChild<QPushButton*>(), Qt::LeftButton);
                          } else {
                              QTest::keyClick(dialog, Qt::Key_Escape);
                          }
                          closed = true;
                      });
        QVERIFY(closed);
        QCOMPARE(caption, QStringLiteral("About"));
        QVERIFY(texts.contains(QStringLiteral("TavrinView Version 1.0")));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);
        QVERIFY(window->isVisible());
    }

    void escapeEndsTheProgramWithCodeZero() {
        auto window = Open(Path("none.dat"));
        QVERIFY(window);
        QTimer::singleShot(0, window.get(), [&] { QTest::keyClick(window.get(), Qt::Key_Escape); });
        QCOMPARE(QApplication::exec(), 0);
        QVERIFY(window->isVisible());  // ended without closing the window first
    }

    void exitCommandClosesTheWindow() {
        auto window = Open(Path("none.dat"));
        QVERIFY(window);
        QAction* exit = window->menuBar()->actions().first()->menu()->actions().first();
        QCOMPARE(exit->text(), QStringLiteral("E&xit"));
        exit->trigger();
        QVERIFY(!window->isVisible());
    }

    void viewerNeverChangesTheFile() {
        const std::string path = Path("untouched.dat");
        WriteMemoFile(path, {.count = 4, .current = 1, .alarmMemo = 0});
        const auto size = std::filesystem::file_size(path);
        const auto time = std::filesystem::last_write_time(path);
        {
            auto window = Open(path);
            QVERIFY(window);
            for (Qt::Key key : {Qt::Key_Right, Qt::Key_Right, Qt::Key_Left, Qt::Key_Up, Qt::Key_Down})
                QTest::keyClick(window.get(), key);
            window->close();
        }
        QCOMPARE(std::filesystem::file_size(path), size);
        QVERIFY(std::filesystem::last_write_time(path) == time);
        const auto listing = std::distance(std::filesystem::directory_iterator(folder_.path().toStdString()),
                                           std::filesystem::directory_iterator());
        QVERIFY(listing >= 1);
        QVERIFY(!std::filesystem::exists(path + ".saving"));
    }

    // A picture of the viewer on the demo-like file, for people to look at.
    void screenshot() {
        const std::string path = Path("screenshot.dat");
        WriteMemoFile(path, {.count = 5, .current = 2, .alarmMemo = 2});
        auto window = Open(path);
        QVERIFY(window);
        const QByteArray output = qgetenv("TAVRIN_TEST_OUTPUT");
        if (output.isEmpty()) QSKIP("TAVRIN_TEST_OUTPUT is not set");
        std::filesystem::create_directories(output.toStdString());
        QVERIFY(window->grab().save(QString::fromUtf8(output) + QStringLiteral("/tavrinview.png")));
    }
};

QTEST_MAIN(ViewerWindowTest)
#include "viewer_window_test.moc"
