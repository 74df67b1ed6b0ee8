// The differential test: each case is one generated program. A correct program is compiled
// by lumoc and run on koru, and what it prints must equal what the reference evaluator
// says it prints. A program with a planted fault must make lumoc stop with the planted
// error's status and exactly the diagnostic the evaluator's analysis predicts, and write
// no assembly.
#pragma once

#include <string>
#include <vector>

#include "eval_run.hpp"
#include "lumogen.hpp"

namespace lumorun {

struct Config {
    std::string lumoc;
    std::string koru;
    std::string lumogen;  // for the commands that reproduce a failure
    std::string self;
    long first = 1;
    long last = 300;
    bool normal = true;
    bool faults = false;
    bool fixedFault = false;
    lumogen::FaultKind fault = lumogen::FaultKind::Lexical;
    int size = -1;
    int jobs = 2;
    double lumocTimeout = 60;
    double koruTimeout = 120;
    std::string keepDir = "differential-failures";
    int show = 5;  // failures reported in full; later ones get one line each
    lumogen::Avoid avoid;
    std::string avoidList;  // as given, for the commands that reproduce a failure
};

struct Case {
    long seed = 0;
    lumogen::FaultKind fault = lumogen::FaultKind::None;
};

struct Outcome {
    bool pass = false;
    std::string summary;  // one line
    std::string report;   // the details of a failure
    std::string ending;   // for correct programs: how the run ended ("", overflow, divide)
};

// Runs cases one after the other in its own scratch folder.
class CaseRunner {
  public:
    CaseRunner(const Config& config, std::string scratch);
    Outcome run(const Case& c);

  private:
    Outcome runCorrect(const Case& c, const lumogen::Generated& g);
    Outcome runFaulty(const Case& c, const lumogen::Generated& g);
    std::string expectation(const lumogen::Generated& g, lumoeval::RunResult& expected,
                            std::string& detail) const;
    std::string runTool(const std::vector<std::string>& argv, const std::string& in,
                        const std::string& out, double timeout, int& status) const;
    std::string scratchText(const std::string& name, size_t limit = 1500) const;
    Outcome failure(const Case& c, const lumogen::Generated& g, const std::string& summary,
                    const std::string& details);
    std::string commands(const Case& c) const;
    std::string keep(const Case& c, const lumogen::Generated& g);

    const Config& config_;
    std::string scratch_;
};

// Text shown in reports: control bytes escaped, long texts cut around the interesting part.
std::string visible(const std::string& text, size_t from, size_t count);
std::string firstDifference(const std::string& expected, const std::string& actual);

}  // namespace lumorun
