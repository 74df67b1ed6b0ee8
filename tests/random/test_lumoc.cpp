// Fault mode against the real compiler: on a few seeds of each kind, lumoc must end with the
// status the generator announced and print the diagnostic the evaluator predicts, and no
// assembly.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

#include "eval_program.hpp"
#include "lumogen.hpp"
#include "process.hpp"

namespace lumogen {
void PrintTo(FaultKind kind, std::ostream* os) {
    *os << faultKindName(kind);
}
}  // namespace lumogen

namespace {

class LumocFaults : public testing::TestWithParam<lumogen::FaultKind> {
  protected:
    void SetUp() override {
        dir_ =
            std::filesystem::temp_directory_path() / ("lumoc-faults-" + std::to_string(::getpid()) +
                                                      "-" + lumogen::faultKindName(GetParam()));
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::filesystem::path dir_;
};

TEST_P(LumocFaults, EndsWithThePlantedError) {
    for (uint64_t seed = 1; seed <= 10; ++seed) {
        lumogen::Request request;
        request.seed = seed;
        request.fault = GetParam();
        const lumogen::Generated g = lumogen::generate(request);
        const std::string source = (dir_ / "prog.lumo").string();
        const std::string out = (dir_ / "prog.out").string();
        ASSERT_TRUE(lumorun::writeFile(source, g.program));
        const lumorun::ProcessResult r =
            lumorun::runProcess({LUMOC_PATH}, source, out, (dir_ / "prog.err").string(), 60);
        ASSERT_TRUE(r.started && !r.timedOut) << r.error;
        std::string diagnostic;
        ASSERT_TRUE(lumorun::readFile(out, diagnostic));
        EXPECT_EQ(r.exitStatus, g.planted.status) << "seed " << seed << ": " << g.planted.what;
        EXPECT_EQ(diagnostic, lumoeval::analyse(g.program).failure.text) << "seed " << seed;
    }
}

INSTANTIATE_TEST_SUITE_P(Random, LumocFaults,
                         testing::Values(lumogen::FaultKind::Lexical, lumogen::FaultKind::Syntax,
                                         lumogen::FaultKind::Static, lumogen::FaultKind::Type),
                         [](const testing::TestParamInfo<lumogen::FaultKind>& i) {
                             return std::string(lumogen::faultKindName(i.param));
                         });

}  // namespace
