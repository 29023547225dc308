// Paths between the shared code, which keeps them as the file system's bytes
// (on Linux), and Qt's dialogs and settings, whose texts hold them in the
// locale's encoding.
#pragma once

#include <QString>

#include <string>

namespace tavrin::platform {

QString QtPath(const std::string& path);
std::string PathOf(const QString& path);

// The folder kept under `key` in the program's settings; the home folder when
// none is kept or it is no longer a folder.
QString RememberedFolder(const QString& key);

}  // namespace tavrin::platform
