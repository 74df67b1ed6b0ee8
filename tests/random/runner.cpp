// lumodiff: the differential test of lumoc and koru against the reference evaluator.
//
//   lumodiff LUMOC KORU [--seeds A-B | --seeds N] [--mode normal|fault|both]
//            [--fault lexical|syntax|static|type] [--size S] [--jobs J]
//            [--keep DIR] [--show N] [--timeout SECONDS] [--avoid FEATURE,...]
//
// Each seed names one generated program. In fault mode each seed plants one fault, of the
// kind given by --fault or else of the four kinds in turn. Failures are printed with the
// program, the two outputs and the commands that reproduce them, and their files are kept
// in DIR (default differential-failures). --avoid is passed on to the generator (see
// lumogen), to look past one known failure at the others. The last line counts passes and failures;
// the exit status is 0 when nothing failed, 1 otherwise, 2 for a usage error.
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>
#include <mutex>
#include <thread>
#include <vector>

#include "runner.hpp"

namespace {

using lumorun::Case;
using lumorun::Config;
using lumorun::Outcome;

void usage() {
    std::cerr << "usage: lumodiff LUMOC KORU [--seeds A-B | --seeds N] "
                 "[--mode normal|fault|both]\n"
                 "                [--fault lexical|syntax|static|type] [--size S] [--jobs J]\n"
                 "                [--keep DIR] [--show N] [--timeout SECONDS]\n"
                 "                [--avoid long-comments,exotic-space,quotes,newlines,high-bytes,"
                 "trailing]\n";
}

bool parseLong(const std::string& text, long& value) {
    char* end = nullptr;
    value = std::strtol(text.c_str(), &end, 10);
    return !text.empty() && *end == '\0' && value >= 0;
}

bool parseSeeds(const std::string& text, Config& c) {
    const size_t dash = text.find('-');
    if (dash == std::string::npos) return parseLong(text, c.first) && parseLong(text, c.last);
    return parseLong(text.substr(0, dash), c.first) && parseLong(text.substr(dash + 1), c.last) &&
           c.first <= c.last;
}

bool parseMode(const std::string& text, Config& c) {
    c.normal = text == "normal" || text == "both";
    c.faults = text == "fault" || text == "both";
    return c.normal || c.faults;
}

bool applyOption(const std::string& opt, const std::string& value, Config& c) {
    long n = 0;
    if (opt == "--seeds") return parseSeeds(value, c);
    if (opt == "--mode") return parseMode(value, c);
    if (opt == "--fault") {
        c.fixedFault = true;
        c.faults = true;
        c.normal = false;
        return lumogen::parseFaultKind(value, c.fault) && c.fault != lumogen::FaultKind::None;
    }
    if (opt == "--avoid") {
        c.avoidList = value;
        return lumogen::parseAvoid(value, c.avoid);
    }
    if (opt == "--keep") {
        c.keepDir = value;
        return !value.empty();
    }
    if (!parseLong(value, n)) return false;
    if (opt == "--size") c.size = static_cast<int>(std::min(n, 1000000L));
    if (opt == "--jobs") c.jobs = static_cast<int>(std::clamp(n, 1L, 64L));
    if (opt == "--show") c.show = static_cast<int>(n);
    if (opt == "--timeout") c.koruTimeout = c.lumocTimeout = static_cast<double>(std::max(n, 1L));
    return opt == "--size" || opt == "--jobs" || opt == "--show" || opt == "--timeout";
}

bool parseArgs(int argc, char** argv, Config& c) {
    if (argc < 3) return false;
    c.self = argv[0];
    c.lumoc = argv[1];
    c.koru = argv[2];
    const std::string dir = std::filesystem::path(c.self).parent_path().string();
    c.lumogen = (dir.empty() ? std::string(".") : dir) + "/lumogen";
    for (int i = 3; i < argc; i += 2) {
        if (i + 1 >= argc || !applyOption(argv[i], argv[i + 1], c)) return false;
    }
    return true;
}

std::vector<Case> casesOf(const Config& c) {
    static const lumogen::FaultKind kinds[] = {
        lumogen::FaultKind::Lexical, lumogen::FaultKind::Syntax, lumogen::FaultKind::Static,
        lumogen::FaultKind::Type};
    std::vector<Case> cases;
    for (long seed = c.first; seed <= c.last; ++seed) {
        if (c.normal) cases.push_back(Case{seed, lumogen::FaultKind::None});
        if (c.faults) cases.push_back(Case{seed, c.fixedFault ? c.fault : kinds[seed % 4]});
    }
    return cases;
}

struct Tally {
    std::mutex lock;
    long passed = 0;
    long failed = 0;
    std::map<std::string, long> endings;
};

void record(const Config& config, const Outcome& o, Tally& tally) {
    std::lock_guard<std::mutex> guard(tally.lock);
    if (o.pass) {
        ++tally.passed;
        if (!o.ending.empty()) ++tally.endings[o.ending];
        return;
    }
    ++tally.failed;
    std::cout << (tally.failed <= config.show ? o.report : o.summary + "\n") << std::flush;
}

void work(const Config& config, const std::vector<Case>& cases, std::atomic<size_t>& next,
          const std::string& scratch, Tally& tally) {
    std::filesystem::create_directories(scratch);
    lumorun::CaseRunner runner(config, scratch);
    for (size_t i = next++; i < cases.size(); i = next++)
        record(config, runner.run(cases[i]), tally);
}

bool toolsPresent(const Config& c) {
    for (const std::string& tool : {c.lumoc, c.koru}) {
        if (access(tool.c_str(), X_OK) != 0) {
            std::cerr << "lumodiff: " << tool << " is not an executable file\n";
            return false;
        }
    }
    return true;
}

std::string makeScratch() {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern =
        std::string(tmp != nullptr && *tmp != '\0' ? tmp : "/tmp") + "/lumodiff-XXXXXX";
    return mkdtemp(pattern.data()) != nullptr ? pattern : std::string();
}

// Runs all cases on `config.jobs` threads, each with its own scratch folder.
void runAll(const Config& config, const std::vector<Case>& cases, const std::string& scratch,
            Tally& tally) {
    std::atomic<size_t> next{0};
    std::vector<std::thread> workers;
    for (int j = 0; j < config.jobs; ++j) {
        workers.emplace_back(work, std::cref(config), std::cref(cases), std::ref(next),
                             scratch + "/job" + std::to_string(j), std::ref(tally));
    }
    for (std::thread& w : workers) w.join();
}

}  // namespace

int main(int argc, char** argv) {
    Config config;
    if (!parseArgs(argc, argv, config)) {
        usage();
        return 2;
    }
    if (!toolsPresent(config)) return 2;
    const std::string scratch = makeScratch();
    if (scratch.empty()) {
        std::cerr << "lumodiff: cannot make a scratch folder\n";
        return 2;
    }
    const std::vector<Case> cases = casesOf(config);
    const auto start = std::chrono::steady_clock::now();
    Tally tally;
    runAll(config, cases, scratch, tally);
    std::error_code ec;
    std::filesystem::remove_all(scratch, ec);
    const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
    std::cout << "lumodiff: seeds " << config.first << "-" << config.last << ", " << cases.size()
              << " programs in " << took.count()
              << " s; runs ending in overflow: " << tally.endings["overflow"]
              << ", in divide by zero: " << tally.endings["divide"] << "\n";
    std::cout << tally.passed << " passed, " << tally.failed << " failed\n";
    return tally.failed == 0 ? 0 : 1;
}
