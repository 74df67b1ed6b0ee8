// koru_replay KORU PATH...: replays every file under the given paths, in process through
// the fuzzing harness (which aborts on a failed property) and through the real koru
// executable, which must end with one of its documented statuses, never by a signal.
// Files and folders named with a leading dot are skipped.
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size);
extern char** environ;

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> filesUnder(const fs::path& path) {
    std::vector<fs::path> files;
    if (fs::is_regular_file(path)) return {path};
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(path)) {
        bool hidden = entry.path().filename().string().rfind('.', 0) == 0;
        if (entry.is_regular_file() && !hidden) files.push_back(entry.path());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The status of `koru --max-steps 100000 FILE` with empty input and output thrown away, or
// 128 + the signal that ended it.
int runKoru(const std::string& koru, const fs::path& file) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::string path = file.string();
    std::vector<char*> argv{const_cast<char*>(koru.c_str()),  const_cast<char*>("--traps"),
                            const_cast<char*>("--max-steps"), const_cast<char*>("100000"),
                            const_cast<char*>(path.c_str()),  nullptr};
    pid_t pid = 0;
    int status = -1;
    if (posix_spawn(&pid, koru.c_str(), &actions, nullptr, argv.data(), environ) == 0) {
        waitpid(pid, &status, 0);
        status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    }
    posix_spawn_file_actions_destroy(&actions);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: koru_replay KORU PATH...\n");
        return 2;
    }
    int failures = 0;
    std::size_t count = 0;
    for (int i = 2; i < argc; ++i) {
        if (!fs::exists(argv[i])) continue;
        for (const fs::path& file : filesUnder(argv[i])) {
            std::ifstream in(file, std::ios::binary);
            std::string bytes((std::istreambuf_iterator<char>(in)),
                              std::istreambuf_iterator<char>());
            LLVMFuzzerTestOneInput(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                   bytes.size());
            int status = runKoru(argv[1], file);
            bool documented = status == 0 || (status >= 2 && status <= 9);
            if (!documented) {
                std::printf("FAILED %s: koru ended with status %d\n", file.c_str(), status);
                ++failures;
            }
            ++count;
        }
    }
    std::printf("%zu replayed, %d failed\n", count, failures);
    return failures == 0 && count > 0 ? 0 : 1;
}
