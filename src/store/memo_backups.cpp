#include "store/memo_backups.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <regex>

#include "store/path_digest.h"

namespace tavrin {
namespace {

// A file's name and its extension (from its last "."; empty without one).
struct NameParts {
    std::string stem;
    std::string extension;
};

NameParts PartsOf(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0) return {std::string(name), {}};
    return {std::string(name.substr(0, dot)), std::string(name.substr(dot))};
}

std::size_t NameStart(std::string_view path) {
    const std::size_t separator = path.find_last_of("/\\");
    return separator == std::string_view::npos ? 0 : separator + 1;
}

std::string Escaped(std::string_view text) {
    static const std::regex special(R"([.^$|()\[\]{}*+?\\])");
    return std::regex_replace(std::string(text), special, R"(\$&)");
}

std::string DayText(const SYSTEMTIME& now) {
    char text[24];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u", unsigned{now.year}, unsigned{now.month}, unsigned{now.day});
    return text;
}

}  // namespace

bool IsConflictCopy(std::string_view name, std::string_view dataName) {
    const NameParts data = PartsOf(dataName);
    const std::string stem = Escaped(data.stem);
    const std::string extension = Escaped(data.extension);
    const std::regex copies[] = {
        std::regex(stem + R"(\.sync-conflict-\d{8}-\d{6}-[A-Za-z0-9]+)" + extension),
        std::regex(stem + R"( \(conflicted copy \d{4}-\d{2}-\d{2} \d{6}\))" + extension),
        std::regex(stem + R"( \([^()]*conflicted copy[^()]*\))" + extension),
    };
    const std::string candidate(name);
    return std::any_of(std::begin(copies), std::end(copies),
                       [&](const std::regex& copy) { return std::regex_match(candidate, copy); });
}

std::vector<std::string> ConflictCopiesOf(platform::FileSystem& files, const std::string& path) {
    const std::size_t nameStart = NameStart(path);
    const std::string folder = nameStart == 0 ? std::string(".") : path.substr(0, nameStart);
    std::vector<std::string> names;
    std::string error;
    // A folder that can't be listed has no copies to offer; the data file
    // itself is read and saved as always.
    if (!files.ListFiles(folder, names, error)) return {};
    std::sort(names.begin(), names.end());
    std::vector<std::string> copies;
    for (const std::string& name : names) {
        if (IsConflictCopy(name, std::string_view(path).substr(nameStart))) copies.push_back(path.substr(0, nameStart) + name);
    }
    return copies;
}

MemoBackups::MemoBackups(platform::FileSystem& files, std::string folder, const platform::Clock& clock)
    : files_(files), folder_(std::move(folder)), clock_(clock) {}

std::string MemoBackups::PathIn(const std::string& name) const {
    const char separator = folder_.find('\\') != std::string::npos ? '\\' : '/';
    return folder_ + separator + name;
}

bool MemoBackups::BeforeReplacing(const std::string& target, std::string& cause) {
    const std::string day = DayText(clock_.Now());
    std::string& copied = copiedOn_[target];
    if (copied == day || !files_.Exists(target)) return true;
    const NameParts parts = PartsOf(std::string_view(target).substr(NameStart(target)));
    const std::string prefix = parts.stem + "-" + PathDigest(target) + "-";
    const std::string copy = PathIn(prefix + day + parts.extension);
    std::string error;
    if (!files_.MakeFolders(folder_, error)) {
        cause = "could not make the backup folder " + folder_ + ": " + error;
        return false;
    }
    // A copy of the day made by an earlier run stays the day's first.
    if (!files_.Exists(copy) && !files_.CopyToNew(target, copy, error)) {
        cause = "could not keep a copy of the file as " + copy + ": " + error;
        return false;
    }
    copied = day;
    return DropOldCopies(prefix, parts.extension, cause);
}

// The names end in the day, so that name order is day order.
bool MemoBackups::DropOldCopies(const std::string& prefix, const std::string& extension, std::string& cause) {
    std::vector<std::string> names;
    std::string error;
    if (!files_.ListFiles(folder_, names, error)) {
        cause = "could not look for old copies in " + folder_ + ": " + error;
        return false;
    }
    const std::regex daily(Escaped(prefix) + R"(\d{4}-\d{2}-\d{2})" + Escaped(extension));
    std::erase_if(names, [&](const std::string& name) { return !std::regex_match(name, daily); });
    std::sort(names.begin(), names.end());
    for (std::size_t i = 0; i + kKeptDays < names.size(); ++i) {
        if (!files_.Remove(PathIn(names[i]), error)) {
            cause = "could not remove the old copy " + PathIn(names[i]) + ": " + error;
            return false;
        }
    }
    return true;
}

bool MemoBackups::Keep(const std::string& path, std::string& cause) {
    std::string error;
    if (!files_.MakeFolders(folder_, error)) {
        cause = "could not make the backup folder " + folder_ + ": " + error;
        return false;
    }
    const std::string name = path.substr(NameStart(path));
    std::string kept = PathIn(name);
    for (int number = 2; files_.Exists(kept); ++number) {
        if (number > 1000) {
            cause = "no free name for " + name + " in " + folder_;
            return false;
        }
        kept = PathIn(name + "." + std::to_string(number));
    }
    if (!files_.CopyToNew(path, kept, error)) {
        cause = "could not copy " + path + " to " + kept + ": " + error;
        return false;
    }
    if (!files_.Remove(path, error)) {
        cause = path + " is kept as " + kept + " but could not be removed: " + error;
        return false;
    }
    return true;
}

}  // namespace tavrin
