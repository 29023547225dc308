// Answering the modal dialogs a Qt window brings up while a test drives it.
#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QString>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

namespace tavrin::testing {

struct SeenMessage {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
};

// Runs `action` while answering every modal dialog it brings up: message
// boxes are recorded and answered with a click on `answer`; any other dialog
// goes to `other`, which closes it.
inline std::vector<SeenMessage> WhileModal(const std::function<void()>& action,
                                           QMessageBox::StandardButton answer = QMessageBox::Ok,
                                           const std::function<void(QWidget*)>& other = {}) {
    std::vector<SeenMessage> seen;
    QTimer timer;
    QObject::connect(&timer, &QTimer::timeout, [&] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) return;
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            seen.push_back({box->text(), box->windowTitle(), box->icon()});
            QTest::mouseClick(box->button(answer), Qt::LeftButton);
        } else if (other) {
            other(modal);
        }
    });
    timer.start(10);
    action();
    return seen;
}

}  // namespace tavrin::testing
