// The GDI drawing backend as the programs' Win32 shells see it: a drawing
// context over a device context that the shell owns (the one from BeginPaint
// in WM_PAINT), and the device context behind any context of this backend.
//
// Contexts follow GDI's own rules, which the shared code was written for:
// - A context made by CreateCompatibleContext is a memory DC: it starts with
//   the 1 × 1 monochrome default bitmap, BLACK_PEN, WHITE_BRUSH and the
//   system font, black text on opaque white.
// - CreateCompatibleBitmap makes a bitmap in the format of the screen the
//   context draws for. For a memory DC, GDI itself would take the format of
//   the bitmap selected at the time, which in a new one is the monochrome
//   default: shared code that works on one backend must not lose its colors
//   on the other, so every context of this backend answers alike.
// - Lines leave out their last point, as LineTo does.
// - Pens wider than one pixel draw their outlines inside the box of an
//   ellipse or rectangle (PS_INSIDEFRAME), so that nothing lands outside it;
//   their lines are those of a solid pen.
// Coordinates far beyond any surface (more than 2^24 pixels out) are pulled
// in before they reach GDI, whose coordinate range is limited.
#pragma once

#include "platform/drawing.h"
#include "platform/win32/win32_api.h"

namespace tavrin::platform {

class Win32Pen;
class Win32Brush;
class Win32Bitmap;

// What every GDI context shares: selection with the objects the context came
// with, and every primitive drawn on its device context.
class Win32DrawingContext : public DrawingContext {
public:
    ~Win32DrawingContext() override;
    Win32DrawingContext(const Win32DrawingContext&) = delete;
    Win32DrawingContext& operator=(const Win32DrawingContext&) = delete;

    HDC Handle() const { return dc_; }

    std::unique_ptr<DrawingContext> CreateCompatibleContext() const override;
    std::unique_ptr<Bitmap> CreateCompatibleBitmap(std::int32_t width,
                                                   std::int32_t height) const override;

    Bitmap* SelectBitmap(Bitmap* bitmap) override;
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
    // Takes the bitmap, pen and brush that `dc` holds now as the objects it
    // came with, so that Select can hand them back.
    explicit Win32DrawingContext(HDC dc);

private:
    HDC dc_;
    std::unique_ptr<Win32Bitmap> originalBitmap_;
    std::unique_ptr<Win32Pen> originalPen_;
    std::unique_ptr<Win32Brush> originalBrush_;
    Win32Bitmap* bitmap_;
    Win32Pen* pen_;
    Win32Brush* brush_;
};

// A context over a device context that the shell keeps: it is neither
// released nor restored by this object, and it must not outlive the device
// context. What the shared code selects into it, it puts back itself.
class Win32PaintContext final : public Win32DrawingContext {
public:
    explicit Win32PaintContext(HDC dc) : Win32DrawingContext(dc) {}
};

}  // namespace tavrin::platform
