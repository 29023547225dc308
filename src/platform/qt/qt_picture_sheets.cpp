#include "platform/qt/qt_picture_sheets.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>

#include "platform/qt/qt_drawing.h"

namespace tavrin::platform {
namespace {

// Layout in points; the painter is scaled so that a unit is a point on any
// device's resolution.
constexpr qreal kPointsPerInch = 72;
constexpr int kMargin = 36;
constexpr int kLargestScale = 2;  // points a pixel
constexpr int kCaptionGap = 12;
// A pixel size, so that texts are as large on a printer's resolution as in
// a PDF's points.
constexpr int kCaptionSize = 10;

struct SheetPlacement {
    QPageLayout layout;
    QRect picture;
    QPointF caption;  // the first line's baseline start
};

SheetPlacement Place(const QPageLayout& paperLayout, bool ownPaper, int width, int height, qreal captionHeight,
                     qreal ascent) {
    const QPageSize paperSize = ownPaper ? paperLayout.pageSize() : QPageSize(QPageSize::A4);
    const QSizeF paper = ownPaper ? paperLayout.fullRectPoints().size() : paperSize.size(QPageSize::Point);
    const auto fits = [&](int scale) {
        return 2 * kMargin + width * scale <= paper.width() &&
               2 * kMargin + height * scale + captionHeight <= paper.height();
    };
    int scale = kLargestScale;
    while (scale > 1 && !fits(scale)) --scale;
    QPageLayout layout = ownPaper ? paperLayout : QPageLayout(paperSize, QPageLayout::Portrait, QMarginsF());
    QSizeF sheet = paper;
    if (!ownPaper && !fits(scale)) {
        sheet = QSizeF(2 * kMargin + width, 2 * kMargin + height + captionHeight);
        layout = QPageLayout(QPageSize(sheet, QPageSize::Point, QString(), QPageSize::ExactMatch),
                             QPageLayout::Portrait, QMarginsF());
    }
    // Whole points, so that every pixel is a square of whole points.
    const int left = static_cast<int>((sheet.width() - width * scale) / 2);
    const QRect picture(left, kMargin, width * scale, height * scale);
    return {layout, picture, QPointF(picture.left(), picture.bottom() + 1 + kCaptionGap + ascent)};
}

}  // namespace

PictureSheets::PictureSheets(QPagedPaintDevice& device, bool ownPaper) : device_(device), ownPaper_(ownPaper) {
    font_.setPixelSize(kCaptionSize);
}

bool PictureSheets::Add(const PageBitmap& picture, const std::vector<std::string>& caption, std::string& cause) {
    const QImage image = RgbImageOfPage(picture, picture.Width(), picture.Height());
    if (image.isNull()) {
        cause = "not enough memory for a page";
        return false;
    }
    const QFontMetricsF metrics(font_);
    const SheetPlacement placement =
        Place(device_.pageLayout(), ownPaper_, image.width(), image.height(),
              kCaptionGap + metrics.lineSpacing() * static_cast<qreal>(caption.size()), metrics.ascent());
    if (!StartSheet(placement.layout)) {
        cause = "could not start a page";
        return false;
    }
    painter_.resetTransform();
    // The sheet's own margins are left out of the painter's coordinates.
    const QPointF paperOrigin = ownPaper_ ? -device_.pageLayout().paintRectPoints().topLeft() : QPointF();
    const qreal unitsPerPoint = device_.logicalDpiX() / kPointsPerInch;
    painter_.scale(unitsPerPoint, unitsPerPoint);
    painter_.translate(paperOrigin);
    // Otherwise Qt may keep a picture as JPEG, whose blur would change pixels.
    painter_.setRenderHint(QPainter::LosslessImageRendering, true);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter_.drawImage(placement.picture, image);
    painter_.setFont(font_);
    painter_.setPen(Qt::black);
    QPointF line = placement.caption;
    for (const std::string& text : caption) {
        painter_.drawText(line, QString::fromStdString(text));
        line.ry() += metrics.lineSpacing();
    }
    ++sheets_;
    return true;
}

bool PictureSheets::End() { return !painter_.isActive() || painter_.end(); }

bool PictureSheets::StartSheet(const QPageLayout& layout) {
    if (sheets_ == 0) {
        return (ownPaper_ || device_.setPageLayout(layout)) && painter_.begin(&device_);
    }
    return (ownPaper_ || device_.setPageLayout(layout)) && device_.newPage();
}

}  // namespace tavrin::platform
