#include "platform/qt/qt_drawing.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <QPen>

#include <algorithm>
#include <cstdlib>
#include <limits>
#include <optional>
#include <utility>

namespace tavrin::platform {

class QtPen final : public Pen {
public:
    QtPen(std::int32_t penWidth, Color color)
        : width(std::max(penWidth, 1)),
          pen(QColor(RedOf(color), GreenOf(color), BlueOf(color)), width, Qt::SolidLine,
              Qt::RoundCap, Qt::RoundJoin) {}

    const std::int32_t width;
    const QPen pen;
};

class QtBrush final : public Brush {
public:
    explicit QtBrush(Color fill) : color(RedOf(fill), GreenOf(fill), BlueOf(fill)) {}

    const QColor color;
};

namespace {

class QtBitmap final : public Bitmap {
public:
    explicit QtBitmap(QImage pixels) : image(std::move(pixels)) {}

    std::int32_t Width() const override { return image.width(); }
    std::int32_t Height() const override { return image.height(); }

    QImage image;
};

struct FreeBytes {
    void operator()(std::uint8_t* bytes) const { std::free(bytes); }
};
using PixelBytes = std::unique_ptr<std::uint8_t, FreeBytes>;

class QtPageBitmap final : public PageBitmap {
public:
    QtPageBitmap(std::int32_t width, std::int32_t height, std::size_t rowStride, PixelBytes pixels,
                 const std::array<RgbQuad, 16>& colors)
        : width_(width), height_(height), rowStride_(rowStride), pixels_(std::move(pixels)) {
        std::transform(colors.begin(), colors.end(), table_.begin(),
                       [](RgbQuad c) { return qRgb(c.red, c.green, c.blue); });
    }

    std::int32_t Width() const override { return width_; }
    std::int32_t Height() const override { return height_; }
    std::uint8_t* Pixels() override { return pixels_.get(); }
    const std::uint8_t* Pixels() const override { return pixels_.get(); }
    std::size_t PixelByteCount() const override {
        return rowStride_ * static_cast<std::size_t>(height_);
    }

    // Row y counted from the top of the picture; rows are stored bottom-up.
    std::uint8_t* Row(std::int32_t y) {
        return pixels_.get() + static_cast<std::size_t>(height_ - 1 - y) * rowStride_;
    }
    const std::uint8_t* Row(std::int32_t y) const {
        return pixels_.get() + static_cast<std::size_t>(height_ - 1 - y) * rowStride_;
    }
    const std::array<QRgb, 16>& Table() const { return table_; }

private:
    std::int32_t width_;
    std::int32_t height_;
    std::size_t rowStride_;
    PixelBytes pixels_;
    std::array<QRgb, 16> table_{};
};

// Like the platform's stock objects: shared by every context, never released.
QtPen& StockPen() {
    static QtPen pen(1, MakeColor(0, 0, 0));
    return pen;
}
QtBrush& StockBrush() {
    static QtBrush brush(MakeColor(0xFF, 0xFF, 0xFF));
    return brush;
}

// A new bitmap's pixels are black, as the platform's compatible bitmaps are;
// the image is null when memory can't be had.
QImage BlankImage(std::int32_t width, std::int32_t height) {
    QImage image(width, height, QImage::Format_RGB32);
    image.fill(Qt::black);
    return image;
}

void DisableAntialiasing(QPainter& painter) {
    painter.setRenderHints(
        QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform,
        false);
}

// The part of the width × height rectangle at (x, y) that lies inside `bounds`.
std::optional<QRect> Intersect(std::int64_t x, std::int64_t y, std::int64_t width,
                               std::int64_t height, const QRect& bounds) {
    const auto part = tavrin::Intersect(
        x, y, width, height,
        {bounds.left(), bounds.top(), bounds.left() + bounds.width(), bounds.top() + bounds.height()});
    if (!part) return std::nullopt;
    return QRect(part->left, part->top, part->Width(), part->Height());
}

// A rectangle as Qt can take it: empty ones are dropped and coordinates far
// beyond any surface are pulled in.
std::optional<QRect> Area(const Rect& rect) {
    constexpr int limit = 1 << 24;
    return Intersect(rect.left, rect.top, std::int64_t{rect.right} - rect.left,
                     std::int64_t{rect.bottom} - rect.top,
                     QRect(-limit, -limit, 2 * limit, 2 * limit));
}

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QFont WithoutAntialiasing(QFont font) {
    font.setStyleStrategy(QFont::NoAntialias);
    return font;
}

// Reduces colors to the nearest entry of a color table by squared RGB
// distance; the first of equally near entries wins, so a color of the table
// maps to its own entry. Surfaces hold long runs of one color, so the last
// answer is kept.
class NearestColor {
public:
    explicit NearestColor(const std::array<QRgb, 16>& table) : table_(table) {}

