// The overview of every memo on Linux, which both programs open: a grid of
// the memos' thumbnails with their position, creation time and alarm, the
// filter "With alarms", and the memo chosen by a click or Enter.
#pragma once

#include <QAbstractScrollArea>
#include <QDialog>

#include <chrono>
#include <cstddef>
#include <functional>
#include <optional>
#include <vector>

#include "overview/memo_overview.h"
#include "store/memo_list.h"

class QCheckBox;

namespace tavrin::overview {

// Thumbnails are this high (the page's height at 3/8), in the view's logical pixels.
inline constexpr int kThumbnailHeight = 120;
// What the thumbnails may take, beyond what the cells on screen need.
inline constexpr std::size_t kThumbnailBytes = std::size_t{16} << 20;
// A paint makes thumbnails for this long at most; the cells it leaves are
// painted again at once, so that scrolling never waits for a screenful.
inline constexpr std::chrono::milliseconds kThumbnailBudget{10};
inline constexpr const char* kWithAlarmsLabel = "With alarms";
inline constexpr const char* kNoAlarms = "No memo has an alarm.";

// The cells of the memos listed, scrolled up and down.
class OverviewGrid : public QAbstractScrollArea {
public:
    OverviewGrid(const MemoList& list, QWidget* parent);

    // Lists `items`, selecting the cell of `select` (the first when it is
    // not among them) and scrolling to it.
    void SetItems(std::vector<Item> items, const MemoEntry* select);
    const std::vector<Item>& Items() const { return items_; }
    std::optional<std::size_t> Selected() const { return selected_; }
    GridLayout Layout() const;
    // Where the thumbnail of the cell at `index` is drawn, in the
    // viewport's coordinates.
    QRect ThumbnailRect(std::size_t index) const;
    ThumbnailCache& Thumbnails() { return thumbnails_; }
    // Thumbnails the last paint left for the next one to make.
    std::size_t ThumbnailsToMake() const { return toMake_; }

    // Runs when the user chooses the cell's memo (a click, Enter).
    std::function<void(const MemoEntry*)> onChosen;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

private:
    CellMetrics Metrics() const;
    std::optional<std::size_t> CellUnder(const QPoint& point) const;
    void Select(std::size_t index);
    void ShowSelected();
    void UpdateScrollRange();
    void PaintCell(QPainter& painter, std::size_t index, const QRect& cell);

    const MemoList& list_;
    std::vector<Item> items_;
    std::optional<std::size_t> selected_;
    std::optional<std::size_t> pressed_;
    ThumbnailCache thumbnails_;
    std::size_t toMake_ = 0;
};

class OverviewDialog : public QDialog {
public:
    // The memo shown (`list`'s current one) is selected at first.
    OverviewDialog(const MemoList& list, QWidget* owner);

    // The memo chosen; none when the overview was left without a choice.
    const MemoEntry* Chosen() const { return chosen_; }
    OverviewGrid& Grid() { return *grid_; }
    QCheckBox& WithAlarms() { return *withAlarms_; }

private:
    const MemoList& list_;
    OverviewGrid* grid_;
    QCheckBox* withAlarms_;
    const MemoEntry* chosen_ = nullptr;
};

// Opens the overview over `owner` and waits for it: the memo chosen, or none.
const MemoEntry* ChooseFromOverview(const MemoList& list, QWidget* owner);

}  // namespace tavrin::overview
