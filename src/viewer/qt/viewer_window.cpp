#include "viewer/qt/viewer_window.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QPaintEvent>
#include <QPushButton>
#include <QShortcut>

#include "platform/qt/qt_drawing.h"
#include "store/memo_file.h"
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

PageView::PageView(MemoCanvas& canvas, QWidget* parent) : QWidget(parent), canvas_(canvas) {
    setFixedSize(kClientWidth, kClientHeight);
    // Every pixel is painted below; Qt need not clear the area first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

void PageView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    platform::QtPaintContext context(painter, *this);
    // The strip is cleared first, so that a wider text of the memo shown
    // before leaves no trace.
    painter.fillRect(QRect(0, 0, kClientWidth, kStripHeight), palette().window());
    canvas_.DrawCreatedText(&context);
    canvas_.DrawCounterText(&context);
    context.Rectangle({0, kStripHeight, kClientWidth, kClientHeight});
    // Only the update rectangle is copied: taken from the surface at the
    // same coordinates and placed one pixel right and 18 down.
    const QRect update = event->rect();
    context.CopyFrom({update.left() + kPageLeft, update.top() + kPageTop,
                      update.right() + 1 + kPageLeft, update.bottom() + 1 + kPageTop},
                     canvas_.Context(), update.left(), update.top());
}

AboutBox::AboutBox(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("About"));
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon());
    auto* version = new QLabel(QStringLiteral("TavrinView Version 1.0"), this);
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

ViewerWindow::ViewerWindow(const std::string& path)
    : QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QStringLiteral("TavrinView"));
    setWindowIcon(ProgramIcon());
    BuildMenus();
    CanvasSetup setup;
    setup.window = this;
    setup.programName = "TavrinView";
    setup.corruptedWarning = std::string(kViewerCorruptedWarning);
    canvas_ = std::make_unique<MemoCanvas>(setup);
    canvas_->LoadFile(path);
    page_ = new PageView(*canvas_, this);
    setCentralWidget(page_);
    layout()->setSizeConstraint(QLayout::SetFixedSize);
}

ViewerWindow::~ViewerWindow() = default;

void ViewerWindow::BuildMenus() {
    auto command = [this](QAction* action, int id) {
        connect(action, &QAction::triggered, this, [this, id] { RunCommand(id); });
    };
    QMenu* file = menuBar()->addMenu(QStringLiteral("&File"));
    command(file->addAction(QStringLiteral("E&xit")), kCommandExit);
    command(menuBar()->addAction(QStringLiteral("&Prev")), kCommandPrevious);
    command(menuBar()->addAction(QStringLiteral("&Next")), kCommandNext);
    QMenu* help = menuBar()->addMenu(QStringLiteral("&Help"));
    command(help->addAction(QStringLiteral("&About ...")), kCommandAbout);
    // Alt with the characters "?" and "/" opens the About box too.
    for (const QKeyCombination keys : {Qt::ALT | Qt::Key_Question, Qt::ALT | Qt::Key_Slash}) {
        connect(new QShortcut(QKeySequence(keys), this), &QShortcut::activated, this,
                [this] { RunCommand(kCommandAbout); });
    }
}

void ViewerWindow::RunCommand(int command) {
    switch (command) {
        case kCommandAbout: AboutBox(this).exec(); break;
        case kCommandExit: close(); break;
        case kCommandPrevious: Move(false); break;
        case kCommandNext: Move(true); break;
        default: break;
    }
}

void ViewerWindow::Move(bool forward) {
    const int moved = forward ? canvas_->NextPage() : canvas_->PreviousPage();
    // Paint the new page and texts before the next input is taken; no move,
    // no repaint.
    if (moved) page_->repaint();
}

void ViewerWindow::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
        case Qt::Key_Escape:
            // Ends the program at once, without closing the window first.
            QCoreApplication::exit(0);
            break;
        case Qt::Key_PageUp:
        case Qt::Key_Left:
        case Qt::Key_Up: Move(false); break;
        case Qt::Key_PageDown:
        case Qt::Key_Right:
        case Qt::Key_Down: Move(true); break;
        default: QMainWindow::keyPressEvent(event); break;
    }
}

Rect ViewerWindow::ClientRect() const { return {0, 0, kClientWidth, kClientHeight}; }

void ViewerWindow::SetTitle(const std::string& title) {
    setWindowTitle(QString::fromStdString(title));
}

void ViewerWindow::ShowMessage(const std::string& text, const std::string& caption,
                               platform::MessageIcon icon) {
    QMessageBox box(icon == platform::MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Warning,
                    QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                    this);
    box.exec();
}

}  // namespace tavrin::viewer
