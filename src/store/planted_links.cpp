#include "store/planted_links.h"

namespace tavrin {

bool PlantedLinks::MayFollow(const std::string& path, std::string& cause) const {
    const std::optional<std::uint32_t> owner = files_.ForeignLinkOwner(path);
    if (!owner) return true;
    const auto loaded = atLoad_.find(path);
    if (loaded != atLoad_.end() && loaded->second == owner) return true;
    cause = path + " is now a symbolic link of another user (user id " + std::to_string(*owner) +
            ") that was not there when the file was read, so it is not followed";
    return false;
}

}  // namespace tavrin
