// Raster drawing as the shared code needs it: off-screen drawing contexts with
// a selected bitmap, pen and brush (the select-and-restore model of a GDI
// device context), solid pens and brushes, the primitives the canvas draws
// with, block copies, single-line text, and 4-bit page bitmaps whose pixel
// bytes the shared code reads and writes directly.
//
// Every backend implements the classes below and the factory functions at the
// end. Objects that can't be made come back as null; the shared code then
// keeps using what it had.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string_view>

#include "platform/types.h"

namespace tavrin::platform {

// One entry of a bitmap color table, in the table's byte order.
struct RgbQuad {
    std::uint8_t blue = 0;
    std::uint8_t green = 0;
    std::uint8_t red = 0;
    std::uint8_t reserved = 0;
    friend bool operator==(const RgbQuad&, const RgbQuad&) = default;
};

// The description of a page bitmap: the published BITMAPINFOHEADER fields
// followed by a 16-entry color table.
struct PageBitmapInfo {
    std::uint32_t headerSize = 40;
    std::int32_t width = 0;
    std::int32_t height = 0;  // positive: rows are stored bottom-up
    std::uint16_t planes = 1;
    std::uint16_t bitCount = 4;
    std::uint32_t compression = 0;  // uncompressed
    std::uint32_t sizeImage = 0;
    std::int32_t xPelsPerMeter = 0;
    std::int32_t yPelsPerMeter = 0;
    std::uint32_t clrUsed = 0;
    std::uint32_t clrImportant = 0;
    std::array<RgbQuad, 16> colors{};
};

// Drawing objects. They are opaque to the shared code; a backend derives its
// own types from them. An object must outlive every context it is selected in.
class Pen {
public:
    virtual ~Pen() = default;
};

class Brush {
public:
    virtual ~Brush() = default;
};

class Bitmap {
public:
    virtual ~Bitmap() = default;
    virtual std::int32_t Width() const = 0;
    virtual std::int32_t Height() const = 0;
};

// A 4-bit bitmap over a fixed color table. Pixels() gives its pixel bytes:
// rows bottom-up, each padded to a multiple of 4 bytes, two pixels per byte
// with the left pixel in the high nibble.
class PageBitmap {
public:
    virtual ~PageBitmap() = default;
    virtual std::int32_t Width() const = 0;
    virtual std::int32_t Height() const = 0;
    virtual std::uint8_t* Pixels() = 0;
    virtual const std::uint8_t* Pixels() const = 0;
    // Number of pixel bytes behind Pixels().
    virtual std::size_t PixelByteCount() const = 0;
};

class DrawingContext {
public:
    virtual ~DrawingContext() = default;

    // A new off-screen context that draws like this one. It starts with the
    // platform's default bitmap (1 × 1), a black 1-pixel pen and a white brush.
    virtual std::unique_ptr<DrawingContext> CreateCompatibleContext() const = 0;
    // A bitmap in this context's pixel format; null when it can't be made.
    virtual std::unique_ptr<Bitmap> CreateCompatibleBitmap(std::int32_t width,
                                                           std::int32_t height) const = 0;

    // Each Select puts the object into the context and returns the one it
    // replaced, so that the caller can put that back later. Selecting null
    // changes nothing and returns null.
    virtual Bitmap* SelectBitmap(Bitmap* bitmap) = 0;
    virtual Pen* SelectPen(Pen* pen) = 0;
    virtual Brush* SelectBrush(Brush* brush) = 0;

    // Sets every pixel of the rectangle to white (the WHITENESS raster operation).
    virtual void FillWhite(const Rect& rect) = 0;
    // Fills the rectangle with the brush, without outline.
    virtual void FillRect(const Rect& rect, const Brush& brush) = 0;
    // A straight line from (x0, y0) to (x1, y1) with the selected pen.
    virtual void Line(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) = 0;
    // The ellipse inscribed in the box, outlined with the selected pen and
    // filled with the selected brush; nothing is drawn outside the box.
    virtual void Ellipse(const Rect& box) = 0;
    // The rectangle outlined with the selected pen and filled with the
    // selected brush.
    virtual void Rectangle(const Rect& rect) = 0;

    // Copies the source rectangle at (sourceX, sourceY) of size
    // target.Width() × target.Height() onto the target rectangle of this
    // context (the SRCCOPY block copy). Parts outside either surface are left out.
    virtual void CopyFrom(const Rect& target, const DrawingContext& source,
                          std::int32_t sourceX, std::int32_t sourceY) = 0;
    // Copies page pixels (0, 0, target.Width(), target.Height()) onto the
    // target rectangle of this context.
    virtual void DrawPage(const Rect& target, const PageBitmap& page) = 0;
    // Copies the rectangle at (sourceX, sourceY) of this context, the page's
    // size, into the page, each color becoming the nearest entry of the
    // page's color table (colors of the table map to their own entry).
    virtual void CapturePage(std::int32_t sourceX, std::int32_t sourceY,
                             PageBitmap& page) const = 0;

    // Single-line text in the context's current font and colors.
    virtual Size MeasureText(std::string_view text) const = 0;
    virtual void DrawText(std::string_view text, const Rect& rect) = 0;
};

// A context for the whole screen, the reference for off-screen contexts made
// when there is no window.
std::unique_ptr<DrawingContext> GetScreenContext();

// A solid pen of the given width in pixels; null when it can't be made.
std::unique_ptr<Pen> CreatePen(std::int32_t width, Color color);
// A solid brush; null when it can't be made.
std::unique_ptr<Brush> CreateSolidBrush(Color color);
// A page bitmap as described, its pixel bytes zeroed; null when the
// description is not one the backend supports (bitCount other than 4, width or
// height not positive) or memory can't be had.
std::unique_ptr<PageBitmap> CreatePageBitmap(const PageBitmapInfo& info);

}  // namespace tavrin::platform
