// PDF documents drawn by Qt's PDF writer, a picture a sheet (see
// PictureSheets: A4, larger where a picture needs it), written beside their
// name and put in place once whole.
#include <QGuiApplication>
#include <QIODevice>
#include <QPdfWriter>

#include <cstddef>
#include <memory>
#include <new>
#include <vector>

#include "platform/byte_file.h"
#include "platform/pdf_file.h"
#include "platform/qt/qt_image_file.h"
#include "platform/qt/qt_picture_sheets.h"

namespace tavrin::platform {
namespace {

// The writer's resolution: a device unit is a point.
constexpr int kPointsPerInch = 72;

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

class QtPdfDocument final : public PagedDocument {
public:
    QtPdfDocument(std::string path, std::string temporary, std::unique_ptr<ByteFile> file)
        : path_(std::move(path)), temporary_(std::move(temporary)), file_(std::move(file)),
          device_(*file_), writer_(&device_), sheets_(writer_, false) {
        device_.open(QIODevice::WriteOnly);
        writer_.setResolution(kPointsPerInch);
        writer_.setCreator(QStringLiteral("Tavrin"));
    }

    ~QtPdfDocument() override {
        if (!finished_) {
            sheets_.End();
            file_.reset();
            std::string cause;
            PutInPlace(temporary_, path_, false, cause);
        }
    }

    bool AddPage(const PageBitmap& picture, const std::vector<std::string>& caption) override {
        std::string cause;
        if (!sheets_.Add(picture, caption, cause)) return Fail(cause);
        // A full disk ends the document at once rather than after every page.
        return !device_.Failed() || Fail(device_.Cause());
    }

    bool Finish() override {
        if (sheets_.Count() == 0) return Fail("there is no page to write");
        if (!sheets_.End()) return Fail("the PDF writer could not end the document");
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
    PictureSheets sheets_;
    bool finished_ = false;
    std::string error_;
};

}  // namespace

std::unique_ptr<PagedDocument> StartPdf(const std::string& path, std::string& error) {
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
