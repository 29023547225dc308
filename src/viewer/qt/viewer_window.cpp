#include "viewer/qt/viewer_window.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPainter>
#include <QPaintEvent>
#include <QPushButton>
#include <QSettings>
#include <QShortcut>
#include <QUrl>

#include <clocale>

#include "overview/qt/overview_dialog.h"
#include "platform/qt/qt_drawing.h"
#include "platform/qt/qt_paths.h"
#include "tavrin_version.h"
#include "viewer/resources/tavrinview.xpm"

namespace tavrin::viewer {
namespace {

QPixmap ProgramIcon() { return QPixmap(tavrinview_xpm); }

const QString kLastFolderKey = QStringLiteral("lastFolder");

using platform::PathOf;
using platform::QtPath;

}  // namespace

std::optional<std::string> DroppedMemoFile(const QMimeData& data) {
    const QList<QUrl> urls = data.urls();
    if (urls.isEmpty() || !urls.constFirst().isLocalFile()) return std::nullopt;
    return PathOf(urls.constFirst().toLocalFile());
}

std::string CommandLinePath(int argc, const char* const* argv) {
    std::string path;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) path += ' ';
        path += argv[i];
    }
    return path;
}

std::unique_ptr<BackgroundLoad> StartReading(int argc, const char* const* argv) {
    std::setlocale(LC_ALL, "");
    return std::make_unique<BackgroundLoad>(CommandLinePath(argc, argv));
}

ClientView::ClientView(Viewer& viewer, QWidget* parent)
    : QWidget(parent), viewer_(viewer), zoom_(*this, {kClientWidth, kClientHeight}) {
    // Every pixel is painted below; Qt need not clear the area first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ClientView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    zoom_.Apply(painter);
    // Texts in the window's font and its palette's text and background colors.
    const QColor background = palette().color(QPalette::Window);
    platform::QtPaintContext context(painter,
                                     platform::QtTextStyle{font(), palette().color(QPalette::WindowText), background});
    viewer_.Paint(context, zoom_.PageArea(event->rect()),
                  MakeColor(static_cast<std::uint8_t>(background.red()),
                            static_cast<std::uint8_t>(background.green()),
                            static_cast<std::uint8_t>(background.blue())));
}

AboutBox::AboutBox(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("About"));
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon());
    auto* version = new QLabel(QStringLiteral(TAVRINVIEW_ABOUT_VERSION), this);
    version->setTextFormat(Qt::PlainText);
    auto* maker = new QLabel(QStringLiteral("A read-only viewer of Tavrin memo files.\n"
                                            "Made by the Tavrin developers.\n"
                                            "Free to use and to pass on."),
                             this);
    maker->setTextFormat(Qt::PlainText);
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(version, 0, 1);
    layout->addWidget(ok, 0, 2, Qt::AlignTop);
    layout->addWidget(maker, 1, 1, 1, 2);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

ViewerWindow::ViewerWindow(const std::string& path) : ViewerWindow(BackgroundLoad(path)) {}

ViewerWindow::ViewerWindow(BackgroundLoad&& load)
    : QtMainWindow({kClientWidth, kClientHeight}) {
    setWindowTitle(QStringLiteral("TavrinView"));
    setWindowIcon(ProgramIcon());
    BuildMenus();
    // The menu bar's size needs the fonts, whose database Qt loads on first
    // use (about 10 ms); asking for it here does that while the file is still
    // being read, rather than after.
    static_cast<void>(menuBar()->sizeHint());
    viewer_ = std::make_unique<Viewer>(*this, *this, std::move(load));
    client_ = new ClientView(*viewer_, this);
    client_->Zoom().AddCommands(*viewMenu_, *this);
    setCentralWidget(client_);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    setAcceptDrops(true);
    followTimer_.setSingleShot(true);
    followTimer_.setInterval(kFollowDelay);
    connect(&followTimer_, &QTimer::timeout, this, &ViewerWindow::Follow);
    noteTimer_.setSingleShot(true);
    noteTimer_.setInterval(kNoteShown);
    connect(&noteTimer_, &QTimer::timeout, this, [this] { viewer_->ClearNote(); });
    // Each change starts the wait again, so that a burst is read once.
    const auto changed = [this] { followTimer_.start(); };
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, changed);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, changed);
    Watch();
}

ViewerWindow::~ViewerWindow() = default;

