// A fresh, empty folder in the temporary folder for one test, removed with
// everything in it at the end.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace tavrin::testing {

class ScratchFolder {
public:
    ScratchFolder()
        : folder_(std::filesystem::temp_directory_path() /
                  ("tavrin-" + std::to_string(std::random_device{}()) + "-" + TestName())) {
        std::filesystem::remove_all(folder_);
        std::filesystem::create_directory(folder_);
    }
    ~ScratchFolder() { std::filesystem::remove_all(folder_); }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& Folder() const { return folder_; }

    // The path of `name` in the folder, with the system's separators, as the
    // shared code holds paths: a UTF-8 string. Names may go through
    // subfolders ("none/memo.dat"). (A std::filesystem::path made from the
    // name would take it in the ANSI code page on Windows.)
    std::string PathOf(std::string name) const {
        std::replace(name.begin(), name.end(), '/',
                     static_cast<char>(std::filesystem::path::preferred_separator));
        return folder_.string() + static_cast<char>(std::filesystem::path::preferred_separator) +
               name;
    }

    static void WriteFile(const std::filesystem::path& path, const std::vector<std::uint8_t>& bytes) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    }

    static std::vector<std::uint8_t> ReadFile(const std::filesystem::path& path) {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    // The names in a folder, sorted, for checking what a save left behind.
    static std::vector<std::string> NamesIn(const std::filesystem::path& folder) {
        std::vector<std::string> names;
        for (const auto& item : std::filesystem::directory_iterator(folder)) {
            names.push_back(item.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

private:
    // The running test's name as one folder name: a parameterized test's
    // name has a '/' in it.
    static std::string TestName() {
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '-');
        return name;
    }

    std::filesystem::path folder_;
};

}  // namespace tavrin::testing
