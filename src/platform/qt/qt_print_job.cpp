// Printing apart from the PDF's sheets, so that a program writing PDFs only
// (tavrin-file) does not load Qt Print Support.
#include <QPrinter>

#include "platform/qt/qt_picture_sheets.h"

namespace tavrin::platform {
namespace {

class PrintJob final : public PagedDocument {
public:
    explicit PrintJob(QPrinter& printer) : printer_(printer), sheets_(printer, true) {}
    ~PrintJob() override {
        if (sheets_.Active()) {
            printer_.abort();
            sheets_.End();
        }
    }

    bool AddPage(const PageBitmap& picture, const std::vector<std::string>& caption) override {
        std::string cause;
        return sheets_.Add(picture, caption, cause) || Fail(cause);
    }

    bool Finish() override {
        if (sheets_.Count() == 0) return Fail("there is no page to print");
        return sheets_.End() || Fail("the printer did not take the pages");
    }

    const std::string& LastError() const override { return error_; }

private:
    bool Fail(const std::string& cause) {
        error_ = "Cannot print: " + cause;
        return false;
    }

    QPrinter& printer_;
    PictureSheets sheets_;
    std::string error_;
};

}  // namespace

std::unique_ptr<PagedDocument> StartPrint(QPrinter& printer) { return std::make_unique<PrintJob>(printer); }

}  // namespace tavrin::platform
