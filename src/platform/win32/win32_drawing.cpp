#include "platform/win32/win32_drawing.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <utility>

#include "platform/win32/win32_text.h"

namespace tavrin::platform {

// A GDI object of one kind, deleted with the wrapper when the wrapper made it;
// the objects a device context comes with belong to the system and are only
// wrapped.
template <typename Base, typename Handle>
class GdiObject : public Base {
public:
    GdiObject(Handle handle, bool owned) : handle_(handle), owned_(owned) {}
    ~GdiObject() override {
        if (owned_) ::DeleteObject(handle_);
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle Get() const { return handle_; }

private:
    Handle handle_;
    bool owned_;
};

class Win32Pen final : public GdiObject<Pen, HPEN> {
    using GdiObject::GdiObject;
};

class Win32Brush final : public GdiObject<Brush, HBRUSH> {
    using GdiObject::GdiObject;
};

class Win32Bitmap final : public GdiObject<Bitmap, HBITMAP> {
public:
    Win32Bitmap(HBITMAP handle, bool owned) : GdiObject(handle, owned) {
        BITMAP description{};
        if (::GetObject(handle, sizeof description, &description) != 0) {
            width_ = description.bmWidth;
            height_ = description.bmHeight;
        }
    }

    std::int32_t Width() const override { return width_; }
    std::int32_t Height() const override { return height_; }

private:
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
};

namespace {

// A 4-bit DIB section: GDI draws on it and reduces colors to its table, and
// its pixel bytes are ordinary memory.
class Win32PageBitmap final : public PageBitmap {
public:
    Win32PageBitmap(HBITMAP dib, std::uint8_t* bits, std::int32_t width, std::int32_t height,
                    std::size_t rowStride)
        : dib_(dib), bits_(bits), width_(width), height_(height), rowStride_(rowStride) {}
    ~Win32PageBitmap() override { ::DeleteObject(dib_); }
    Win32PageBitmap(const Win32PageBitmap&) = delete;
    Win32PageBitmap& operator=(const Win32PageBitmap&) = delete;

    std::int32_t Width() const override { return width_; }
    std::int32_t Height() const override { return height_; }
    std::uint8_t* Pixels() override { return bits_; }
    const std::uint8_t* Pixels() const override { return bits_; }
    std::size_t PixelByteCount() const override {
        return rowStride_ * static_cast<std::size_t>(height_);
    }

    HBITMAP Handle() const { return dib_; }

private:
    HBITMAP dib_;
    std::uint8_t* bits_;
    std::int32_t width_;
    std::int32_t height_;
    std::size_t rowStride_;
};

// GDI's coordinates reach 2^27; everything the programs draw lies well within this.
constexpr std::int64_t kCoordinateLimit = std::int64_t{1} << 24;
constexpr RECT kCoordinateBounds{-kCoordinateLimit, -kCoordinateLimit, kCoordinateLimit,
                                 kCoordinateLimit};

// The part of the width × height block at (x, y) that lies inside `bounds`.
std::optional<RECT> Intersect(std::int64_t x, std::int64_t y, std::int64_t width,
                              std::int64_t height, const RECT& bounds) {
    const auto part = tavrin::Intersect(x, y, width, height,
                                        {bounds.left, bounds.top, bounds.right, bounds.bottom});
    if (!part) return std::nullopt;
    return RECT{part->left, part->top, part->right, part->bottom};
}

// A rectangle as GDI can take it: empty ones are dropped (GDI would turn them
// around) and far-out coordinates are pulled in.
std::optional<RECT> Area(const Rect& rect) {
    return Intersect(rect.left, rect.top, std::int64_t{rect.right} - rect.left,
                     std::int64_t{rect.bottom} - rect.top, kCoordinateBounds);
}

LONG WidthOf(const RECT& rect) { return rect.right - rect.left; }
LONG HeightOf(const RECT& rect) { return rect.bottom - rect.top; }

// Where a context's drawing can land: its selected bitmap for a memory DC;
// for other devices the coordinate range, and GDI clips the rest.
RECT DrawableBounds(HDC dc) {
    if (::GetObjectType(dc) != OBJ_MEMDC) return kCoordinateBounds;
    BITMAP selected{};
    const auto bitmap = static_cast<HBITMAP>(::GetCurrentObject(dc, OBJ_BITMAP));
    if (bitmap == nullptr || ::GetObject(bitmap, sizeof selected, &selected) == 0) return RECT{};
    return RECT{0, 0, selected.bmWidth, selected.bmHeight};
}

// The segment's part inside the coordinate range (Liang–Barsky), for lines
// whose ends lie far outside it; lines within it are passed on untouched.
std::optional<std::pair<POINT, POINT>> ClipSegment(std::int32_t x0, std::int32_t y0,
                                                   std::int32_t x1, std::int32_t y1) {
    const auto inside = [](std::int32_t v) { return v > -kCoordinateLimit && v < kCoordinateLimit; };
    if (inside(x0) && inside(y0) && inside(x1) && inside(y1)) {
        return std::pair{POINT{x0, y0}, POINT{x1, y1}};
    }
    const double dx = static_cast<double>(x1) - x0;
    const double dy = static_cast<double>(y1) - y0;
    const double limit = static_cast<double>(kCoordinateLimit);
    double enter = 0.0;
    double leave = 1.0;
    const auto clip = [&](double p, double q) {
        if (p == 0.0) return q >= 0.0;
        const double t = q / p;
        if (p < 0.0) {
            enter = std::max(enter, t);
        } else {
            leave = std::min(leave, t);
        }
        return enter <= leave;
    };
    if (!clip(-dx, x0 + limit) || !clip(dx, limit - x0) || !clip(-dy, y0 + limit) ||
        !clip(dy, limit - y0)) {
        return std::nullopt;
    }
    const auto at = [&](double t) {
        return POINT{static_cast<LONG>(std::lround(x0 + t * dx)),
                     static_cast<LONG>(std::lround(y0 + t * dy))};
    };
    return std::pair{at(enter), at(leave)};
}

// SelectObject's answer when a region can't be selected; for other objects
// it answers null. (The header's own HGDI_ERROR doesn't compile warning-free.)
const HGDIOBJ kSelectFailed = reinterpret_cast<HGDIOBJ>(LONG_PTR{-1});

bool Selected(HGDIOBJ replaced) { return replaced != nullptr && replaced != kSelectFailed; }

// A memory DC made for the time of one copy, holding a page's DIB section.
class PageDc {
public:
    PageDc(HDC compatibleWith, const Win32PageBitmap& page)
        : dc_(::CreateCompatibleDC(compatibleWith)),
          saved_(dc_ != nullptr ? ::SelectObject(dc_, page.Handle()) : nullptr) {}
    ~PageDc() {
        if (dc_ == nullptr) return;
        if (Selected(saved_)) ::SelectObject(dc_, saved_);
        ::DeleteDC(dc_);
    }
    PageDc(const PageDc&) = delete;
    PageDc& operator=(const PageDc&) = delete;

