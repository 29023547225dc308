#include "viewer/qt/viewer_window.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QPainter>
#include <QPaintEvent>
#include <QPushButton>
#include <QShortcut>

#include <clocale>

#include "overview/qt/overview_dialog.h"
#include "platform/qt/qt_drawing.h"
#include "tavrin_version.h"
#include "viewer/resources/tavrinview.xpm"

namespace tavrin::viewer {
namespace {

QPixmap ProgramIcon() { return QPixmap(tavrinview_xpm); }

}  // namespace

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

ClientView::ClientView(Viewer& viewer, QWidget* parent) : QWidget(parent), viewer_(viewer) {
    setFixedSize(kClientWidth, kClientHeight);
    // Every pixel is painted below; Qt need not clear the area first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void ClientView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    platform::QtPaintContext context(painter, *this);
    const QRect update = event->rect();
    const QColor background = palette().window().color();
    viewer_.Paint(context, {update.left(), update.top(), update.right() + 1, update.bottom() + 1},
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
    setCentralWidget(client_);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

ViewerWindow::~ViewerWindow() = default;

void ViewerWindow::BuildMenus() {
    auto command = [this](QAction* action, int id) {
        connect(action, &QAction::triggered, this, [this, id] { viewer_->RunCommand(id); });
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    command(file->addAction(QStringLiteral("E&xit")), IDM_EXIT);
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

void ViewerWindow::RepaintNow() { client_->repaint(); }

void ViewerWindow::ShowAbout() { AboutBox(this).exec(); }

void ViewerWindow::Close() { close(); }

const MemoEntry* ViewerWindow::ChooseMemo() { return overview::ChooseFromOverview(Canvas().List(), this); }

// Ends the event loop at once, without closing the window first.
void ViewerWindow::Quit() { QCoreApplication::exit(0); }

}  // namespace tavrin::viewer
