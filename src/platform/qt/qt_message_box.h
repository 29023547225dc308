// The message boxes that the Qt programs' main windows show for the shared code.
#pragma once

#include <string>

#include "platform/host_window.h"

class QWidget;

namespace tavrin::platform {

// A modal box with an OK button, owned by `owner`, with the icon the shared code names.
void ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                    MessageIcon icon);

}  // namespace tavrin::platform
