#include "platform/qt/qt_main_window.h"

#include <QMessageBox>

#include "platform/virtual_keys.h"

namespace tavrin::platform {

QtMainWindow::QtMainWindow(Size client)
    : QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      client_(client) {}

Rect QtMainWindow::ClientRect() const { return {0, 0, client_.cx, client_.cy}; }

void QtMainWindow::SetTitle(const std::string& title) { setWindowTitle(QString::fromStdString(title)); }

void QtMainWindow::ShowMessage(const std::string& text, const std::string& caption, MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Warning,
                    QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok, this);
    box.exec();
}

int VirtualKeyOf(int qtKey) {
    switch (qtKey) {
        case Qt::Key_Escape: return kKeyEscape;
        case Qt::Key_PageUp: return kKeyPageUp;
        case Qt::Key_PageDown: return kKeyPageDown;
        case Qt::Key_End: return kKeyEnd;
        case Qt::Key_Home: return kKeyHome;
        case Qt::Key_Left: return kKeyLeft;
        case Qt::Key_Up: return kKeyUp;
        case Qt::Key_Right: return kKeyRight;
        case Qt::Key_Down: return kKeyDown;
        default: return 0;
    }
}

}  // namespace tavrin::platform
