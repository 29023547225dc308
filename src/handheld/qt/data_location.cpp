#include "handheld/qt/data_location.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "handheld/notepad.h"
#include "platform/linux/systemd_user_manager.h"

namespace tavrin::handheld {
namespace {

bool IsTheUsersAlone(const std::string& folder) {
    struct stat status {};
    return ::stat(folder.c_str(), &status) == 0 && S_ISDIR(status.st_mode) &&
           status.st_uid == ::geteuid() && (status.st_mode & (S_IWGRP | S_IWOTH)) == 0 &&
           ::access(folder.c_str(), W_OK) == 0;
}

std::string PerUserDataFile() {
    const std::filesystem::path folder =
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString() + "/tavrin";
    // A folder that can't be made shows up as the first save's failure, with its cause.
    std::error_code ignored;
    if (std::filesystem::create_directories(folder, ignored)) {
        std::filesystem::permissions(folder, std::filesystem::perms::owner_all, ignored);
    }
    return (folder / "tavrin.dat").string();
}

}  // namespace

DataLocation DataFileLocation(const std::string& programPath) {
    if (const char* chosen = std::getenv(platform::linux_desktop::kDataFileVariable);
        chosen != nullptr && *chosen != '\0') {
        // Alarms start the program in another folder than this start's; without
        // a current folder the name stands as given.
        std::error_code unknown;
        const std::filesystem::path absolute = std::filesystem::absolute(chosen, unknown);
        return {unknown ? std::string(chosen) : absolute.string(), true, {}};
    }
    const std::string beside = DataFileBeside(programPath);
    if (IsTheUsersAlone(QFileInfo(QString::fromStdString(programPath)).absolutePath().toStdString())) {
        return {beside, false, {}};
    }
    DataLocation location{PerUserDataFile(), false, {}};
    // Memos kept there by an earlier start would seem lost without a word.
    std::error_code unknown;
    if (std::filesystem::exists(std::filesystem::symlink_status(beside, unknown))) {
        location.passedOver = beside + " is not used, as its folder is not yours alone: " +
                              "the memos are kept in " + location.path + " instead";
    }
    return location;
}

std::string RescueFolder() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation).toStdString() + "/tavrin/rescue";
}

std::string StateFolder() {
    const char* state = std::getenv("XDG_STATE_HOME");
    const std::filesystem::path base = state != nullptr && std::filesystem::path(state).is_absolute()
                                           ? std::filesystem::path(state)
                                           : std::filesystem::path(QDir::homePath().toStdString()) / ".local/state";
    return (base / "tavrin").string();
}

std::string BackupFolder() { return (std::filesystem::path(StateFolder()) / "backups").string(); }

}  // namespace tavrin::handheld
