#include "handheld/qt/notepad_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPaintEvent>
#include <QPushButton>
#include <QSessionManager>
#include <QShortcut>
#include <QTabletEvent>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>


#include "handheld/notepad_commands.h"
#include "handheld/qt/export_window.h"
#include "handheld/qt/set_time_window.h"
#include "handheld/resources/buttons.xpm"
#include "handheld/resources/tavrin.xpm"
#include "overview/qt/overview_dialog.h"
#include "platform/qt/qt_drawing.h"
#include "store/page_image.h"
#include "tavrin_version.h"

namespace tavrin::handheld {
namespace {

// The menu bar's height, that of the handheld's menu bar.
constexpr int kBarHeight = 26;
constexpr int kImageButtonWidth = 24;
// The alarm button has no attached text of its own; this one names it for
// tool tips and screen readers.
constexpr const char* kAlarmButtonName = "Alarm";

QPixmap ProgramIcon() { return QPixmap(tavrin_xpm); }

QPixmap ButtonImage(int index) {
    static const QPixmap strip(buttons_xpm);
    return strip.copy(kButtonImageSize * index, 0, kButtonImageSize, kButtonImageSize);
}

}  // namespace

bool UsesTwelveHourClock(const QLocale& locale) {
    // "a", "A", "ap" or "AP" outside the quoted literal parts.
    bool quoted = false;
    for (const QChar c : locale.timeFormat(QLocale::ShortFormat)) {
        if (c == QLatin1Char('\'')) quoted = !quoted;
        if (!quoted && (c == QLatin1Char('a') || c == QLatin1Char('A'))) return true;
    }
    return false;
}

PageView::PageView(Notepad& notepad, QWidget* parent)
    : QWidget(parent), notepad_(notepad), zoom_(*this, {notepad.Canvas().Width(), notepad.Canvas().Height()}) {
    // Every pixel of the update is painted below; Qt need not clear it first.
    setAttribute(Qt::WA_OpaquePaintEvent);
}

// Only the update rectangle of the surface is copied; the status texts are
// black on white, as on the page itself.
void PageView::paintEvent(QPaintEvent* event) {
    QPainter painter(this);
    zoom_.Apply(painter);
    platform::QtPaintContext context(painter, platform::QtTextStyle{font(), Qt::black, Qt::white});
    notepad_.Paint(context, zoom_.PageArea(event->rect()));
}

void PageView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    const Point point = zoom_.PagePoint(event->position());
    notepad_.StylusDown(point.x, point.y);
}

// Without mouse tracking, moves arrive only while a button is down.
void PageView::mouseMoveEvent(QMouseEvent* event) {
    const Point point = zoom_.PagePoint(event->position());
    notepad_.StylusMove(point.x, point.y);
}

void PageView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    const Point point = zoom_.PagePoint(event->position());
    notepad_.StylusUp(point.x, point.y);
}

// The pen draws as the stylus does. The event is accepted, so that Qt
// doesn't also send the mouse event it would make of it, which would draw
// the stroke twice.
void PageView::tabletEvent(QTabletEvent* event) {
    const Point point = zoom_.PagePoint(event->position());
    switch (event->type()) {
        case QEvent::TabletPress: notepad_.StylusDown(point.x, point.y); break;
        case QEvent::TabletMove: notepad_.StylusMove(point.x, point.y); break;
        case QEvent::TabletRelease: notepad_.StylusUp(point.x, point.y); break;
        default: return QWidget::tabletEvent(event);
    }
    event->accept();
}

