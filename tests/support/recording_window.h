// A HostWindow that records what the shared code asked of it.
#pragma once

#include <string>
#include <vector>

#include "platform/host_window.h"
#include "store/page_image.h"

namespace tavrin::testing {

struct ShownMessage {
    std::string text;
    std::string caption;
    platform::MessageIcon icon;
};

class RecordingWindow : public platform::HostWindow {
public:
    explicit RecordingWindow(Rect client = {0, 0, kPageWidth, kPageHeight}) : client_(client) {}

    Rect ClientRect() const override { return client_; }
    void SetTitle(const std::string& title) override { titles.push_back(title); }
    void ShowMessage(const std::string& text, const std::string& caption,
                     platform::MessageIcon icon) override {
        messages.push_back({text, caption, icon});
    }

    std::vector<std::string> titles;
    std::vector<ShownMessage> messages;

private:
    Rect client_;
};

}  // namespace tavrin::testing
