// Where Tavrin keeps its memos on Linux.
#pragma once

#include <string>

namespace tavrin::handheld {

struct DataLocation {
    std::string path;  // absolute
    // Named by $TAVRIN_DATA_FILE rather than the program's own file.
    bool named = false;
    // A data file beside the program that is not used, because its folder
    // is not the user's alone, in words for the user; empty when none.
    std::string passedOver;
};

// $TAVRIN_DATA_FILE when set. Else the file beside the program, as on the
// handheld, where the program's folder belongs to the user, who may write
// it, and nobody else may (a program unpacked into the user's own folder):
// elsewhere another user could swap the file or plant links beside it. Else
// $XDG_DATA_HOME/tavrin/tavrin.dat, its folder made for the user alone.
DataLocation DataFileLocation(const std::string& programPath);

// Tavrin's folder of the user's state: $XDG_STATE_HOME/tavrin
// ($HOME/.local/state/tavrin when that is unset or not absolute).
std::string StateFolder();

// Where the daily copies of the memo file go: the state folder's "backups".
std::string BackupFolder();

// Where an end that can save the memos nowhere else leaves a rescue copy:
// $XDG_DATA_HOME/tavrin/rescue.
std::string RescueFolder();

}  // namespace tavrin::handheld
