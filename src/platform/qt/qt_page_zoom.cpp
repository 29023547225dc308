#include "platform/qt/qt_page_zoom.h"

#include <QAction>
#include <QActionGroup>
#include <QMenu>
#include <QPainter>
#include <QSettings>
#include <QShortcut>
#include <QWidget>

#include <algorithm>
#include <cmath>

namespace tavrin::platform {
namespace {

const QString kZoomKey = QStringLiteral("zoom");

std::int32_t Floor(double value) { return static_cast<std::int32_t>(std::floor(value)); }

}  // namespace

PageZoom::PageZoom(QWidget& view, QSize pagePixels) : view_(view), pagePixels_(pagePixels) {
    view_.setFixedSize(pagePixels_);
}

void PageZoom::SetFactor(int factor) {
    factor = std::clamp(factor, 1, kLargest);
    if (QAction* choice = choices_[static_cast<std::size_t>(factor - 1)]) choice->setChecked(true);
    if (factor == factor_) return;
    factor_ = factor;
    view_.setFixedSize(pagePixels_ * factor_);
    QSettings().setValue(kZoomKey, factor_);
}

void PageZoom::AddCommands(QMenu& menu, QWidget& window) {
    auto* group = new QActionGroup(&menu);
    for (int factor = 1; factor <= kLargest; ++factor) {
        QAction* choice = menu.addAction(QStringLiteral("Zoom %1×").arg(factor));
        choice->setCheckable(true);
        choice->setChecked(factor == factor_);
        group->addAction(choice);
        connect(choice, &QAction::triggered, this, [this, factor] { SetFactor(factor); });
        choices_[static_cast<std::size_t>(factor - 1)] = choice;
    }
    // Ctrl+= is Ctrl+plus without Shift on keyboards that have "+" above "=".
    const struct {
        QKeySequence keys;
        int change;  // 0: back to 1×
    } keys[] = {
        {QKeySequence(QKeySequence::ZoomIn), 1},
        {QKeySequence(Qt::CTRL | Qt::Key_Equal), 1},
        {QKeySequence(QKeySequence::ZoomOut), -1},
        {QKeySequence(Qt::CTRL | Qt::Key_0), 0},
    };
    for (const auto& key : keys) {
        connect(new QShortcut(key.keys, &window), &QShortcut::activated, this,
                [this, change = key.change] { SetFactor(change == 0 ? 1 : factor_ + change); });
    }
}

Rect PageZoom::PageArea(const QRect& update) const {
    return {update.left() / factor_, update.top() / factor_, (update.right() + factor_) / factor_,
            (update.bottom() + factor_) / factor_};
}

QRect PageZoom::ViewArea(const Rect& area) const {
    return {area.left * factor_, area.top * factor_, (area.right - area.left) * factor_,
            (area.bottom - area.top) * factor_};
}

Point PageZoom::PagePoint(const QPointF& position) const {
    return {Floor(position.x() / factor_), Floor(position.y() / factor_)};
}

void PageZoom::Apply(QPainter& painter) const {
    painter.scale(factor_, factor_);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
}

int PageZoom::Saved() { return std::clamp(QSettings().value(kZoomKey, 1).toInt(), 1, kLargest); }

}  // namespace tavrin::platform
