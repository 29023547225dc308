// The backend probe under Wine: pixels of memory DCs, a paint event on a DC
// that the shell owns, and the system's words for file errors.
#include "backend_probe.h"
#include "platform/win32/win32_api.h"
#include "platform/win32/win32_drawing.h"
#include "platform/win32/win32_text.h"
#include "surface.h"

namespace tavrin::platform::probe {

namespace {

HDC DcOf(const DrawingContext& context) {
    return dynamic_cast<const Win32DrawingContext&>(context).Handle();
}

}  // namespace

Color PixelAt(const DrawingContext& context, const Bitmap&, std::int32_t x, std::int32_t y) {
    return static_cast<Color>(::GetPixel(DcOf(context), x, y));
}

// A memory DC with a screen bitmap stands in for the window's DC that
// BeginPaint gives the shell.
struct PaintEvent::Window {
    Window(std::int32_t width, std::int32_t height)
        : surface(width, height),
          context(std::make_unique<Win32PaintContext>(DcOf(*surface.context))) {}

    Surface surface;
    std::unique_ptr<Win32PaintContext> context;
};

PaintEvent::PaintEvent(std::int32_t width, std::int32_t height)
    : window_(std::make_unique<Window>(width, height)) {}

PaintEvent::~PaintEvent() = default;

DrawingContext& PaintEvent::Context() { return *window_->context; }

void PaintEvent::End() { window_->context.reset(); }

Color PaintEvent::At(std::int32_t x, std::int32_t y) const { return window_->surface.At(x, y); }

std::string CauseOf(FileError error) {
    switch (error) {
        case FileError::NoSuchFile:
            return SystemErrorText(ERROR_FILE_NOT_FOUND);
        case FileError::NoSuchFolder:
            return SystemErrorText(ERROR_PATH_NOT_FOUND);
        case FileError::IsAFolder:
            return SystemErrorText(ERROR_ACCESS_DENIED);
        case FileError::AlreadyExists:
            return SystemErrorText(ERROR_FILE_EXISTS);
    }
    return "(no such error)";
}

// Another program that reads the file shares it with nobody.
ForeignHold::ForeignHold(const std::string& path) {
    const auto name = ToSystemText(path);
    const HANDLE handle = name ? ::CreateFile(name->c_str(), GENERIC_READ, 0, nullptr,
                                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                               : INVALID_HANDLE_VALUE;
    handle_ = reinterpret_cast<std::intptr_t>(handle);
    holding_ = handle != INVALID_HANDLE_VALUE;
}

ForeignHold::~ForeignHold() {
    if (holding_) ::CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

}  // namespace tavrin::platform::probe