AboutBox::AboutBox(QWidget* owner) : QDialog(owner) {
    setWindowTitle(QStringLiteral("About Tavrin"));
    auto* icon = new QLabel(this);
    icon->setPixmap(ProgramIcon());
    auto text = [this](const QString& line) {
        auto* label = new QLabel(line, this);
        label->setTextFormat(Qt::PlainText);
        return label;
    };
    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QGridLayout(this);
    layout->addWidget(icon, 0, 0, 2, 1, Qt::AlignTop);
    layout->addWidget(text(QStringLiteral("Tavrin")), 0, 1);
    layout->addWidget(text(QStringLiteral(TAVRIN_ABOUT_VERSION)), 1, 1);
    layout->addWidget(text(QStringLiteral("Handwritten memos with alarms.")), 2, 1);
    layout->addWidget(ok, 3, 1, Qt::AlignRight);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

NotepadWindow::NotepadWindow(const NotepadWindowSetup& setup)
    : QtMainWindow({kPageWidth, kPageHeight}), twelveHour_(setup.twelveHour) {
    setWindowTitle(QString::fromUtf8(kProgramName));
    setWindowIcon(ProgramIcon());
    notepad_ = std::make_unique<Notepad>(NotepadSetup{.window = *this,
                                                      .shell = *this,
                                                      .notifications = setup.notifications,
                                                      .programPath = setup.programPath,
                                                      .dataPath = setup.dataPath,
                                                      .alarmStart = setup.alarmStart,
                                                      .openMemo = setup.openMemo,
                                                      .clock = setup.clock,
                                                      .backupFolder = setup.backupFolder,
                                                      .rescueFolder = setup.rescueFolder});
    auto* client = new QWidget(this);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    page_ = new PageView(*notepad_, client);
    layout->addWidget(page_);
    bar_ = BuildBar();
    layout->addWidget(bar_);
    setCentralWidget(client);
    QMainWindow::layout()->setSizeConstraint(QLayout::SetFixedSize);
    BuildShortcuts();

    // The end of the desktop session and the end of the event loop save too,
    // when the window's close has not saved already; nobody is asked then.
    connect(qApp, &QGuiApplication::commitDataRequest, this,
            [this](QSessionManager&) { notepad_->SaveAtExit(Ending::Unattended); });
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { notepad_->SaveAtExit(Ending::Unattended); });
    // The title is set once the window is made, as the load may have shown
    // messages in the meantime.
    QMetaObject::invokeMethod(this, [this] { notepad_->RefreshTitle(); }, Qt::QueuedConnection);
}

NotepadWindow::~NotepadWindow() = default;

// The bar is built from the notepad's table, left to right.
QWidget* NotepadWindow::BuildBar() {
    auto* bar = new QWidget(this);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    const std::vector<BarButton> buttons = MenuBar(twelveHour_);
    const int textWidth = page_->width() - kImageButtonWidth * static_cast<int>(buttons.size() - 1);
    for (const BarButton& button : buttons) {
        QToolButton* tool = BuildButton(button);
        if (button.image < 0) {
            // The text button takes the width a zoomed page adds.
            tool->setMinimumWidth(textWidth);
            tool->setFixedHeight(kBarHeight);
            tool->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        } else {
            tool->setFixedSize(kImageButtonWidth, kBarHeight);
        }
        layout->addWidget(tool);
    }
    return bar;
}

QToolButton* NotepadWindow::BuildButton(const BarButton& button) {
    auto* tool = new QToolButton(this);
    tool->setAutoRaise(true);
    tool->setFocusPolicy(Qt::NoFocus);
    const QString text = QString::fromStdString(button.text.empty() ? kAlarmButtonName : button.text);
    if (button.image < 0) {
        tool->setText(text);
        tool->setToolButtonStyle(Qt::ToolButtonTextOnly);
    } else {
        tool->setIcon(ButtonImage(button.image));
        tool->setIconSize({kButtonImageSize, kButtonImageSize});
        tool->setToolTip(text);
    }
    tool->setAccessibleName(text);
    if (button.menu.empty()) {
        connect(tool, &QToolButton::clicked, this, [this, id = button.command] { notepad_->RunCommand(id); });
    } else {
        // The drop-down's own command does nothing: the button only opens its menu.
        tool->setMenu(BuildMenu(button.menu, new QMenu(tool)));
        tool->setPopupMode(QToolButton::InstantPopup);
        if (button.command == IDM_TOOLS_MENU) AddDesktopTools(*tool->menu());
    }
    return tool;
}

