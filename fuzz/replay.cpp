// lumoc_replay LUMOC PATH...: runs every file under the given paths through the real
// lumoc binary and checks each run with the outcome checker. Files and folders named
// with a leading dot are skipped. Used by CTest on the seed corpus and on the inputs kept
// in fuzz/regressions/ (each of which once broke the compiler).
//
// Beyond the outcome property, a run must leave standard error empty: lumoc writes there
// only when its output cannot be written, which never happens here, so anything on it is
// a sanitizer report or a stray message.
#include <fcntl.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "outcome.hpp"

extern char** environ;

namespace {

namespace fs = std::filesystem;

struct Run {
    std::string out;
    std::string err;
    int status = -1;  // exit status, or 128 + signal number
};

bool hidden(const fs::path& path) {
    return path.filename().string().rfind('.', 0) == 0;
}

// The regular files under `path` (itself, if it is one), in name order.
bool collectInputs(const fs::path& path, std::vector<fs::path>& inputs) {
    std::error_code error;
    if (fs::is_regular_file(path, error)) {
        inputs.push_back(path);
        return true;
    }
    if (!fs::is_directory(path, error)) return false;
    std::vector<fs::path> found;
    for (const fs::directory_entry& entry : fs::directory_iterator(path, error)) {
        if (entry.is_regular_file() && !hidden(entry.path())) found.push_back(entry.path());
    }
    std::sort(found.begin(), found.end());
    inputs.insert(inputs.end(), found.begin(), found.end());
    return !error;
}

std::string readAll(int fd) {
    std::string text;
    char block[1 << 16];
    ssize_t n;
    ::lseek(fd, 0, SEEK_SET);
    while ((n = ::read(fd, block, sizeof block)) > 0) text.append(block, static_cast<size_t>(n));
    return text;
}

// Runs `lumoc` with `input` as its standard input; its two output streams go to memory
// files, which need no reader running beside the child.
Run runLumoc(const std::string& lumoc, const fs::path& input) {
    Run run;
    const int out = ::memfd_create("replay-out", MFD_CLOEXEC);
    const int err = ::memfd_create("replay-err", MFD_CLOEXEC);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, input.c_str(), O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, out, 1);
    posix_spawn_file_actions_adddup2(&actions, err, 2);
    char* argv[] = {const_cast<char*>(lumoc.c_str()), nullptr};
    pid_t pid;
    if (out >= 0 && err >= 0 &&
        posix_spawn(&pid, lumoc.c_str(), &actions, nullptr, argv, environ) == 0) {
        int status = 0;
        ::waitpid(pid, &status, 0);
        run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        run.out = readAll(out);
        run.err = readAll(err);
    }
    posix_spawn_file_actions_destroy(&actions);
    ::close(out);
    ::close(err);
    return run;
}

std::string shortLiteral(const std::string& bytes) {
    const std::size_t shown = 400;
    return lumofuzz::cLiteral(bytes.substr(0, shown)) + (bytes.size() > shown ? "..." : "");
}

std::string readInput(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return {};
    std::string text = readAll(fd);
    ::close(fd);
    return text;
}

// Checks one input; prints what went wrong and returns false when the run broke a rule.
bool replay(const std::string& lumoc, const fs::path& path) {
    const std::string input = readInput(path);
    const Run run = runLumoc(lumoc, path);
    lumofuzz::Verdict verdict = lumofuzz::checkOutcome(input, run.out, run.status);
    if (verdict.ok && !run.err.empty()) verdict = {false, "standard error is not empty"};
    if (verdict.ok) return true;
    std::printf("FAIL %s: %s\n  status: %d\n  input:  %s\n  output: %s\n  stderr: %s\n",
                path.c_str(), verdict.reason.c_str(), run.status, shortLiteral(input).c_str(),
                shortLiteral(run.out).c_str(), shortLiteral(run.err).c_str());
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: lumoc_replay LUMOC PATH...\n");
        return 2;
    }
    std::vector<fs::path> inputs;
    for (int i = 2; i < argc; ++i) {
        if (!collectInputs(argv[i], inputs)) {
            std::fprintf(stderr, "lumoc_replay: cannot read %s\n", argv[i]);
            return 2;
        }
    }
    int failed = 0;
    for (const fs::path& input : inputs) failed += replay(argv[1], input) ? 0 : 1;
    std::printf("replay: %zu passed, %d failed\n", inputs.size() - failed, failed);
    return inputs.empty() || failed > 0 ? 1 : 0;
}
