// Starting a program as its own process and waiting for it, for the
// benchmarks that time a command as its users run it.
#pragma once

#include <spawn.h>
#include <sys/wait.h>

#include <string>
#include <vector>

extern char** environ;

namespace tavrin::bench {

// Runs the program with the arguments; true when it ended with exit code 0.
inline bool RunsCleanly(std::vector<std::string> arguments) {
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    pid_t child = 0;
    int status = 0;
    return ::posix_spawn(&child, argv[0], nullptr, nullptr, argv.data(), environ) == 0 &&
           ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

}  // namespace tavrin::bench
