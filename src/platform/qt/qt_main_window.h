// A Qt program's main window as the shared code's host window: a top-level
// QMainWindow with a title bar, minimise and close buttons, whose client area
// is a fixed size at its top left, and whose message boxes it owns.
#pragma once

#include <QMainWindow>

#include <string>

#include "platform/host_window.h"
#include "platform/types.h"

namespace tavrin::platform {

class QtMainWindow : public QMainWindow, public HostWindow {
public:
    explicit QtMainWindow(Size client);

    Rect ClientRect() const override;
    void SetTitle(const std::string& title) override;
    void ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) override;

private:
    Size client_;
};

// Qt's key as its virtual-key code; 0 for the keys the programs don't answer.
int VirtualKeyOf(int qtKey);

}  // namespace tavrin::platform
