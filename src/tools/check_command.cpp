// tavrin-file check: every problem of a file, on standard output.
#include <iostream>
#include <vector>

#include "tools/commands.h"
#include "tools/loaded_file.h"

namespace tavrin::file_tool {

int Check(const std::string& path) {
    LoadedFile loaded(path);
    if (!Load(loaded)) {
        return kExitFailure;
    }
    const std::vector<std::string> problems = FindProblems(loaded);
    for (const std::string& problem : problems) {
        std::cout << path << ": " << problem << '\n';
    }
    if (problems.empty()) {
        std::cout << path << ": no problems found in " << loaded.list.Count() << " memos\n";
        return kExitSuccess;
    }
    std::cout << path << ": " << problems.size()
              << (problems.size() == 1 ? " problem" : " problems") << " found\n";
    return kExitProblems;
}

}  // namespace tavrin::file_tool
