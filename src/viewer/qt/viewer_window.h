// TavrinView's main window on Linux: the Qt shell around the viewer's shared
// behaviour (viewer/viewer.h).
#pragma once

#include <QDialog>
#include <QWidget>

#include <memory>
#include <string>

#include "platform/qt/qt_main_window.h"
#include "viewer/viewer.h"

namespace tavrin::viewer {

// The path of the memo data file: the arguments after the program's name,
// joined by single spaces and used as they stand (quotation marks included).
std::string CommandLinePath(int argc, const char* const* argv);

// Starts reading the memo data file named on the command line, before the
// QApplication is made, so that a big file is read while Qt starts. The
// locale is set from the environment first, as Qt then sets it again: the
// reading's texts are in the user's language, and Qt's setting of it never
// runs while the reading uses it.
std::unique_ptr<BackgroundLoad> StartReading(int argc, const char* const* argv);

// The client area, exactly kClientWidth × kClientHeight.
class ClientView : public QWidget {
public:
    ClientView(Viewer& viewer, QWidget* parent);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Viewer& viewer_;
};

class AboutBox : public QDialog {
public:
    explicit AboutBox(QWidget* owner);
};

class ViewerWindow : public platform::QtMainWindow, public ViewerShell {
public:
    // Loads the file while the window is being made: any message of the
    // load appears before the window does.
    explicit ViewerWindow(const std::string& path);
    // Shows the file `load` reads; see Viewer.
    explicit ViewerWindow(BackgroundLoad&& load);
    ~ViewerWindow() override;

    MemoCanvas& Canvas() { return viewer_->Canvas(); }
    ClientView& Client() { return *client_; }

    void RepaintNow() override;
    void ShowAbout() override;
    void Close() override;
    void Quit() override;
    const MemoEntry* ChooseMemo() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void BuildMenus();

    std::unique_ptr<Viewer> viewer_;
    ClientView* client_;
};

}  // namespace tavrin::viewer
