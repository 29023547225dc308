// Finds a page picture, pixel for pixel, inside a screenshot of a viewer
// window, and checks the one-pixel black frame around it. Used by the tests
// that drive the Windows programs from outside, where pixels are all there is.
//
//   page_in_screenshot SCREENSHOT.png PAGE.png|white [--notepad]
//
// --notepad: the notepad's page has no frame, and its top rows carry the
// status texts drawn over the picture, so only the rows below them count.
// Prints where the page's top-left corner is; exit 0 when found, 1 when not,
// 2 for unreadable files.
#include <QColor>
#include <QCoreApplication>
#include <QImage>

#include <cstdio>

namespace {

constexpr int kNotepadStatusRows = 15;

bool PageAt(const QImage& screen, const QImage& page, int left, int top, int firstRow) {
    for (int y = firstRow; y < page.height(); ++y)
        for (int x = 0; x < page.width(); ++x)
            if (screen.pixel(left + x, top + y) != page.pixel(x, y)) return false;
    return true;
}

bool FramedAt(const QImage& screen, const QImage& page, int left, int top) {
    const QRgb black = qRgb(0, 0, 0);
    if (left < 1 || top < 1) return false;
    for (int x = left - 1; x <= left + page.width() && x < screen.width(); ++x)
        if (screen.pixel(x, top - 1) != black) return false;
    for (int y = top - 1; y <= top + page.height() && y < screen.height(); ++y)
        if (screen.pixel(left - 1, y) != black) return false;
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const bool notepad = argc == 4 && QString::fromLocal8Bit(argv[3]) == QStringLiteral("--notepad");
    if (argc != 3 && !notepad) {
        std::fprintf(stderr, "usage: page_in_screenshot SCREENSHOT.png PAGE.png|white [--notepad]\n");
        return 2;
    }
    const int firstRow = notepad ? kNotepadStatusRows : 0;
    const QImage screen = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGB32);
    QImage page(240, 320, QImage::Format_RGB32);
    if (QString::fromLocal8Bit(argv[2]) == QStringLiteral("white")) {
        page.fill(Qt::white);
    } else {
        page = QImage(QString::fromLocal8Bit(argv[2])).convertToFormat(QImage::Format_RGB32);
    }
    if (screen.isNull() || page.isNull()) {
        std::fprintf(stderr, "page_in_screenshot: cannot read %s\n", screen.isNull() ? argv[1] : argv[2]);
        return 2;
    }
    for (int top = 0; top + page.height() <= screen.height(); ++top)
        for (int left = 0; left + page.width() <= screen.width(); ++left)
            if (PageAt(screen, page, left, top, firstRow) &&
                (notepad || FramedAt(screen, page, left, top))) {
                std::printf("%d,%d\n", left, top);
                return 0;
            }
    std::printf("not found\n");
    return 1;
}
