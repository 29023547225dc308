// The backend probe on Linux: pixels of the Qt backend's QImages, a paint
// event on a painter over an image, and POSIX files.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QPainter>

#include <optional>

#include "backend_probe.h"
#include "platform/qt/qt_drawing.h"

namespace tavrin::platform::probe {

namespace {

Color ColorOf(QRgb pixel) {
    return MakeColor(static_cast<std::uint8_t>(qRed(pixel)),
                      static_cast<std::uint8_t>(qGreen(pixel)),
                      static_cast<std::uint8_t>(qBlue(pixel)));
}

}  // namespace

Color PixelAt(const DrawingContext&, const Bitmap& selected, std::int32_t x, std::int32_t y) {
    return ColorOf(ImageOf(selected)->pixel(x, y));
}

// A widget's paint event stands in for the window: a painter over an image,
// texts black on white in the application's font.
struct PaintEvent::Window {
    Window(std::int32_t width, std::int32_t height) : image(width, height, QImage::Format_RGB32) {
        image.fill(Qt::white);
        painter.emplace(&image);
        context.emplace(*painter, QtTextStyle{QGuiApplication::font(), QColor(Qt::black),
                                              QColor(Qt::white)});
    }

    QImage image;
    std::optional<QPainter> painter;
    std::optional<QtPaintContext> context;
};

PaintEvent::PaintEvent(std::int32_t width, std::int32_t height)
    : window_(std::make_unique<Window>(width, height)) {}

PaintEvent::~PaintEvent() = default;

DrawingContext& PaintEvent::Context() { return *window_->context; }

void PaintEvent::End() {
    window_->context.reset();
    window_->painter.reset();
}

Color PaintEvent::At(std::int32_t x, std::int32_t y) const {
    return ColorOf(window_->image.pixel(x, y));
}

std::string CauseOf(FileError error) {
    switch (error) {
        case FileError::NoSuchFile:
        case FileError::NoSuchFolder:
            return "No such file or directory";
        case FileError::IsAFolder:
            return "Is a directory";
        case FileError::AlreadyExists:
            return "File exists";
    }
    return "(no such error)";
}

// Another program that follows the same convention takes the exclusive
// advisory lock.
ForeignHold::ForeignHold(const std::string& path)
    : handle_(::open(path.c_str(), O_RDONLY | O_CLOEXEC)),
      holding_(handle_ >= 0 && ::flock(static_cast<int>(handle_), LOCK_EX | LOCK_NB) == 0) {}

ForeignHold::~ForeignHold() {
    if (handle_ >= 0) ::close(static_cast<int>(handle_));
}

}  // namespace tavrin::platform::probe
