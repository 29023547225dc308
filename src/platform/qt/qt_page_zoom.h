// A larger page on a large screen: a view that shows page pixels is drawn at
// 1, 2 or 3 screen pixels a page pixel, on top of the screen's device-pixel
// ratio, without smoothing. The page itself keeps its size: paints and
// pointer positions are turned into page pixels here.
#pragma once

#include <QObject>
#include <QPointF>
#include <QRect>
#include <QSize>

#include <array>

#include "platform/types.h"

class QAction;
class QMenu;
class QPainter;
class QWidget;

namespace tavrin::platform {

class PageZoom : public QObject {
public:
    static constexpr int kLargest = 3;

    // Zooms `view`, whose page is `pagePixels` large, keeping it at a fixed
    // size; a member of the view, or of an object that lives no longer.
    PageZoom(QWidget& view, QSize pagePixels);

    int Factor() const { return factor_; }
    // Clamped to 1 … kLargest; the view takes its new size at once.
    void SetFactor(int factor);

    // Adds "Zoom 1×", "Zoom 2×", "Zoom 3×" to `menu`, checked as the zoom
    // is, and Ctrl+plus (and Ctrl+=), Ctrl+minus and Ctrl+0 to `window`.
    void AddCommands(QMenu& menu, QWidget& window);

    // The page pixels a paint of `update` (view pixels) covers, whole.
    Rect PageArea(const QRect& update) const;
    // The view pixels that show `area` (page pixels).
    QRect ViewArea(const Rect& area) const;
    // The page pixel under `position` (view pixels), signed: left of or above
    // the page is negative. Fractions (a scaled screen) fall to the pixel
    // they are in.
    Point PagePoint(const QPointF& position) const;
    // Makes `painter` draw page pixels.
    void Apply(QPainter& painter) const;

    // The zoom last chosen, in this run or an earlier one (the settings'
    // "zoom"); 1 when none was.
    static int Saved();

private:
    QWidget& view_;
    QSize pagePixels_;
    int factor_ = 1;
    std::array<QAction*, kLargest> choices_{};
};

}  // namespace tavrin::platform
