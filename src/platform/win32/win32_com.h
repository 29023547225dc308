// Small owners for COM's values, shared by the Task Scheduler service and its tests.
#pragma once

#include <string>

#include "platform/win32/win32_api.h"

#include <oleauto.h>

namespace tavrin::platform {

// A BSTR owned for the length of a call.
class Bstr {
public:
    Bstr() = default;
    explicit Bstr(const std::wstring& text)
        : value_(::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()))) {}
    ~Bstr() { ::SysFreeString(value_); }
    Bstr(const Bstr&) = delete;
    Bstr& operator=(const Bstr&) = delete;

    // A null BSTR is the empty text to COM: a name that could not be made
    // must never reach the engine as one.
    bool Made() const { return value_ != nullptr; }
    BSTR Get() const { return value_; }
    BSTR* Out() {
        ::SysFreeString(value_);
        value_ = nullptr;
        return &value_;
    }
    std::wstring Text() const {
        return value_ ? std::wstring(value_, ::SysStringLen(value_)) : std::wstring();
    }

private:
    BSTR value_ = nullptr;
};

// An empty VARIANT: "not given" to the Task Scheduler.
inline VARIANT Nothing() {
    VARIANT none;
    ::VariantInit(&none);
    return none;
}

}  // namespace tavrin::platform
