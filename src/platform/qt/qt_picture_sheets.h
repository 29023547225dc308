// Pictures of pages drawn one a sheet on a paged device, Qt's PDF writer or
// a printer: each pixel a square of whole points (two where the sheet has
// room, else one), without smoothing and lossless, centred, with caption
// lines under the picture.
#pragma once

#include <QFont>
#include <QPainter>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "platform/drawing.h"
#include "platform/pdf_file.h"

class QPageLayout;
class QPagedPaintDevice;
class QPrinter;

namespace tavrin::platform {

class PictureSheets {
public:
    // A device whose paper is its own (a printer's) keeps it; otherwise each
    // sheet is A4, or as large as a picture that does not fit needs.
    PictureSheets(QPagedPaintDevice& device, bool ownPaper);

    // False with the cause in `cause`.
    bool Add(const PageBitmap& picture, const std::vector<std::string>& caption, std::string& cause);
    // Ends the last sheet; false when the device could not end it.
    bool End();
    bool Active() const { return painter_.isActive(); }
    std::size_t Count() const { return sheets_; }

private:
    bool StartSheet(const QPageLayout& layout);

    QPagedPaintDevice& device_;
    bool ownPaper_;
    QPainter painter_;
    QFont font_;
    std::size_t sheets_ = 0;
};

// A print job on `printer`, set up by the user in the print dialog: Finish
// sends it, dropping it unfinished cancels it.
std::unique_ptr<PagedDocument> StartPrint(QPrinter& printer);

}  // namespace tavrin::platform
