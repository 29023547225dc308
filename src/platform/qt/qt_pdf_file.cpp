// PDF documents drawn by Qt's PDF writer. Pages are A4, each picture at two
// points a pixel (one where that does not fit, the page then as large as the
// picture needs), drawn without smoothing, and kept lossless.
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QIODevice>
#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

#include "platform/byte_file.h"
#include "platform/pdf_file.h"
#include "platform/qt/qt_drawing.h"
#include "platform/qt/qt_image_file.h"

namespace tavrin::platform {
namespace {

// Layout in points (the writer's resolution is set to 72 dots an inch, so a
// device unit is a point).
constexpr int kPointsPerInch = 72;
constexpr int kMargin = 36;
constexpr int kLargestScale = 2;  // points a pixel
constexpr int kCaptionGap = 12;
constexpr qreal kCaptionPointSize = 10;

// Qt lays texts out with the fonts a QGuiApplication knows. A command-line
// program has none, so one is made for the document on the offscreen
// platform: it shows no window and needs no display.
class TextsApplication {
public:
    TextsApplication() {
        if (QCoreApplication::instance() == nullptr) {
            application_ = std::make_unique<QGuiApplication>(argc_, argv_);
        }
    }

private:
    int argc_ = 3;
    char name_[7] = "tavrin";
    char option_[10] = "-platform";
    char platform_[10] = "offscreen";
    char* argv_[4] = {name_, option_, platform_, nullptr};
    std::unique_ptr<QGuiApplication> application_;
};

// Qt's writer writes many small pieces; they reach the file in blocks.
class ByteFileDevice final : public QIODevice {
public:
    explicit ByteFileDevice(ByteFile& file) : file_(file) { buffer_.reserve(kBlock); }

    bool isSequential() const override { return true; }

    // Writes what is buffered; false when any write failed (Cause says why).
    bool Flush() {
        if (!failed_ && !buffer_.empty() && !file_.Write(buffer_.data(), buffer_.size())) {
            failed_ = true;
            cause_ = file_.LastError();
        }
        buffer_.clear();
        return !failed_;
    }

    bool Failed() const { return failed_; }
    const std::string& Cause() const { return cause_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }

    qint64 writeData(const char* data, qint64 length) override {
        try {
            buffer_.insert(buffer_.end(), data, data + length);
        } catch (const std::bad_alloc&) {
            failed_ = true;
            cause_ = "not enough memory";
        }
        if (buffer_.size() >= kBlock) Flush();
        return failed_ ? -1 : length;
    }

private:
    static constexpr std::size_t kBlock = 1 << 16;
    ByteFile& file_;
    std::vector<char> buffer_;
    bool failed_ = false;
    std::string cause_;
};

struct PagePlacement {
    QPageLayout layout;
    QRect picture;
    QPointF caption;  // the first line's baseline start
};

PagePlacement Place(int width, int height, qreal captionHeight, qreal ascent) {
    const QSizeF a4 = QPageSize(QPageSize::A4).size(QPageSize::Point);
    const auto fits = [&](int scale) {
        return 2 * kMargin + width * scale <= a4.width() &&
               2 * kMargin + height * scale + captionHeight <= a4.height();
    };
    int scale = kLargestScale;
    while (scale > 1 && !fits(scale)) --scale;
    QPageSize size(QPageSize::A4);
    if (!fits(scale)) {
        size = QPageSize(QSizeF(2 * kMargin + width, 2 * kMargin + height + captionHeight),
                         QPageSize::Point, QString(), QPageSize::ExactMatch);
    }
    const QSizeF paper = size.size(QPageSize::Point);
    // Whole points, so that every pixel is a square of whole points.
    const int left = static_cast<int>((paper.width() - width * scale) / 2);
    const QRect picture(left, kMargin, width * scale, height * scale);
    return {QPageLayout(size, QPageLayout::Portrait, QMarginsF()), picture,
            QPointF(picture.left(), picture.bottom() + 1 + kCaptionGap + ascent)};
}

class QtPdfDocument final : public PdfDocument {
public:
    QtPdfDocument(std::string path, std::string temporary, std::unique_ptr<ByteFile> file)
        : path_(std::move(path)), temporary_(std::move(temporary)), file_(std::move(file)),
          device_(*file_), writer_(&device_) {
        device_.open(QIODevice::WriteOnly);
        writer_.setResolution(kPointsPerInch);
        writer_.setCreator(QStringLiteral("tavrin-file"));
        font_.setPointSizeF(kCaptionPointSize);
    }

    ~QtPdfDocument() override {
        if (!finished_) {
            if (painter_.isActive()) painter_.end();
            file_.reset();
            std::string cause;
            PutInPlace(temporary_, path_, false, cause);
        }
    }

    bool AddPage(const PageBitmap& picture, const std::vector<std::string>& caption) override {
        const QImage image = RgbImageOfPage(picture, picture.Width(), picture.Height());
        if (image.isNull()) return Fail("not enough memory for a page");
        const QFontMetricsF metrics(font_, &writer_);
        const PagePlacement placement =
            Place(image.width(), image.height(),
                  kCaptionGap + metrics.lineSpacing() * static_cast<qreal>(caption.size()),
                  metrics.ascent());
        if (!StartPage(placement.layout)) return Fail("the PDF writer could not start a page");
        // Otherwise Qt may keep a picture as JPEG, whose blur would change pixels.
        painter_.setRenderHint(QPainter::LosslessImageRendering, true);
        painter_.drawImage(placement.picture, image);
        painter_.setFont(font_);
        painter_.setPen(Qt::black);
        QPointF line = placement.caption;
        for (const std::string& text : caption) {
            painter_.drawText(line, QString::fromStdString(text));
            line.ry() += metrics.lineSpacing();
        }
        ++pages_;
        // A full disk ends the document at once rather than after every page.
        return !device_.Failed() || Fail(device_.Cause());
    }

    bool Finish() override {
        if (pages_ == 0) return Fail("there is no page to write");
        if (!painter_.end()) return Fail("the PDF writer could not end the document");
        if (!device_.Flush()) return Fail(device_.Cause());
        device_.close();
        std::string cause;
        const bool written = file_->Close();
        if (!written) cause = file_->LastError();
        file_.reset();
        finished_ = true;
        if (!PutInPlace(temporary_, path_, written, cause)) return Fail(cause);
        return true;
    }

    const std::string& LastError() const override { return error_; }

private:
    bool StartPage(const QPageLayout& layout) {
        if (pages_ == 0) {
            return writer_.setPageLayout(layout) && painter_.begin(&writer_);
        }
        return writer_.setPageLayout(layout) && writer_.newPage();
    }

    bool Fail(const std::string& cause) {
        error_ = "Cannot write " + path_ + ": " + cause;
        return false;
    }

    TextsApplication application_;
    std::string path_;
    std::string temporary_;
    std::unique_ptr<ByteFile> file_;
    ByteFileDevice device_;
    QPdfWriter writer_;
    QPainter painter_;
    QFont font_;
    std::size_t pages_ = 0;
    bool finished_ = false;
    std::string error_;
};

}  // namespace

std::unique_ptr<PdfDocument> StartPdf(const std::string& path, std::string& error) {
    std::string temporary;
    std::string cause;
    std::unique_ptr<ByteFile> file = LocalFileSystem().CreateTemporaryFor(path, temporary, cause);
    if (file == nullptr) {
        error = "Cannot write " + path + ": " + cause;
        return nullptr;
    }
    return std::make_unique<QtPdfDocument>(path, std::move(temporary), std::move(file));
}

}  // namespace tavrin::platform
