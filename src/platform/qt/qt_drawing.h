// The Qt drawing backend as the programs' Qt shells see it: a drawing context
// over a QPainter that the shell owns (a widget's paintEvent), and the pixels
// behind the backend's bitmaps.
//
// Memory contexts (CreateCompatibleContext, GetScreenContext) draw into their
// selected bitmap, a QImage of Format_RGB32, and write texts in the
// application's font (QGuiApplication::font(), so texts need a running
// QGuiApplication), black on opaque white. Nothing is antialiased: pens,
// ellipses and texts are drawn with hard pixels, as on the handheld's screen.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>

#include "platform/drawing.h"

class QPainter;
class QPaintDevice;

namespace tavrin::platform {

class QtPen;
class QtBrush;

// The font and colors that texts are drawn with.
struct QtTextStyle {
    QFont font;
    QColor color;
    QColor background;
};

// What every Qt context shares: the selected pen and brush and every primitive,
// drawn through a QPainter that each kind of context provides.
class QtDrawingContext : public DrawingContext {
public:
    QtDrawingContext();

    std::unique_ptr<DrawingContext> CreateCompatibleContext() const override;
    std::unique_ptr<Bitmap> CreateCompatibleBitmap(std::int32_t width,
                                                   std::int32_t height) const override;

    Pen* SelectPen(Pen* pen) override;
    Brush* SelectBrush(Brush* brush) override;

    void FillWhite(const Rect& rect) override;
    void FillRect(const Rect& rect, const Brush& brush) override;
    void Line(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) override;
    void Ellipse(const Rect& box) override;
    void Rectangle(const Rect& rect) override;

    void CopyFrom(const Rect& target, const DrawingContext& source, std::int32_t sourceX,
                  std::int32_t sourceY) override;
    void DrawPage(const Rect& target, const PageBitmap& page) override;
    void CapturePage(std::int32_t sourceX, std::int32_t sourceY, PageBitmap& page) const override;

    Size MeasureText(std::string_view text) const override;
    void DrawText(std::string_view text, const Rect& rect) override;

protected:
    // A painter ready to draw on this context, without antialiasing; every
    // BeginPainting is followed by one EndPainting.
    virtual QPainter& BeginPainting() = 0;
    virtual void EndPainting() = 0;
    // The pixels that this context draws on, when it draws on an image of its own.
    virtual const QImage* Surface() const = 0;
    // The device that texts are laid out for.
    virtual const QPaintDevice* TextDevice() const = 0;
    virtual QtTextStyle TextStyle() const = 0;

private:
    class Painting;
    void PutImage(std::int32_t targetX, std::int32_t targetY, const QImage& image,
                  const QRect& source);

    QtPen* pen_;
    QtBrush* brush_;
};

// A context over a painter that the shell has begun on its window, so that the
// shared code can copy its off-screen surface onto the window and draw texts
// over it. It lives no longer than that painter's paint event. It has no
// bitmap of its own: SelectBitmap changes nothing and returns null, and it
// can't be the source of CopyFrom or CapturePage (nothing is copied then).
// The painter's own state is left as it was after every operation.
class QtPaintContext final : public QtDrawingContext {
public:
    QtPaintContext(QPainter& painter, QtTextStyle textStyle);

    Bitmap* SelectBitmap(Bitmap* bitmap) override;

protected:
    QPainter& BeginPainting() override;
    void EndPainting() override;
    const QImage* Surface() const override;
    const QPaintDevice* TextDevice() const override;
    QtTextStyle TextStyle() const override;

private:
    QPainter& painter_;
    QtTextStyle textStyle_;
};

// The pixels of a bitmap made by this backend; null for any other bitmap.
const QImage* ImageOf(const Bitmap& bitmap);

// The top-left width × height pixels of a page bitmap made by this backend,
// in its own colors; a null image for another page, a size past the page's
// or when memory can't be had.
QImage RgbImageOfPage(const PageBitmap& page, std::int32_t width, std::int32_t height);

}  // namespace tavrin::platform
