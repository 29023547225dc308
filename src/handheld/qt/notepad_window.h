// Tavrin's main window on Linux: the Qt shell around the notepad's shared
// behaviour (handheld/notepad.h). The page at its natural size, the menu bar
// below it, built from the notepad's menu table, and the window's events
// turned into the notepad's commands, stylus points and paints.
#pragma once

#include <QDialog>
#include <QLocale>
#include <QWidget>

#include <functional>
#include <map>
#include <optional>
#include <memory>
#include <string>

#include "handheld/menus.h"
#include "handheld/notepad.h"
#include "platform/clock.h"
#include "platform/qt/qt_main_window.h"
#include "platform/qt/qt_page_zoom.h"
#include "platform/notification_service.h"

class QTimer;
class QToolButton;

namespace tavrin::handheld {

// Whether the locale's short time form has an AM/PM part.
bool UsesTwelveHourClock(const QLocale& locale);

struct NotepadWindowSetup {
    std::string programPath;
    std::string dataPath;  // empty: no memo data file is read or written
    std::string backupFolder{};  // empty: no backups are kept
    std::string rescueFolder{};  // empty: an end that can save nowhere keeps no rescue copy
    bool alarmStart = false;
    std::string openMemo{};  // an alarm's key: its memo is shown once loaded
    bool twelveHour = false;
    platform::NotificationService& notifications;
    const platform::Clock* clock = nullptr;  // none: the local clock
};

// The page, 240 × 320 logical pixels at 1× zoom; the stylus draws on it.
class PageView : public QWidget {
public:
    PageView(Notepad& notepad, QWidget* parent);

    platform::PageZoom& Zoom() { return zoom_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void tabletEvent(QTabletEvent* event) override;

private:
    Notepad& notepad_;
    platform::PageZoom zoom_;
};

class AboutBox : public QDialog {
public:
    explicit AboutBox(QWidget* owner);
};

class NotepadWindow : public platform::QtMainWindow, public NotepadShell {
public:
    // Loads the memo data file while the window is being made (any message
    // of the load appears before the window does) and, on a start by the
    // notification service, shows the due memo. The title follows once
    // creation is over.
    explicit NotepadWindow(const NotepadWindowSetup& setup);
    ~NotepadWindow() override;

    // A second start of the program handed over to this one: the window
    // comes to the front, then shows the due memo (alarm start) or the memo
    // of a notification ("Open"), makes a new page (it was in front already,
    // or the desktop's "New memo" action asked) or does nothing more. A
    // snooze moves the alarm on and leaves the window where it is.
    void TakeHandOver(const StartRequest& request);
    // The desktop's "New memo" action: the window comes to the front with a
    // new page at the end, whichever window was in front.
    void NewMemo();

    Notepad& Core() { return *notepad_; }
    PageView& Page() { return *page_; }
    QWidget& Bar() { return *bar_; }

    void RepaintNow(const Rect& box) override;
    bool Confirm(const std::string& question, const std::string& caption) override;
    void ShowAbout() override;
    void RunSetTimeDialog() override;
    void Close() override;
    // Qt keeps the mouse and the pen grabbed by the page while a button is
    // down (its implicit grab): moves and the release outside the window
    // reach the page without anything asked of it.
    void CaptureStylus() override {}
    void ReleaseStylus() override {}
    void StartTimer(NotepadTimer timer, int milliseconds) override;
    void PostToUiThread(std::function<void()> task) override;
    bool AskRetry(const std::string& text, const std::string& caption) override;
    EndChoice AskHowToEnd(const std::string& text, const std::string& caption) override;
    std::optional<std::string> ChooseFileToSave(const std::string& suggested) override;
    const MemoEntry* ChooseMemo() override;

    // The end of the session, a termination signal or a lost display: the
    // memos are saved without a question, and the program ends.
    void EndUnattended();

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void changeEvent(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Shows the window in front; whether it was the active one before.
    bool ComeToFront();
    QWidget* BuildBar();
    QToolButton* BuildButton(const BarButton& button);
    void AddDesktopTools(QMenu& tools);
    QMenu* BuildMenu(const std::vector<MenuItem>& items, QMenu* menu);
    void BuildShortcuts();

    bool twelveHour_;
    std::unique_ptr<Notepad> notepad_;
    PageView* page_ = nullptr;
    QWidget* bar_ = nullptr;
    std::map<NotepadTimer, QTimer*> timers_;
};

}  // namespace tavrin::handheld
