#include "platform/qt/qt_paths.h"

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSettings>

namespace tavrin::platform {

QString QtPath(const std::string& path) { return QFile::decodeName(QByteArray::fromStdString(path)); }

std::string PathOf(const QString& path) { return QFile::encodeName(path).toStdString(); }

QString RememberedFolder(const QString& key) {
    const QString folder = QSettings().value(key).toString();
    return !folder.isEmpty() && QFileInfo(folder).isDir() ? folder : QDir::homePath();
}

}  // namespace tavrin::platform
