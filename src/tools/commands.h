// What tavrin-file's commands share: exit codes, error output, and the
// commands themselves, one file each.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace tavrin::file_tool {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitProblems = 1;
inline constexpr int kExitFailure = 2;  // wrong usage, or a file that can't be read or written

inline constexpr std::string_view kProgram = "tavrin-file";

// "tavrin-file: message" on standard error.
void PrintError(std::string_view message);

// printf into a string of at most 255 characters.
std::string Format(const char* format, auto... values) {
    char text[256];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

int Info(const std::string& path, bool json);
// PNGs into the folder `target`, or one PDF when `target` ends with ".pdf".
int Export(const std::string& path, const std::string& target);
int Check(const std::string& path);
int Demo(const std::string& path);
int Thumbnail(const std::string& path, const std::string& target, std::int32_t size);
// `basePath` null: no base, every memo of both is kept.
int Merge(const std::string* basePath, const std::string& ours, const std::string& theirs,
          const std::string& output);

}  // namespace tavrin::file_tool
