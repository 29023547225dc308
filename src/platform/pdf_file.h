// Pages of pictures for printing: a PDF document, or a printer (on the
// desktop that has one).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/drawing.h"

namespace tavrin::platform {

// Pages being made, one picture a page with caption lines below it. A PDF
// is written beside its name and appears under it only when Finish
// succeeds; dropped unfinished, nothing of it stays. A print job is sent to
// the printer by Finish; dropped unfinished, it is cancelled.
class PagedDocument {
public:
    virtual ~PagedDocument() = default;
    // Adds a page showing `picture` in its own colors, each pixel a square of
    // a whole number of points without smoothing, and the caption's lines
    // under it. False when the document can no longer be written
    // (LastError says why).
    virtual bool AddPage(const PageBitmap& picture, const std::vector<std::string>& caption) = 0;
    // Ends the document and moves it to its name. A document of no pages is
    // not written.
    virtual bool Finish() = 0;
    // The cause of the last failure, naming the document.
    virtual const std::string& LastError() const = 0;
};

// Starts a PDF document to appear as `path`; null with the cause in `error`
// when it can't be started.
std::unique_ptr<PagedDocument> StartPdf(const std::string& path, std::string& error);

}  // namespace tavrin::platform
