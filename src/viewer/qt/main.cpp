// TavrinView: shows the memos of the memo data file named on the command line.
#include <QApplication>

#include "viewer/qt/viewer_window.h"

int main(int argc, char** argv) {
    // The path is taken from the raw arguments, before Qt reads its own.
    const std::string path = tavrin::viewer::CommandLinePath(argc, argv);
    int qtArgc = 1;
    QApplication app(qtArgc, argv);
    tavrin::viewer::ViewerWindow window(path);
    window.show();
    return QApplication::exec();
}
