// Locale texts that a test chooses: "date:<text>" and "time:<text>", each
// delivered or refused.
#pragma once

#include <string>
#include <utility>

#include "platform/locale_text.h"

namespace tavrin::testing {

class FixedLocale : public platform::LocaleTexts {
public:
    FixedLocale(bool date, bool clock, std::string text = "x")
        : date_(date), clock_(clock), text_(std::move(text)) {}
    bool ShortDate(const SYSTEMTIME&, std::string& text) const override {
        text = "date:" + text_;
        return date_;
    }
    bool TimeWithoutSeconds(const SYSTEMTIME&, std::string& text) const override {
        text = "time:" + text_;
        return clock_;
    }

private:
    bool date_;
    bool clock_;
    std::string text_;
};

}  // namespace tavrin::testing