void ViewerWindow::BuildMenus() {
    auto command = [this](QAction* action, int id) {
        connect(action, &QAction::triggered, this, [this, id] { viewer_->RunCommand(id); });
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    QAction* open = file->addAction(QStringLiteral("&Open…"));
    open->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    connect(open, &QAction::triggered, this, &ViewerWindow::AskForFile);
    command(file->addAction(QStringLiteral("E&xit")), IDM_EXIT);
    // Filled with the zoom once the client area is made.
    viewMenu_ = menuBar()->addMenu(QStringLiteral("&View"));
    command(menuBar()->addAction(QStringLiteral("&Prev")), IDM_PREVIOUS);
    command(menuBar()->addAction(QStringLiteral("&Next")), IDM_NEXT);
    QMenu* tools = menuBar()->addMenu(QStringLiteral("&Tools"));
    QAction* overview = tools->addAction(QStringLiteral("&Overview"));
    command(overview, IDM_OVERVIEW);
    // Tab, which nothing in the window takes for the focus, opens it too.
    overview->setShortcut(Qt::Key_Tab);
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    command(help->addAction(QStringLiteral("&About ...")), IDM_ABOUT);
    // Alt with the characters "?" and "/" opens the About box too.
    for (const QKeyCombination keys : {Qt::ALT | Qt::Key_Question, Qt::ALT | Qt::Key_Slash}) {
        connect(new QShortcut(QKeySequence(keys), this), &QShortcut::activated, this,
                [this] { viewer_->RunCommand(IDM_ABOUT); });
    }
}

void ViewerWindow::keyPressEvent(QKeyEvent* event) {
    if (!viewer_->PressKey(platform::VirtualKeyOf(event->key()))) QMainWindow::keyPressEvent(event);
}

void ViewerWindow::dragEnterEvent(QDragEnterEvent* event) {
    if (DroppedMemoFile(*event->mimeData())) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void ViewerWindow::dropEvent(QDropEvent* event) {
    const std::optional<std::string> path = DroppedMemoFile(*event->mimeData());
    if (!path) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // Opened once the drop is over: a message box must not hold the program
    // the file was dragged from.
    QTimer::singleShot(0, this, [this, path = *path] { OpenFile(path); });
}

void ViewerWindow::ShowAtStart() {
    show();
    if (viewer_->Path().empty()) AskForFile();
}

// The dialog starts in the folder of the file shown; with none, in the folder
// a file was last opened from, in this run or an earlier one.
void ViewerWindow::AskForFile() {
    const QString shown = QtPath(viewer_->Path());
    const QString folder = shown.isEmpty() ? platform::RememberedFolder(kLastFolderKey) : QFileInfo(shown).absolutePath();
    const QString chosen = QFileDialog::getOpenFileName(this, QStringLiteral("Open"), folder,
                                                        QStringLiteral("Memo files (*.dat);;All files (*)"));
    if (!chosen.isEmpty()) OpenFile(PathOf(chosen));
}

void ViewerWindow::OpenFile(const std::string& path) {
    if (!viewer_->Open(path)) return;
    noteTimer_.stop();
    QSettings().setValue(kLastFolderKey, QFileInfo(QtPath(path)).absolutePath());
    const QStringList watched = watcher_.files() + watcher_.directories();
    if (!watched.isEmpty()) watcher_.removePaths(watched);
    Watch();
}

void ViewerWindow::Watch() {
    const QString file = QtPath(viewer_->Path());
    if (file.isEmpty() || QFileInfo(file).isDir()) return;
    const QString folder = QFileInfo(file).absolutePath();
    if (!watcher_.directories().contains(folder)) watcher_.addPath(folder);
    // Watched again each time: a file replaced by rename may have left the
    // watch on the old one.
    if (watcher_.files().contains(file)) watcher_.removePath(file);
    if (QFileInfo::exists(file)) watcher_.addPath(file);
}

void ViewerWindow::Follow() {
    if (following_ || choosing_) {
        followTimer_.start();
        return;
    }
    following_ = true;
    Watch();
    if (viewer_->FollowFile()) noteTimer_.start();
    following_ = false;
}

void ViewerWindow::RepaintNow() { client_->repaint(); }

void ViewerWindow::ShowAbout() { AboutBox(this).exec(); }

void ViewerWindow::Close() { close(); }

// The file is read again once the overview is closed: it shows the memos
// as they were read, and its choice is one of them.
const MemoEntry* ViewerWindow::ChooseMemo() {
    choosing_ = true;
    const MemoEntry* chosen = overview::ChooseFromOverview(Canvas().List(), this);
    choosing_ = false;
    return chosen;
}

// Ends the event loop at once, without closing the window first.
void ViewerWindow::Quit() { QCoreApplication::exit(0); }

}  // namespace tavrin::viewer
