// TavrinView: shows the memos of the memo data file named on the command line.
#include <QApplication>

#include "viewer/qt/viewer_window.h"

int main(int argc, char** argv) {
    // The path is taken from the raw arguments, before Qt reads its own.
    const auto load = tavrin::viewer::StartReading(argc, argv);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    // Where settings such as the last folder opened are kept.
    QApplication::setOrganizationName(QStringLiteral("Tavrin"));
    QApplication::setApplicationName(QStringLiteral("TavrinView"));
    tavrin::viewer::ViewerWindow window(std::move(*load));
    window.Client().Zoom().SetFactor(tavrin::platform::PageZoom::Saved());
    window.ShowAtStart();
    return QApplication::exec();
}
