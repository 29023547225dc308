// Test entry point for the Qt backend: a GUI application on the offscreen
// platform with a pinned font, so that text and pixels do not depend on the
// machine the tests run on. Settings the programs keep (zoom, last folder)
// go to a folder of the run's own, never to the user's.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFont>
#include <QSettings>
#include <QTemporaryDir>

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setFont(QFont(QStringLiteral("DejaVu Sans"), 9));
    const QTemporaryDir settings;
    if (!settings.isValid()) return 1;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
