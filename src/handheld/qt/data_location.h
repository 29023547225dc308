// Where Tavrin keeps its memos on Linux.
#pragma once

#include <string>

namespace tavrin::handheld {

// $TAVRIN_DATA_FILE when set. Else the file beside the program, as on the
// handheld, when the program's folder can be written (a program unpacked
// into the user's own folder). Else, for an installed program,
// $XDG_DATA_HOME/tavrin/tavrin.dat, its folder made for the user alone.
std::string DataFileLocation(const std::string& programPath);

// Where the daily copies of the memo file go: $XDG_STATE_HOME/tavrin/backups
// ($HOME/.local/state/tavrin/backups when that is unset or not absolute).
std::string BackupFolder();

}  // namespace tavrin::handheld
