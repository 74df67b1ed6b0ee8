// The command-line tools and the runner's helpers: child processes with their files, exit
// statuses and time limit; report texts; and the interfaces of lumogen, lumoeval and
// lumodiff as a person or a script uses them.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "process.hpp"
#include "runner.hpp"

namespace {

class RandomTools : public testing::Test {
  protected:
    void SetUp() override {
        dir_ = std::filesystem::temp_directory_path() /
               ("random-tools-" + std::to_string(::getpid()) + "-" +
                testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        std::filesystem::remove_all(dir_, ec);
    }
    std::string path(const std::string& name) const { return (dir_ / name).string(); }
    std::string text(const std::string& name) const {
        std::string t;
        lumorun::readFile(path(name), t);
        return t;
    }
    // Runs a command with `input` on its standard input; returns its exit status.
    int run(const std::vector<std::string>& argv, const std::string& input = "") {
        lumorun::writeFile(path("stdin"), input);
        const lumorun::ProcessResult r =
            lumorun::runProcess(argv, path("stdin"), path("stdout"), path("stderr"), 60);
        EXPECT_TRUE(r.started && !r.timedOut) << r.error;
        return r.exitStatus;
    }
    std::filesystem::path dir_;
};

TEST_F(RandomTools, ChildGetsItsFilesAndStatus) {
    EXPECT_EQ(run({"/bin/sh", "-c", "cat; echo oops >&2; exit 3"}, "some\ninput"), 3);
    EXPECT_EQ(text("stdout"), "some\ninput");
    EXPECT_EQ(text("stderr"), "oops\n");
    EXPECT_EQ(run({"/bin/sh", "-c", "kill -9 $$"}), 128 + 9);
}

TEST_F(RandomTools, ChildIsKilledAfterTheLimit) {
    lumorun::writeFile(path("stdin"), "");
    const lumorun::ProcessResult r = lumorun::runProcess(
        {"/bin/sh", "-c", "sleep 20"}, path("stdin"), path("out"), path("err"), 0.2);
    EXPECT_TRUE(r.started);
    EXPECT_TRUE(r.timedOut);
}

TEST_F(RandomTools, MissingProgramIsReported) {
    lumorun::writeFile(path("stdin"), "");
    const lumorun::ProcessResult r =
        lumorun::runProcess({path("no-such-tool")}, path("stdin"), path("out"), path("err"), 5);
    EXPECT_FALSE(r.error.empty());
}

TEST(RandomReports, ControlBytesAreShownEscaped) {
    EXPECT_EQ(lumorun::visible("a\nb\t\\\x01\xff", 0, 100), "a\\nb\\t\\\\\\x01\\xff");
    EXPECT_EQ(lumorun::visible("abcdef", 2, 3), "cde...");
    const std::string diff = lumorun::firstDifference("abcX", "abcY!");
    EXPECT_NE(diff.find("(4 bytes) and actual (5 bytes) first differ at byte 3"), std::string::npos)
        << diff;
}

TEST_F(RandomTools, LumogenWritesProgramInputAndExpectation) {
    EXPECT_EQ(run({LUMOGEN_PATH}), 2);
    EXPECT_EQ(run({LUMOGEN_PATH, "--seed", "5", "--fault", "colour"}), 2);
    EXPECT_EQ(run({LUMOGEN_PATH, "--seed", "5", "--input-out", path("in")}), 0);
    const std::string first = text("stdout");
    EXPECT_EQ(run({LUMOGEN_PATH, "--seed", "5"}), 0);
    EXPECT_EQ(text("stdout"), first);
    lumorun::writeFile(path("prog.lumo"), first);
    EXPECT_EQ(run({LUMOEVAL_PATH, "--check", path("prog.lumo")}), 0);
    EXPECT_EQ(text("stdout"), "");
    EXPECT_EQ(run({LUMOGEN_PATH, "--seed", "5", "--fault", "type", "--expect-out", path("x")}), 0);
    const int expected = std::stoi(text("x"));
    EXPECT_GT(expected, 200);
    EXPECT_NE(text("stderr").find("expected status " + std::to_string(expected)),
              std::string::npos);
    lumorun::writeFile(path("faulty.lumo"), text("stdout"));
    EXPECT_EQ(run({LUMOEVAL_PATH, path("faulty.lumo")}), expected);
    EXPECT_EQ(text("stdout").rfind("Type error " + std::to_string(expected) + ".\n", 0), 0U);
}

TEST_F(RandomTools, LumoevalRunsAndJudges) {
    lumorun::writeFile(path("in"), "4 5");
    EXPECT_EQ(run({LUMOEVAL_PATH, "--input", path("in")},
                  "int a; int b; { cin >> a; cin >> b; a = a * b; cout << a; }"),
              0);
    EXPECT_EQ(text("stdout"), "20");
    EXPECT_EQ(run({LUMOEVAL_PATH}, "int a; { cin >> a; }"), 251);
    EXPECT_EQ(run({LUMOEVAL_PATH}, "int a; { a = 1 + ; }"), 206);
    EXPECT_EQ(text("stdout"),
              "Type error 206.\nMismatch between types in a basic expression.\nTERMINATOR\n");
    EXPECT_EQ(run({LUMOEVAL_PATH}, "bool b; { b = ( == ); }"), 250);
    EXPECT_EQ(run({LUMOEVAL_PATH, "--lax"}, "int a; { cout << a; }"), 0);
    EXPECT_EQ(text("stdout"), "0");
    EXPECT_EQ(run({LUMOEVAL_PATH, "--colour"}), 2);
}

TEST_F(RandomTools, LumodiffChecksItsArguments) {
    EXPECT_EQ(run({LUMODIFF_PATH}), 2);
    EXPECT_EQ(run({LUMODIFF_PATH, "/bin/cat", "/bin/cat", "--seeds", "9-3"}), 2);
    EXPECT_EQ(run({LUMODIFF_PATH, "/bin/cat", "/bin/cat", "--avoid", "colour"}), 2);
    EXPECT_EQ(run({LUMODIFF_PATH, path("missing"), "/bin/cat"}), 2);
}

TEST_F(RandomTools, LumodiffReportsAFailureWithItsReproduction) {
    EXPECT_EQ(run({LUMODIFF_PATH, "/bin/cat", "/bin/cat", "--seeds", "3", "--keep", path("kept")}),
              1);
    const std::string report = text("stdout");
    EXPECT_NE(report.find("FAIL seed 3 (correct program"), std::string::npos) << report;
    EXPECT_NE(report.find("--seed 3 --input-out prog.in > prog.lumo"), std::string::npos);
    EXPECT_NE(report.find("\n0 passed, 1 failed\n"), std::string::npos);
    EXPECT_TRUE(std::filesystem::exists(path("kept/seed-3.lumo")));
}

}  // namespace