QMenu* NotepadWindow::BuildMenu(const std::vector<MenuItem>& items, QMenu* menu) {
    for (const MenuItem& item : items) {
        switch (item.kind) {
            case MenuItem::Kind::Command:
                connect(menu->addAction(QString::fromStdString(item.label)), &QAction::triggered, this,
                        [this, id = item.command] { notepad_->RunCommand(id); });
                break;
            case MenuItem::Kind::Separator: menu->addSeparator(); break;
            case MenuItem::Kind::Submenu:
                BuildMenu(item.items, menu->addMenu(QString::fromStdString(item.label)));
                break;
        }
    }
    return menu;
}

// What the desktop adds to the Tools menu goes between its page commands and
// About.
void NotepadWindow::AddDesktopTools(QMenu& tools) {
    const QList<QAction*> items = tools.actions();
    const auto separator = std::find_if(items.begin(), items.end(), [](QAction* item) { return item->isSeparator(); });
    QAction* before = separator == items.end() || separator + 1 == items.end() ? nullptr : *(separator + 1);
    const auto add = [&](const QString& text, void (*run)(Notepad&, platform::QtMainWindow&)) {
        auto* item = new QAction(text, &tools);
        connect(item, &QAction::triggered, this, [this, run] { run(*notepad_, *this); });
        tools.insertAction(before, item);
    };
    add(QStringLiteral("Overview"), [](Notepad& notepad, platform::QtMainWindow&) { notepad.RunCommand(IDM_OVERVIEW); });
    add(QStringLiteral("Export…"), &ExportMemos);
    add(QStringLiteral("Print…"), &PrintMemos);
    auto* zoom = new QMenu(QStringLiteral("Zoom"), &tools);
    page_->Zoom().AddCommands(*zoom, *this);
    tools.insertMenu(before, zoom);
    tools.insertSeparator(before);
}

void NotepadWindow::BuildShortcuts() {
    for (const ShortcutKey& shortcut : kShortcutKeys) {
        const QKeyCombination keys((shortcut.shift ? Qt::ShiftModifier : Qt::NoModifier) | Qt::ControlModifier,
                                   static_cast<Qt::Key>(shortcut.key));
        connect(new QShortcut(QKeySequence(keys), this), &QShortcut::activated, this,
                [this, id = shortcut.command] { notepad_->RunCommand(id); });
    }
    // Tab, which nothing in the window takes for the focus, opens the overview.
    connect(new QShortcut(QKeySequence(Qt::Key_Tab), this), &QShortcut::activated, this,
            [this] { notepad_->RunCommand(IDM_OVERVIEW); });
}

bool NotepadWindow::ComeToFront() {
    const bool wasActive = isActiveWindow();
    if (isMinimized()) {
        showNormal();
    } else {
        show();
    }
    raise();
    activateWindow();
    return wasActive;
}

void NotepadWindow::NewMemo() {
    ComeToFront();
    notepad_->RunCommand(IDM_NEW_PAGE);
}

void NotepadWindow::TakeHandOver(const StartRequest& request) {
    switch (request.kind) {
        case StartRequest::Kind::SnoozeMemo: notepad_->SnoozeMemo(request.key); return;
        case StartRequest::Kind::NewMemo: NewMemo(); return;
        case StartRequest::Kind::OpenMemo:
            ComeToFront();
            notepad_->OpenMemo(request.key);
            return;
        case StartRequest::Kind::Plain:
        case StartRequest::Kind::AlarmStart: break;
    }
    const bool wasActive = ComeToFront();
    switch (HandOverFor(request.kind == StartRequest::Kind::AlarmStart, wasActive)) {
        case HandOver::AlarmStart: notepad_->AlarmStart(); break;
        case HandOver::NewPage: notepad_->RunCommand(IDM_NEW_PAGE); break;
        case HandOver::Nothing: break;
    }
}

