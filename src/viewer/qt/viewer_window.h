// TavrinView's main window on Linux: one memo of a memo data file at a time,
// read-only, with the creation time and the position above the page and the
// memo's alarm in the title.
#pragma once

#include <QDialog>
#include <QMainWindow>
#include <QWidget>

#include <memory>
#include <string>

#include "canvas/memo_canvas.h"
#include "platform/host_window.h"

namespace tavrin::viewer {

// The commands of the menu bar and the accelerators.
enum Command : int {
    kCommandAbout = 104,
    kCommandExit = 105,
    kCommandPrevious = 32771,
    kCommandNext = 32772,
};

// The client area: the 17-row status strip, then the page inside a one-pixel frame.
inline constexpr int kClientWidth = 242;
inline constexpr int kClientHeight = 339;
inline constexpr int kStripHeight = 17;
// Window pixel (x, y) shows surface pixel (x - 1, y - 18).
inline constexpr int kPageLeft = 1;
inline constexpr int kPageTop = 18;

// The path of the memo data file: the arguments after the program's name,
// joined by single spaces and used as they stand (quotation marks included).
std::string CommandLinePath(int argc, const char* const* argv);

class PageView : public QWidget {
public:
    explicit PageView(MemoCanvas& canvas, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    MemoCanvas& canvas_;
};

class AboutBox : public QDialog {
public:
    explicit AboutBox(QWidget* owner);
};

class ViewerWindow : public QMainWindow, public platform::HostWindow {
public:
    // Loads the file while the window is being made: any message of the
    // load appears before the window does.
    explicit ViewerWindow(const std::string& path);
    ~ViewerWindow() override;

    void RunCommand(int command);
    MemoCanvas& Canvas() { return *canvas_; }
    PageView& Page() { return *page_; }

    Rect ClientRect() const override;
    void SetTitle(const std::string& title) override;
    void ShowMessage(const std::string& text, const std::string& caption,
                     platform::MessageIcon icon) override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildMenus();
    void Move(bool forward);

    std::unique_ptr<MemoCanvas> canvas_;
    PageView* page_;
};

}  // namespace tavrin::viewer
