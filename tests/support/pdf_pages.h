// Reading a PDF's pages back as pictures, through poppler's pdftoppm.
#pragma once

#include <gtest/gtest.h>

#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QString>

#include <algorithm>
#include <filesystem>
#include <vector>

namespace tavrin::testing {

// Draws every page of `pdf` as PNGs into `folder`, in page order.
inline std::vector<QImage> RenderPdf(const std::filesystem::path& pdf, const std::filesystem::path& folder,
                                     int dotsPerInch) {
    const auto q = [](const std::filesystem::path& path) { return QString::fromStdString(path.string()); };
    std::filesystem::create_directories(folder);
    QProcess process;
    process.start("pdftoppm", {"-r", QString::number(dotsPerInch), "-png", q(pdf), q(folder / "page")});
    EXPECT_TRUE(process.waitForFinished(60000)) << "pdftoppm did not finish";
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    std::vector<std::filesystem::path> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) names.push_back(entry.path());
    std::sort(names.begin(), names.end());  // page-1.png ... page-9.png
    std::vector<QImage> pages;
    for (const auto& name : names) pages.emplace_back(q(name));
    return pages;
}

// Each pixel of `picture` is a `scale` x `scale` square of its color in
// `rendered`, from `origin` on.
inline void ExpectPictureAt(const QImage& rendered, QPoint origin, int scale, const QImage& picture) {
    ASSERT_TRUE(rendered.rect().contains(QRect(origin, QSize(picture.width() * scale, picture.height() * scale))));
    for (int y = 0; y < picture.height() * scale; ++y) {
        for (int x = 0; x < picture.width() * scale; ++x) {
            ASSERT_EQ(rendered.pixel(origin + QPoint(x, y)) & 0xFFFFFFu, picture.pixel(x / scale, y / scale) & 0xFFFFFFu)
                << "rendered " << x << "," << y;
        }
    }
}

}  // namespace tavrin::testing