void NotepadWindow::keyPressEvent(QKeyEvent* event) {
    if (!notepad_->PressKey(platform::VirtualKeyOf(event->key()))) QMainWindow::keyPressEvent(event);
}

void NotepadWindow::changeEvent(QEvent* event) {
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && !isActiveWindow()) notepad_->FocusLost();
    if (event->type() != QEvent::WindowStateChange) return;
    const auto* change = static_cast<QWindowStateChangeEvent*>(event);
    if (isMinimized() && !(change->oldState() & Qt::WindowMinimized)) notepad_->Minimised();
}

// The window closes once the memos are saved, or the user chose to end
// without saving them.
void NotepadWindow::closeEvent(QCloseEvent* event) {
    if (notepad_->SaveAtExit(Ending::Asked)) {
        event->accept();
    } else {
        event->ignore();
    }
}

void NotepadWindow::EndUnattended() {
    notepad_->SaveAtExit(Ending::Unattended);
    QCoreApplication::quit();
}

void NotepadWindow::RepaintNow(const Rect& box) {
    if (page_ == nullptr) return;
    page_->repaint(page_->Zoom().ViewArea(box));
}

bool NotepadWindow::Confirm(const std::string& question, const std::string& caption) {
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(caption),
                    QString::fromStdString(question), QMessageBox::Yes | QMessageBox::No, this);
    return box.exec() == QMessageBox::Yes;
}

void NotepadWindow::ShowAbout() { AboutBox(this).exec(); }

void NotepadWindow::RunSetTimeDialog() { SetTimeWindow(notepad_->Alarms(), twelveHour_, this).exec(); }

void NotepadWindow::Close() { close(); }

const MemoEntry* NotepadWindow::ChooseMemo() { return overview::ChooseFromOverview(notepad_->Canvas().List(), this); }

void NotepadWindow::PostToUiThread(std::function<void()> task) {
    QMetaObject::invokeMethod(this, std::move(task), Qt::QueuedConnection);
}

// Standard buttons with the texts of these questions, so that Escape and the
// platform's button order work as in any other box.
bool NotepadWindow::AskRetry(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::Critical, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Retry | QMessageBox::Close, this);
    box.button(QMessageBox::Close)->setText(QStringLiteral("Quit"));
    box.setEscapeButton(QMessageBox::Close);
    return box.exec() == QMessageBox::Retry;
}

EndChoice NotepadWindow::AskHowToEnd(const std::string& text, const std::string& caption) {
    QMessageBox box(QMessageBox::Warning, QString::fromStdString(caption), QString::fromStdString(text),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, this);
    box.button(QMessageBox::Save)->setText(QStringLiteral("Save Elsewhere..."));
    box.button(QMessageBox::Discard)->setText(QStringLiteral("Quit Without Saving"));
    box.setDefaultButton(QMessageBox::Save);
    box.setEscapeButton(QMessageBox::Cancel);
    switch (box.exec()) {
        case QMessageBox::Save: return EndChoice::SaveElsewhere;
        case QMessageBox::Discard: return EndChoice::QuitWithoutSaving;
        default: return EndChoice::StayOpen;
    }
}

std::optional<std::string> NotepadWindow::ChooseFileToSave(const std::string& suggested) {
    const QString chosen = QFileDialog::getSaveFileName(this, QStringLiteral("Save the memos"),
                                                        QString::fromStdString(suggested));
    if (chosen.isEmpty()) return std::nullopt;
    return chosen.toStdString();
}

void NotepadWindow::StartTimer(NotepadTimer timer, int milliseconds) {
    QTimer*& running = timers_[timer];
    if (running == nullptr) {
        running = new QTimer(this);
        running->setSingleShot(true);
        connect(running, &QTimer::timeout, this, [this, timer] { notepad_->TimerFired(timer); });
    }
    running->start(milliseconds);
}

}  // namespace tavrin::handheld
