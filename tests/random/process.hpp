// Running a tool as a child process with files for its standard streams and a time limit.
// Files instead of pipes keep the parent free of deadlocks however much a child writes.
#pragma once

#include <string>
#include <vector>

namespace lumorun {

struct ProcessResult {
    bool started = false;   // false when the program could not be started at all
    bool timedOut = false;  // the child was killed after the time limit
    int exitStatus = -1;    // exit code, or 128 + signal number
    std::string error;      // why the program could not be started
};

// Runs argv[0] with the given arguments; stdin reads `inPath`, stdout and stderr go to
// `outPath` and `errPath` (created or truncated).
ProcessResult runProcess(const std::vector<std::string>& argv, const std::string& inPath,
                         const std::string& outPath, const std::string& errPath,
                         double timeoutSeconds);

bool readFile(const std::string& path, std::string& text);
bool writeFile(const std::string& path, const std::string& text);

}  // namespace lumorun
