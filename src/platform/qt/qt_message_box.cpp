#include "platform/qt/qt_message_box.h"

#include <QMessageBox>

namespace tavrin::platform {

void ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption,
                    MessageIcon icon) {
    QMessageBox box(icon == MessageIcon::Error ? QMessageBox::Critical : QMessageBox::Warning,
                    QString::fromStdString(caption), QString::fromStdString(text), QMessageBox::Ok,
                    owner);
    box.exec();
}

}  // namespace tavrin::platform