    // The DC, or null when it or the selection couldn't be made.
    HDC Get() const { return Selected(saved_) ? dc_ : nullptr; }

private:
    HDC dc_;
    HGDIOBJ saved_;
};

// An off-screen context: a memory DC of its own.
class MemoryContext final : public Win32DrawingContext {
public:
    explicit MemoryContext(HDC dc) : Win32DrawingContext(dc) {}
    ~MemoryContext() override { ::DeleteDC(Handle()); }
    MemoryContext(const MemoryContext&) = delete;
    MemoryContext& operator=(const MemoryContext&) = delete;
};

// The whole screen's DC, given back to the system with the context.
class ScreenContext final : public Win32DrawingContext {
public:
    explicit ScreenContext(HDC dc) : Win32DrawingContext(dc) {}
    ~ScreenContext() override { ::ReleaseDC(nullptr, Handle()); }
    ScreenContext(const ScreenContext&) = delete;
    ScreenContext& operator=(const ScreenContext&) = delete;
};

HBITMAP ScreenCompatibleBitmap(std::int32_t width, std::int32_t height) {
    const HDC screen = ::GetDC(nullptr);
    if (screen == nullptr) return nullptr;
    const HBITMAP bitmap = ::CreateCompatibleBitmap(screen, width, height);
    ::ReleaseDC(nullptr, screen);
    return bitmap;
}

// Puts `object` into the context in place of `current`; null when GDI refused
// it, and then nothing changed.
template <typename Wrapper>
Wrapper* Select(HDC dc, Wrapper* object, Wrapper*& current) {
    if (object == nullptr) return nullptr;
    const HGDIOBJ replaced = ::SelectObject(dc, object->Get());
    if (!Selected(replaced)) return nullptr;
    return std::exchange(current, object);
}

}  // namespace

Win32DrawingContext::Win32DrawingContext(HDC dc)
    : dc_(dc),
      originalBitmap_(std::make_unique<Win32Bitmap>(
          static_cast<HBITMAP>(::GetCurrentObject(dc, OBJ_BITMAP)), false)),
      originalPen_(
          std::make_unique<Win32Pen>(static_cast<HPEN>(::GetCurrentObject(dc, OBJ_PEN)), false)),
      originalBrush_(std::make_unique<Win32Brush>(
          static_cast<HBRUSH>(::GetCurrentObject(dc, OBJ_BRUSH)), false)),
      bitmap_(originalBitmap_.get()),
      pen_(originalPen_.get()),
      brush_(originalBrush_.get()) {}

Win32DrawingContext::~Win32DrawingContext() = default;

std::unique_ptr<DrawingContext> Win32DrawingContext::CreateCompatibleContext() const {
    const HDC dc = ::CreateCompatibleDC(dc_);
    if (dc == nullptr) return nullptr;
    return std::make_unique<MemoryContext>(dc);
}

std::unique_ptr<Bitmap> Win32DrawingContext::CreateCompatibleBitmap(std::int32_t width,
                                                                    std::int32_t height) const {
    // GDI answers a zero size with a shared 1 × 1 bitmap: not a surface.
    if (width <= 0 || height <= 0) return nullptr;
    const HBITMAP bitmap = ::GetObjectType(dc_) == OBJ_MEMDC
                               ? ScreenCompatibleBitmap(width, height)
                               : ::CreateCompatibleBitmap(dc_, width, height);
    if (bitmap == nullptr) return nullptr;
    return std::make_unique<Win32Bitmap>(bitmap, true);
}

Bitmap* Win32DrawingContext::SelectBitmap(Bitmap* bitmap) {
    return Select(dc_, dynamic_cast<Win32Bitmap*>(bitmap), bitmap_);
}

Pen* Win32DrawingContext::SelectPen(Pen* pen) {
    return Select(dc_, dynamic_cast<Win32Pen*>(pen), pen_);
}

Brush* Win32DrawingContext::SelectBrush(Brush* brush) {
    return Select(dc_, dynamic_cast<Win32Brush*>(brush), brush_);
}

void Win32DrawingContext::FillWhite(const Rect& rect) {
    const auto area = Area(rect);
    if (!area) return;
    ::PatBlt(dc_, area->left, area->top, WidthOf(*area), HeightOf(*area), WHITENESS);
}

void Win32DrawingContext::FillRect(const Rect& rect, const Brush& brush) {
    const auto* win32Brush = dynamic_cast<const Win32Brush*>(&brush);
    const auto area = Area(rect);
    if (win32Brush == nullptr || !area) return;
    ::FillRect(dc_, &*area, win32Brush->Get());
}

void Win32DrawingContext::Line(std::int32_t x0, std::int32_t y0, std::int32_t x1,
                               std::int32_t y1) {
    const auto segment = ClipSegment(x0, y0, x1, y1);
    if (!segment) return;
    ::MoveToEx(dc_, segment->first.x, segment->first.y, nullptr);
    ::LineTo(dc_, segment->second.x, segment->second.y);
}

void Win32DrawingContext::Ellipse(const Rect& box) {
    const auto area = Area(box);
    if (!area) return;
    ::Ellipse(dc_, area->left, area->top, area->right, area->bottom);
}

void Win32DrawingContext::Rectangle(const Rect& rect) {
    const auto area = Area(rect);
    if (!area) return;
    ::Rectangle(dc_, area->left, area->top, area->right, area->bottom);
}

void Win32DrawingContext::CopyFrom(const Rect& target, const DrawingContext& source,
                                   std::int32_t sourceX, std::int32_t sourceY) {
    const auto* win32Source = dynamic_cast<const Win32DrawingContext*>(&source);
    if (win32Source == nullptr) return;
    // The part of the block that lies on the source and lands on this
    // context, found in the source's coordinates.
    const auto onSource =
        Intersect(sourceX, sourceY, std::int64_t{target.right} - target.left,
                  std::int64_t{target.bottom} - target.top, DrawableBounds(win32Source->dc_));
    if (!onSource) return;
    const std::int64_t shiftX = std::int64_t{target.left} - sourceX;
    const std::int64_t shiftY = std::int64_t{target.top} - sourceY;
    const auto onTarget = Intersect(onSource->left + shiftX, onSource->top + shiftY,
                                    WidthOf(*onSource), HeightOf(*onSource), DrawableBounds(dc_));
    if (!onTarget) return;
    ::BitBlt(dc_, onTarget->left, onTarget->top, WidthOf(*onTarget), HeightOf(*onTarget),
             win32Source->dc_, static_cast<int>(onTarget->left - shiftX),
             static_cast<int>(onTarget->top - shiftY), SRCCOPY);
}

void Win32DrawingContext::DrawPage(const Rect& target, const PageBitmap& page) {
    const auto* win32Page = dynamic_cast<const Win32PageBitmap*>(&page);
    if (win32Page == nullptr) return;
    const std::int64_t width = std::min<std::int64_t>(std::int64_t{target.right} - target.left,
                                                      page.Width());
    const std::int64_t height = std::min<std::int64_t>(std::int64_t{target.bottom} - target.top,
                                                       page.Height());
    const auto onTarget = Intersect(target.left, target.top, width, height, DrawableBounds(dc_));
    if (!onTarget) return;
    const PageDc pageDc(dc_, *win32Page);
    if (pageDc.Get() == nullptr) return;
    // The shared code writes the pixel bytes directly; GDI must not be
    // holding back work on them.
    ::GdiFlush();
    ::BitBlt(dc_, onTarget->left, onTarget->top, WidthOf(*onTarget), HeightOf(*onTarget),
             pageDc.Get(), onTarget->left - target.left, onTarget->top - target.top, SRCCOPY);
}

void Win32DrawingContext::CapturePage(std::int32_t sourceX, std::int32_t sourceY,
                                      PageBitmap& page) const {
    auto* win32Page = dynamic_cast<Win32PageBitmap*>(&page);
    if (win32Page == nullptr) return;
    const auto onSource =
        Intersect(sourceX, sourceY, page.Width(), page.Height(), DrawableBounds(dc_));
    if (!onSource) return;
    const PageDc pageDc(dc_, *win32Page);
    if (pageDc.Get() == nullptr) return;
    // GDI reduces every color to the nearest entry of the DIB's table.
    ::BitBlt(pageDc.Get(), onSource->left - sourceX, onSource->top - sourceY, WidthOf(*onSource),
             HeightOf(*onSource), dc_, onSource->left, onSource->top, SRCCOPY);
    // The pixel bytes are read directly as soon as this returns.
    ::GdiFlush();
}

Size Win32DrawingContext::MeasureText(std::string_view text) const {
    const SystemText shown = ToSystemTextForDisplay(text);
    SIZE extent{};
    if (!::GetTextExtentPoint32(dc_, shown.c_str(), static_cast<int>(shown.size()), &extent)) {
        return {};
    }
    return {extent.cx, extent.cy};
}

void Win32DrawingContext::DrawText(std::string_view text, const Rect& rect) {
    auto area = Area(rect);
    if (!area) return;
    const SystemText shown = ToSystemTextForDisplay(text);
    // The texts are data, not labels: an '&' is drawn as itself, as measured.
    DrawSystemText(dc_, shown.c_str(), static_cast<int>(shown.size()), &*area,
                   DT_SINGLELINE | DT_NOPREFIX);
}

std::unique_ptr<DrawingContext> GetScreenContext() {
    const HDC dc = ::GetDC(nullptr);
    if (dc == nullptr) return nullptr;
    return std::make_unique<ScreenContext>(dc);
}

std::unique_ptr<Pen> CreatePen(std::int32_t width, Color color) {
    // A pen of one pixel is GDI's cosmetic pen; a wider one keeps its
    // outlines inside the figure's box and draws lines as a solid pen does.
    const HPEN pen = width <= 1 ? ::CreatePen(PS_SOLID, 1, color)
                                : ::CreatePen(PS_INSIDEFRAME, width, color);
    if (pen == nullptr) return nullptr;
    return std::make_unique<Win32Pen>(pen, true);
}

std::unique_ptr<Brush> CreateSolidBrush(Color color) {
    const HBRUSH brush = ::CreateSolidBrush(color);
    if (brush == nullptr) return nullptr;
    return std::make_unique<Win32Brush>(brush, true);
}

std::unique_ptr<PageBitmap> CreatePageBitmap(const PageBitmapInfo& info) {
    if (info.bitCount != 4 || info.compression != 0 || info.width <= 0 || info.height <= 0) {
        return nullptr;
    }
    struct {
        BITMAPINFOHEADER header;
        RGBQUAD colors[16];
    } description{};
    description.header.biSize = sizeof description.header;
    description.header.biWidth = info.width;
    description.header.biHeight = info.height;
    description.header.biPlanes = 1;
    description.header.biBitCount = 4;
    description.header.biCompression = BI_RGB;
    // Left at 0: GDI works the size out from the width and height.
    description.header.biSizeImage = 0;
    for (std::size_t i = 0; i < info.colors.size(); ++i) {
        const RgbQuad& entry = info.colors[i];
        description.colors[i] = RGBQUAD{entry.blue, entry.green, entry.red, 0};
    }
    void* bits = nullptr;
    const HBITMAP dib = ::CreateDIBSection(nullptr, reinterpret_cast<BITMAPINFO*>(&description),
                                           DIB_RGB_COLORS, &bits, nullptr, 0);
    if (dib == nullptr || bits == nullptr) {
        if (dib != nullptr) ::DeleteObject(dib);
        return nullptr;
    }
    const auto rowStride = (static_cast<std::size_t>(info.width) * 4 + 31) / 32 * 4;
    auto page = std::make_unique<Win32PageBitmap>(dib, static_cast<std::uint8_t*>(bits), info.width,
                                                  info.height, rowStride);
    // The platform doesn't promise zeroed bytes.
    std::memset(page->Pixels(), 0, page->PixelByteCount());
    return page;
}

}  // namespace tavrin::platform
