// PNG files written by Qt's own encoder.
#include <QImage>
#include <QImageWriter>
#include <QSaveFile>

#include "platform/image_file.h"

namespace tavrin::platform {

bool WritePng(const std::string& path, std::int32_t width, std::int32_t height,
              std::span<const std::uint32_t> pixels, std::string& error) {
    const auto fail = [&](const QString& cause) {
        error = "Cannot write " + path + ": " + cause.toStdString();
        return false;
    };
    if (width <= 0 || height <= 0 ||
        pixels.size() != static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) {
        return fail(QStringLiteral("the picture's size does not match its pixels"));
    }
    // The pixels are wrapped, not copied; RGB32 ignores their top byte.
    const QImage image(reinterpret_cast<const uchar*>(pixels.data()), width, height,
                       static_cast<qsizetype>(width) * 4, QImage::Format_RGB32);
    if (image.isNull()) return fail(QStringLiteral("the picture is too large"));
    // The picture appears under its name only when it was written completely.
    QSaveFile file(QString::fromStdString(path));
    if (!file.open(QIODevice::WriteOnly)) return fail(file.errorString());
    QImageWriter writer(&file, "png");
    if (!writer.write(image)) return fail(writer.errorString());
    if (!file.commit()) return fail(file.errorString());
    return true;
}

}  // namespace tavrin::platform
