// Answering the modal dialogs a Qt window brings up while a test drives it.
#pragma once

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QString>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>
#include <string>
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

// Answers the file dialog as a user does: types `path` and presses Return,
// or cancels when it is empty. The folder the dialog started in.
inline QString AnswerFileDialog(QWidget* modal, const std::string& path) {
    auto* dialog = qobject_cast<QFileDialog*>(modal);
    if (dialog == nullptr) {
        ADD_FAILURE() << "not a file dialog: " << modal->metaObject()->className();
        modal->close();
        return {};
    }
    const QString folder = dialog->directory().absolutePath();
    auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
    if (path.empty() || name == nullptr) {
        EXPECT_NE(name, nullptr);
        dialog->reject();
        return folder;
    }
    name->setText(QString::fromStdString(path));
    QTest::keyClick(name, Qt::Key_Return);
    return folder;
}

}  // namespace tavrin::testing
