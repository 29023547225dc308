#include "handheld/qt/data_location.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "handheld/notepad.h"

namespace tavrin::handheld {

std::string DataFileLocation(const std::string& programPath) {
    if (const char* chosen = std::getenv("TAVRIN_DATA_FILE"); chosen != nullptr && *chosen != '\0') {
        return chosen;
    }
    if (QFileInfo(QFileInfo(QString::fromStdString(programPath)).absolutePath()).isWritable()) {
        return DataFileBeside(programPath);
    }
    const std::filesystem::path folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString() + "/tavrin";
    // A folder that can't be made shows up as the first save's failure, with its cause.
    std::error_code ignored;
    if (std::filesystem::create_directories(folder, ignored)) {
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ignored);
    }
    return (folder / "tavrin.dat").string();
}

std::string BackupFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    const std::filesystem::path base = state != nullptr && std::filesystem::path(state).is_absolute()
                                           ? std::filesystem::path(state)
                                           : std::filesystem::path(QDir::homePath().toStdString()) / ".local/state";
    return (base / "tavrin" / "backups").string();
}

}  // namespace tavrin::handheld
