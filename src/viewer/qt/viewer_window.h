// TavrinView's main window on Linux: the Qt shell around the viewer's shared
// behaviour (viewer/viewer.h).
#pragma once

#include <QDialog>
#include <QFileSystemWatcher>
#include <QMimeData>
#include <QTimer>
#include <QWidget>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "platform/qt/qt_main_window.h"
#include "platform/qt/qt_page_zoom.h"
#include "viewer/viewer.h"

class QMenu;

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

// The client area, kClientWidth × kClientHeight at 1× zoom.
class ClientView : public QWidget {
public:
    ClientView(Viewer& viewer, QWidget* parent);

    platform::PageZoom& Zoom() { return zoom_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Viewer& viewer_;
    platform::PageZoom zoom_;
};

class AboutBox : public QDialog {
public:
    explicit AboutBox(QWidget* owner);
};

// How long the file followed must stay quiet before it is read again: a
// program that writes it, or a sync tool that replaces it, does so in bursts.
inline constexpr std::chrono::milliseconds kFollowDelay{250};
// How long the note of a reload stands in the strip.
inline constexpr std::chrono::milliseconds kNoteShown{3000};

// The memo file a drop brings: the first of its URLs, when that is a local
// file; none for anything else.
std::optional<std::string> DroppedMemoFile(const QMimeData& data);

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
    const std::string& Note() const { return viewer_->Note(); }

    // Shows the window; without a file to show, the file dialog comes up
    // over it at once.
    void ShowAtStart();

    void RepaintNow() override;
    void ShowAbout() override;
    void Close() override;
    void Quit() override;
    const MemoEntry* ChooseMemo() override;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void BuildMenus();
    void AskForFile();
    void OpenFile(const std::string& path);
    // Watches the file shown and its folder; the folder tells when a file
    // replaced by rename, whose watch ends with the old file, or removed for
    // a while, is there again.
    void Watch();
    // Reads the file again once it has been quiet for kFollowDelay.
    void Follow();

    std::unique_ptr<Viewer> viewer_;
    ClientView* client_;
    QMenu* viewMenu_ = nullptr;
    QFileSystemWatcher watcher_;
    QTimer followTimer_;
    QTimer noteTimer_;
    bool following_ = false;  // a message of the last reading may still be open
    bool choosing_ = false;   // the overview is open over the memos read
};

}  // namespace tavrin::viewer
