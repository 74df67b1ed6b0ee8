// Runs a program as a child process with a given standard input and collects its standard
// output, standard error and exit status. Whole-program tests use it to check the real
// binaries byte for byte.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace testing_support {

struct RunResult {
    std::string out;
    std::string err;
    int status = -1;  // exit status, or 128 + signal number when killed by a signal
};

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

inline void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// A fresh, empty scratch file; removed by the caller.
inline std::string scratchFile(const char* tag) {
    std::string path = std::string(P_tmpdir) + "/lumo-" + tag + "-XXXXXX";
    std::vector<char> name(path.begin(), path.end());
    name.push_back('\0');
    int fd = mkstemp(name.data());
    if (fd >= 0) close(fd);
    return name.data();
}

// Runs `program` with `args`; standard input from `input`, or from `inputPath` if given;
// standard output into `outputPath` if given (e.g. /dev/full), else collected.
inline RunResult runProgram(const std::string& program, const std::vector<std::string>& args,
                            const std::string& input, const std::string& outputPath = "") {
    const std::string in = scratchFile("in"), out = scratchFile("out"), err = scratchFile("err");
    writeFile(in, input);
    const std::string& target = outputPath.empty() ? out : outputPath;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, in.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, target.c_str(), O_WRONLY | O_TRUNC, 0);
    posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_TRUNC, 0);
    std::vector<char*> argv{const_cast<char*>(program.c_str())};
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    RunResult result;
    pid_t pid;
    if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        int status = 0;
        waitpid(pid, &status, 0);
        result.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    result.out = readFile(out);
    result.err = readFile(err);
    std::remove(in.c_str());
    std::remove(out.c_str());
    std::remove(err.c_str());
    return result;
}

}  // namespace testing_support
