// Links of other users in a memo file's place, as the load found them.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>

#include "platform/byte_file.h"

namespace tavrin {

// A save follows a link of another user's in the file's place only when the
// load found the same one there: one put in the file's place after the load
// (by someone who may write its folder) would take the memos wherever they
// chose. A name never loaded counts as no link at the load.
class PlantedLinks {
public:
    explicit PlantedLinks(platform::FileSystem& files) : files_(files) {}

    // Notes what `path` is as the load is about to read it.
    void NoteLoaded(const std::string& path) { atLoad_[path] = files_.ForeignLinkOwner(path); }
    // Whether a save may go through `path`; else false with the cause.
    bool MayFollow(const std::string& path, std::string& cause) const;
    void TakeStateOf(PlantedLinks& other) { atLoad_ = std::move(other.atLoad_); }

private:
    platform::FileSystem& files_;
    std::map<std::string, std::optional<std::uint32_t>> atLoad_;
};

}  // namespace tavrin
