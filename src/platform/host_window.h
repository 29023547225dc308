// The program's main window as the shared code sees it: its client area, its
// title and the message boxes it owns.
#pragma once

#include <string>

#include "platform/types.h"

namespace tavrin::platform {

enum class MessageIcon {
    Error,    // the error (hand) icon
    Warning,  // the exclamation icon
};

class HostWindow {
public:
    virtual ~HostWindow() = default;

    virtual Rect ClientRect() const = 0;
    virtual void SetTitle(const std::string& title) = 0;
    // A modal message box with an OK button, owned by this window.
    virtual void ShowMessage(const std::string& text, const std::string& caption,
                             MessageIcon icon) = 0;
};

}  // namespace tavrin::platform
