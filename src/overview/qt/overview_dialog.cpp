#include "overview/qt/overview_dialog.h"

#include <QCheckBox>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QImage>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPaintEvent>
#include <QScreen>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

#include "store/page_image.h"

namespace tavrin::overview {
namespace {

constexpr int kPadding = 6;
constexpr int kGap = 8;
constexpr int kThumbnailWidth = kThumbnailHeight * kPageWidth / kPageHeight;
constexpr int kCaptionLines = 3;
// The widest caption a cell is made for; a wider one is cut with an ellipsis.
const QString kWidestCaption = QStringLiteral("Alarm 12:00 PM, 12/31/06");
// Columns and rows the overview opens with, where the screen has room.
constexpr int kOpeningColumns = 4;
constexpr double kOpeningRows = 2.6;

CellMetrics MetricsFor(const QFont& font) {
    const QFontMetrics metrics(font);
    const int width = std::max(kThumbnailWidth, metrics.horizontalAdvance(kWidestCaption)) + 2 * kPadding;
    const int height = kPadding + kThumbnailHeight + kPadding + kCaptionLines * metrics.height() + kPadding;
    return {width, height, kGap};
}

QString Text(const std::string& text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace

OverviewGrid::OverviewGrid(const MemoList& list, QWidget* parent)
    : QAbstractScrollArea(parent), list_(list), thumbnails_(kThumbnailHeight, kThumbnailBytes) {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

CellMetrics OverviewGrid::Metrics() const { return MetricsFor(font()); }

GridLayout OverviewGrid::Layout() const { return GridLayout(viewport()->width(), Metrics(), items_.size()); }

void OverviewGrid::SetItems(std::vector<Item> items, const MemoEntry* select) {
    items_ = std::move(items);
    const auto found = std::find_if(items_.begin(), items_.end(), [&](const Item& item) { return item.memo == select; });
    selected_ = items_.empty() ? std::nullopt : std::optional<std::size_t>(found == items_.end() ? 0 : found - items_.begin());
    UpdateScrollRange();
    ShowSelected();
    viewport()->update();
}

void OverviewGrid::UpdateScrollRange() {
    const GridLayout layout = Layout();
    const auto height = static_cast<int>(std::min<std::int64_t>(layout.ContentHeight(), INT32_MAX));
    verticalScrollBar()->setRange(0, std::max(0, height - viewport()->height()));
    verticalScrollBar()->setPageStep(viewport()->height());
    verticalScrollBar()->setSingleStep(Metrics().height / 4);
    // Every cell on screen keeps its thumbnail while the screen shows it.
    const auto [first, last] = layout.CellsMeeting(0, viewport()->height() + Metrics().height);
    thumbnails_.MakeRoomFor(2 * (last - first));
}

void OverviewGrid::ShowSelected() {
    if (!selected_) return;
    const std::int64_t top =
        Layout().TopShowing(*selected_, verticalScrollBar()->value(), viewport()->height());
    verticalScrollBar()->setValue(static_cast<int>(top));
}

void OverviewGrid::Select(std::size_t index) {
    if (items_.empty()) return;
    selected_ = index;
    ShowSelected();
    viewport()->update();
}

QRect OverviewGrid::ThumbnailRect(std::size_t index) const {
    const Rect cell = Layout().CellRect(index);
    const int left = cell.left + (cell.right - cell.left - kThumbnailWidth) / 2;
    return {left, cell.top + kPadding - verticalScrollBar()->value(), kThumbnailWidth, kThumbnailHeight};
}

std::optional<std::size_t> OverviewGrid::CellUnder(const QPoint& point) const {
    return Layout().CellAt(point.x(), static_cast<std::int64_t>(point.y()) + verticalScrollBar()->value());
}

void OverviewGrid::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRange();
    ShowSelected();
}

void OverviewGrid::scrollContentsBy(int, int) { viewport()->update(); }

void OverviewGrid::keyPressEvent(QKeyEvent* event) {
    if (items_.empty() || !selected_) return QAbstractScrollArea::keyPressEvent(event);
    const GridLayout layout = Layout();
    const int pageRows = std::max(1, viewport()->height() / (Metrics().height + kGap));
    switch (event->key()) {
        case Qt::Key_Left: Select(layout.Moved(*selected_, -1, 0)); break;
        case Qt::Key_Right: Select(layout.Moved(*selected_, 1, 0)); break;
        case Qt::Key_Up: Select(layout.Moved(*selected_, 0, -1)); break;
        case Qt::Key_Down: Select(layout.Moved(*selected_, 0, 1)); break;
        case Qt::Key_PageUp: Select(layout.Moved(*selected_, 0, -pageRows)); break;
        case Qt::Key_PageDown: Select(layout.Moved(*selected_, 0, pageRows)); break;
        case Qt::Key_Home: Select(0); break;
        case Qt::Key_End: Select(items_.size() - 1); break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (onChosen) onChosen(items_[*selected_].memo);
            break;
        default: return QAbstractScrollArea::keyPressEvent(event);
    }
    event->accept();
}

// A click is a press and a release on the same cell.
void OverviewGrid::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mousePressEvent(event);
    pressed_ = CellUnder(event->position().toPoint());
    if (pressed_) Select(*pressed_);
}

void OverviewGrid::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QAbstractScrollArea::mouseReleaseEvent(event);
    const std::optional<std::size_t> released = CellUnder(event->position().toPoint());
    if (pressed_ && released == pressed_ && onChosen) onChosen(items_[*released].memo);
    pressed_.reset();
}

void OverviewGrid::paintEvent(QPaintEvent* event) {
    QPainter painter(viewport());
    painter.fillRect(event->rect(), palette().base());
    if (items_.empty()) {
        painter.setPen(palette().text().color());
        painter.drawText(viewport()->rect(), Qt::AlignCenter, QString::fromUtf8(kNoAlarms));
        toMake_ = 0;
        return;
    }
    // Thumbnails in the screen's own pixels, so that a scaled screen shows
    // them sharp, never enlarged.
    thumbnails_.SetLongestSide(static_cast<std::int32_t>(std::lround(kThumbnailHeight * devicePixelRatioF())));
    const int top = verticalScrollBar()->value();
    const GridLayout layout = Layout();
    const auto [first, last] = layout.CellsMeeting(top + event->rect().top(), top + event->rect().bottom() + 1);
    std::vector<const MemoEntry*> shown;
    for (std::size_t i = first; i < last; ++i) shown.push_back(items_[i].memo);
    toMake_ = thumbnails_.MakeWithin(shown, kThumbnailBudget);
    for (std::size_t i = first; i < last; ++i) {
        const Rect cell = layout.CellRect(i);
        PaintCell(painter, i, QRect(cell.left, cell.top - top, cell.right - cell.left, cell.bottom - cell.top));
    }
    if (toMake_ > 0) QMetaObject::invokeMethod(viewport(), qOverload<>(&QWidget::update), Qt::QueuedConnection);
}

void OverviewGrid::PaintCell(QPainter& painter, std::size_t index, const QRect& cell) {
    const bool selected = selected_ == index;
    if (selected) painter.fillRect(cell, palette().highlight());
    const QRect box = ThumbnailRect(index);
    painter.setPen(palette().mid().color());
    painter.drawRect(box.adjusted(-1, -1, 0, 0));
    if (const RgbImage* picture = thumbnails_.Find(items_[index].memo); picture != nullptr && picture->width > 0) {
        QImage image(picture->pixels.data(), picture->width, picture->height, picture->width * 3,
                     QImage::Format_RGB888);
        image.setDevicePixelRatio(devicePixelRatioF());
        const QSizeF size = image.deviceIndependentSize();
        // Centred on whole device pixels, drawn pixel for pixel.
        const QPointF at(box.left() + std::floor((box.width() - size.width()) * devicePixelRatioF() / 2) / devicePixelRatioF(),
                         box.top() + std::floor((box.height() - size.height()) * devicePixelRatioF() / 2) / devicePixelRatioF());
        painter.drawImage(at, image);
    } else {
        // Not made yet, or memory for it could not be had.
        painter.fillRect(box, palette().window());
    }
    const Caption caption = CaptionOf(items_[index], list_.Count());
    const QFontMetrics metrics(font());
    painter.setPen(selected ? palette().highlightedText().color() : palette().text().color());
    QRect line(cell.left() + kPadding, box.bottom() + 1 + kPadding, cell.width() - 2 * kPadding, metrics.height());
    for (const std::string& text : {caption.position, caption.created, caption.alarm}) {
        painter.drawText(line, Qt::AlignHCenter | Qt::AlignTop,
                         metrics.elidedText(Text(text), Qt::ElideRight, line.width()));
        line.translate(0, metrics.height());
    }
}

OverviewDialog::OverviewDialog(const MemoList& list, QWidget* owner)
    : QDialog(owner), list_(list), grid_(new OverviewGrid(list, this)), withAlarms_(new QCheckBox(this)) {
    setWindowTitle(QStringLiteral("Overview"));
    withAlarms_->setText(QString::fromUtf8(kWithAlarmsLabel));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(withAlarms_);
    layout->addWidget(grid_, 1);
    grid_->onChosen = [this](const MemoEntry* memo) {
        chosen_ = memo;
        accept();
    };
    connect(withAlarms_, &QCheckBox::toggled, this, [this](bool alarmsOnly) {
        const std::optional<std::size_t> selected = grid_->Selected();
        const MemoEntry* keep = selected ? grid_->Items()[*selected].memo : list_.Current();
        grid_->SetItems(ListedMemos(list_, alarmsOnly ? Filter::WithAlarms : Filter::All), keep);
    });
    grid_->SetItems(ListedMemos(list, Filter::All), list.Current());

    const CellMetrics cell = MetricsFor(grid_->font());
    QSize opening(kGap + kOpeningColumns * (cell.width + kGap) + grid_->verticalScrollBar()->sizeHint().width() +
                      2 * grid_->frameWidth(),
                  static_cast<int>(kGap + kOpeningRows * (cell.height + kGap)) + withAlarms_->sizeHint().height());
    opening += QSize(layout->contentsMargins().left() + layout->contentsMargins().right(),
                     layout->contentsMargins().top() + layout->contentsMargins().bottom() + layout->spacing());
    const QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
    if (screen != nullptr) opening = opening.boundedTo(screen->availableSize() * 9 / 10);
    resize(opening);
    grid_->setFocus();
}

const MemoEntry* ChooseFromOverview(const MemoList& list, QWidget* owner) {
    OverviewDialog dialog(list, owner);
    return dialog.exec() == QDialog::Accepted ? dialog.Chosen() : nullptr;
}

}  // namespace tavrin::overview