    std::uint8_t IndexOf(QRgb color) {
        color &= RGB_MASK;
        if (color != lastColor_) {
            lastColor_ = color;
            lastIndex_ = Search(color);
        }
        return lastIndex_;
    }

private:
    std::uint8_t Search(QRgb color) const {
        std::uint8_t best = 0;
        int bestDistance = std::numeric_limits<int>::max();
        for (std::size_t i = 0; i < table_.size(); ++i) {
            const int red = qRed(color) - qRed(table_[i]);
            const int green = qGreen(color) - qGreen(table_[i]);
            const int blue = qBlue(color) - qBlue(table_[i]);
            const int distance = red * red + green * green + blue * blue;
            if (distance < bestDistance) {
                bestDistance = distance;
                best = static_cast<std::uint8_t>(i);
            }
        }
        return best;
    }

    const std::array<QRgb, 16>& table_;
    QRgb lastColor_ = ~RGB_MASK;  // no masked color equals it
    std::uint8_t lastIndex_ = 0;
};

// An off-screen context drawing into its selected bitmap.
class QtMemoryContext final : public QtDrawingContext {
public:
    QtMemoryContext() : defaultBitmap_(BlankImage(1, 1)), bitmap_(&defaultBitmap_) {}

    Bitmap* SelectBitmap(Bitmap* bitmap) override {
        auto* qtBitmap = dynamic_cast<QtBitmap*>(bitmap);
        if (qtBitmap == nullptr) return nullptr;
        return std::exchange(bitmap_, qtBitmap);
    }

protected:
    QPainter& BeginPainting() override {
        painter_.begin(&bitmap_->image);
        DisableAntialiasing(painter_);
        return painter_;
    }
    void EndPainting() override { painter_.end(); }
    const QImage* Surface() const override { return &bitmap_->image; }
    const QPaintDevice* TextDevice() const override { return &bitmap_->image; }
    QtTextStyle TextStyle() const override {
        return {QGuiApplication::font(), QColor(Qt::black), QColor(Qt::white)};
    }

private:
    QtBitmap defaultBitmap_;
    QtBitmap* bitmap_;
    QPainter painter_;
};

}  // namespace

// Brackets one drawing operation with the context's painter.
class QtDrawingContext::Painting {
public:
    explicit Painting(QtDrawingContext& context)
        : context_(context), painter_(context.BeginPainting()) {}
    ~Painting() { context_.EndPainting(); }
    Painting(const Painting&) = delete;
    Painting& operator=(const Painting&) = delete;

