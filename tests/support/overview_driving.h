// Driving the overview of every memo as a user would, in either program's
// window, and reading its thumbnails back from the screen.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>

#include <cstdlib>
#include <functional>

#include "overview/qt/overview_dialog.h"
#include "support/modal_dialogs.h"
#include "support/reduced_page.h"

namespace tavrin::testing {

// Runs `open`, which brings up the overview, and `inside` once on it, once
// it is shown; `inside` leaves it (a choice, Escape). An overview still open
// after that is closed, and the test fails. False when no overview came up.
inline bool WithOverview(const std::function<void()>& open,
                         const std::function<void(overview::OverviewDialog&)>& inside) {
    bool seen = false;
    WhileModal(open, QMessageBox::Ok, [&](QWidget* modal) {
        auto* dialog = dynamic_cast<overview::OverviewDialog*>(modal);
        if (dialog == nullptr || seen) {
            ADD_FAILURE() << "a dialog stayed open: " << modal->windowTitle().toStdString();
            modal->close();
            return;
        }
        seen = true;
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
        inside(*dialog);
    });
    return seen;
}

// Paints the grid until every cell on screen shows its thumbnail.
inline void ShowAllThumbnails(overview::OverviewGrid& grid) {
    do {
        grid.viewport()->repaint();
        QApplication::processEvents();
    } while (grid.ThumbnailsToMake() > 0);
}

// The thumbnail of the cell at `index`, as the screen shows it, is the
// memo's page reduced by area (each channel within 1 of the plain sum).
inline void ExpectThumbnailShowsPage(overview::OverviewGrid& grid, std::size_t index) {
    ShowAllThumbnails(grid);
    const QImage screen = grid.viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QRect box = grid.ThumbnailRect(index);
    ASSERT_EQ(box.size(), QSize(90, 120));
    const std::vector<Rgb> expected = ReducedByArea(grid.Items()[index].memo->page, 90, 120);
    int mismatches = 0;
    for (int y = 0; y < 120; ++y) {
        for (int x = 0; x < 90; ++x) {
            const QRgb shown = screen.pixel(box.left() + x, box.top() + y);
            const Rgb& want = expected[static_cast<std::size_t>(y * 90 + x)];
            if (std::abs(qRed(shown) - want[0]) > 1 || std::abs(qGreen(shown) - want[1]) > 1 ||
                std::abs(qBlue(shown) - want[2]) > 1) {
                ++mismatches;
            }
        }
    }
    EXPECT_EQ(mismatches, 0) << "cell " << index;
}

// The overview's window, saved as `name` in the test output folder.
inline void SaveScreenshot(QWidget& widget, const char* name) {
    const QByteArray output = qgetenv("TAVRIN_TEST_OUTPUT");
    if (output.isEmpty()) return;
    QDir().mkpath(QString::fromUtf8(output));
    EXPECT_TRUE(widget.grab().save(QString::fromUtf8(output) + QLatin1Char('/') + QString::fromUtf8(name)));
}

}  // namespace tavrin::testing