    QPainter* operator->() { return &painter_; }

private:
    QtDrawingContext& context_;
    QPainter& painter_;
};

QtDrawingContext::QtDrawingContext() : pen_(&StockPen()), brush_(&StockBrush()) {}

std::unique_ptr<DrawingContext> QtDrawingContext::CreateCompatibleContext() const {
    return std::make_unique<QtMemoryContext>();
}

std::unique_ptr<Bitmap> QtDrawingContext::CreateCompatibleBitmap(std::int32_t width,
                                                                 std::int32_t height) const {
    if (width <= 0 || height <= 0) return nullptr;
    QImage image = BlankImage(width, height);
    if (image.isNull()) return nullptr;
    return std::make_unique<QtBitmap>(std::move(image));
}

Pen* QtDrawingContext::SelectPen(Pen* pen) {
    auto* qtPen = dynamic_cast<QtPen*>(pen);
    if (qtPen == nullptr) return nullptr;
    return std::exchange(pen_, qtPen);
}

Brush* QtDrawingContext::SelectBrush(Brush* brush) {
    auto* qtBrush = dynamic_cast<QtBrush*>(brush);
    if (qtBrush == nullptr) return nullptr;
    return std::exchange(brush_, qtBrush);
}

void QtDrawingContext::FillWhite(const Rect& rect) {
    const auto area = Area(rect);
    if (!area) return;
    Painting painting(*this);
    painting->fillRect(*area, Qt::white);
}

void QtDrawingContext::FillRect(const Rect& rect, const Brush& brush) {
    const auto* qtBrush = dynamic_cast<const QtBrush*>(&brush);
    const auto area = Area(rect);
    if (qtBrush == nullptr || !area) return;
    Painting painting(*this);
    painting->fillRect(*area, qtBrush->color);
}

void QtDrawingContext::Line(std::int32_t x0, std::int32_t y0, std::int32_t x1, std::int32_t y1) {
    Painting painting(*this);
    painting->setPen(pen_->pen);
    painting->drawLine(QPoint(x0, y0), QPoint(x1, y1));
}

void QtDrawingContext::Ellipse(const Rect& box) {
    const auto area = Area(box);
    if (!area) return;
    // A thin pen covers the pixels right of and below the outline of the
    // ellipse's rectangle, a wide one reaches half its width to either side
    // of it; either way the rectangle is the box less the pen's width. The
    // clip makes sure nothing lands outside the box.
    const double inset = pen_->width == 1 ? 0.0 : pen_->width / 2.0;
    const double width = std::max(0.0, static_cast<double>(box.right) - box.left - pen_->width);
    const double height = std::max(0.0, static_cast<double>(box.bottom) - box.top - pen_->width);
    Painting painting(*this);
    painting->setClipRect(*area, Qt::IntersectClip);
    painting->setPen(pen_->pen);
    painting->setBrush(brush_->color);
    painting->drawEllipse(QRectF(box.left + inset, box.top + inset, width, height));
}

void QtDrawingContext::Rectangle(const Rect& rect) {
    const auto area = Area(rect);
    if (!area) return;
    Painting painting(*this);
    painting->fillRect(*area, pen_->pen.color());
    const int reach = std::min(pen_->width, area->width());
    const QRect inside = area->adjusted(reach, reach, -reach, -reach);
    if (inside.isValid()) painting->fillRect(inside, brush_->color);
}

void QtDrawingContext::CopyFrom(const Rect& target, const DrawingContext& source,
                                std::int32_t sourceX, std::int32_t sourceY) {
    const auto* qtSource = dynamic_cast<const QtDrawingContext*>(&source);
    const QImage* image = qtSource != nullptr ? qtSource->Surface() : nullptr;
    if (image == nullptr) return;
    const auto part = Intersect(sourceX, sourceY, std::int64_t{target.right} - target.left,
                                std::int64_t{target.bottom} - target.top, image->rect());
    if (!part) return;
    // The part starts within the target rectangle, so its place there fits.
    const auto targetX =
        static_cast<std::int32_t>(target.left + (std::int64_t{part->left()} - sourceX));
    const auto targetY =
        static_cast<std::int32_t>(target.top + (std::int64_t{part->top()} - sourceY));
    PutImage(targetX, targetY, *image, *part);
}

QImage RgbImageOfPage(const PageBitmap& page, std::int32_t width, std::int32_t height) {
    const auto* qtPage = dynamic_cast<const QtPageBitmap*>(&page);
    if (qtPage == nullptr || width <= 0 || height <= 0 || width > page.Width() ||
        height > page.Height()) {
        return {};
    }
    QImage pixels(width, height, QImage::Format_RGB32);
    if (pixels.isNull()) return {};
    const auto& table = qtPage->Table();
    for (std::int32_t y = 0; y < height; ++y) {
        const std::uint8_t* row = qtPage->Row(y);
        auto* line = reinterpret_cast<QRgb*>(pixels.scanLine(y));
        for (std::int32_t x = 0; x < width; ++x) {
            const std::uint8_t pair = row[x / 2];
            line[x] = table[static_cast<std::size_t>(x % 2 == 0 ? pair >> 4 : pair & 0x0F)];
        }
    }
    return pixels;
}

void QtDrawingContext::DrawPage(const Rect& target, const PageBitmap& page) {
    const auto width = static_cast<std::int32_t>(
        std::min<std::int64_t>(std::int64_t{target.right} - target.left, page.Width()));
    const auto height = static_cast<std::int32_t>(
        std::min<std::int64_t>(std::int64_t{target.bottom} - target.top, page.Height()));
    if (width <= 0 || height <= 0) return;
    const QImage pixels = RgbImageOfPage(page, width, height);
    if (pixels.isNull()) return;
    PutImage(target.left, target.top, pixels, pixels.rect());
}

void QtDrawingContext::CapturePage(std::int32_t sourceX, std::int32_t sourceY,
                                   PageBitmap& page) const {
    auto* qtPage = dynamic_cast<QtPageBitmap*>(&page);
    const QImage* image = Surface();
    if (qtPage == nullptr || image == nullptr) return;
    const auto part = Intersect(sourceX, sourceY, page.Width(), page.Height(), image->rect());
    if (!part) return;
    NearestColor nearest(qtPage->Table());
    for (int y = part->top(); y <= part->bottom(); ++y) {
        const auto* line = reinterpret_cast<const QRgb*>(image->constScanLine(y));
        std::uint8_t* row = qtPage->Row(y - sourceY);
        for (int x = part->left(); x <= part->right(); ++x) {
            const int pageX = x - sourceX;
            const std::uint8_t index = nearest.IndexOf(line[x]);
            std::uint8_t& pair = row[pageX / 2];
            pair = pageX % 2 == 0 ? static_cast<std::uint8_t>((pair & 0x0F) | (index << 4))
                                  : static_cast<std::uint8_t>((pair & 0xF0) | index);
        }
    }
}

Size QtDrawingContext::MeasureText(std::string_view text) const {
    const QFontMetrics metrics(WithoutAntialiasing(TextStyle().font), TextDevice());
    const QSize size = metrics.size(Qt::TextSingleLine, FromUtf8(text));
    return {size.width(), size.height()};
}

void QtDrawingContext::DrawText(std::string_view text, const Rect& rect) {
    const auto area = Area(rect);
    if (!area) return;
    const QtTextStyle style = TextStyle();
    const Size extent = MeasureText(text);
    const QString string = FromUtf8(text);
    Painting painting(*this);
    // The text's own box gets the background color, as an opaque text does.
    const auto background = Intersect(rect.left, rect.top, extent.cx, extent.cy, *area);
    if (background) painting->fillRect(*background, style.background);
    painting->setClipRect(*area, Qt::IntersectClip);
    painting->setFont(WithoutAntialiasing(style.font));
    painting->setPen(style.color);
    painting->drawText(*area, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine, string);
}

void QtDrawingContext::PutImage(std::int32_t targetX, std::int32_t targetY, const QImage& image,
                                const QRect& source) {
    // A copy within one surface must read its pixels before they are overwritten.
    const QImage* surface = Surface();
    const bool sameSurface = surface != nullptr && surface->constBits() == image.constBits();
    const QImage pixels = sameSurface ? image.copy(source) : image;
    const QRect part = sameSurface ? pixels.rect() : source;
    Painting painting(*this);
    painting->setCompositionMode(QPainter::CompositionMode_Source);
    painting->drawImage(QPoint(targetX, targetY), pixels, part);
}

QtPaintContext::QtPaintContext(QPainter& painter, QtTextStyle textStyle)
    : painter_(painter), textStyle_(std::move(textStyle)) {}

Bitmap* QtPaintContext::SelectBitmap(Bitmap*) { return nullptr; }

QPainter& QtPaintContext::BeginPainting() {
    painter_.save();
    DisableAntialiasing(painter_);
    return painter_;
}

void QtPaintContext::EndPainting() { painter_.restore(); }

const QImage* QtPaintContext::Surface() const { return nullptr; }

const QPaintDevice* QtPaintContext::TextDevice() const { return painter_.device(); }

QtTextStyle QtPaintContext::TextStyle() const { return textStyle_; }

const QImage* ImageOf(const Bitmap& bitmap) {
    const auto* qtBitmap = dynamic_cast<const QtBitmap*>(&bitmap);
    return qtBitmap != nullptr ? &qtBitmap->image : nullptr;
}

std::unique_ptr<DrawingContext> GetScreenContext() {
    // Qt draws on windows only in their paint events, so the screen is
    // represented by an off-screen context: it serves as the reference that
    // compatible contexts and bitmaps are made from.
    return std::make_unique<QtMemoryContext>();
}

std::unique_ptr<Pen> CreatePen(std::int32_t width, Color color) {
    return std::make_unique<QtPen>(width, color);
}

std::unique_ptr<Brush> CreateSolidBrush(Color color) { return std::make_unique<QtBrush>(color); }

std::unique_ptr<PageBitmap> CreatePageBitmap(const PageBitmapInfo& info) {
    if (info.bitCount != 4 || info.compression != 0 || info.width <= 0 || info.height <= 0) {
        return nullptr;
    }
    const auto rowStride = (static_cast<std::size_t>(info.width) * 4 + 31) / 32 * 4;
    // calloc checks the multiplication and leaves untouched pages unmapped.
    PixelBytes pixels(
        static_cast<std::uint8_t*>(std::calloc(static_cast<std::size_t>(info.height), rowStride)));
    if (pixels == nullptr) return nullptr;
    return std::make_unique<QtPageBitmap>(info.width, info.height, rowStride, std::move(pixels),
                                          info.colors);
}

}  // namespace tavrin::platform
