// Helpers shared by the KORU tests: a program frame like the one the compiler writes, and a
// run that reports the machine's final state.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <string>

#include "assembler.hpp"
#include "io.hpp"
#include "machine.hpp"

namespace korutest {

// The koru under test: the one just built, or another named by KORU_UNDER_TEST (to show
// that a test fails on an older koru).
inline std::string koruPath() {
    const char* other = std::getenv("KORU_UNDER_TEST");
    return other != nullptr && *other != '\0' ? other : KORU_EXECUTABLE;
}

// The compiler's start-up lines, then `data`, then "main" and `body`.
inline std::string framed(const std::string& body, const std::string& data = "") {
    return "\tMCO  \"extended.mco\"\n\tORG  $0100\n\tLPC  $0100\n\tMOVE #$DF,SP\n\tJMP  main\n" +
           data + "\nmain\n" + body + "\tUSE  \"extendedio.lib\"\n";
}

struct Finished {
    bool assembled = false;
    koru::AssemblyError error;
    koru::RunResult result;
    std::string output;
    int a = 0;
    int b = 0;
    unsigned sp = 0;
    bool n = false;
    bool z = false;
    bool v = false;
    koru::Program program;
};

inline Finished run(const std::string& source, const std::string& input = "",
                    std::uint64_t maxSteps = 100000) {
    Finished finished;
    finished.assembled = koru::assembleText(source, finished.program, finished.error);
    if (!finished.assembled) return finished;
    koru::Input in(input);
    koru::Output out(nullptr);
    koru::Machine machine(finished.program, in, out);
    finished.result = machine.run(maxSteps);
    finished.output = out.text();
    finished.a = koru::toSigned(machine.registerValue(koru::regA));
    finished.b = koru::toSigned(machine.registerValue(koru::regB));
    finished.sp = machine.registerValue(koru::regSP);
    finished.n = machine.negative();
    finished.z = machine.zero();
    finished.v = machine.overflow();
    return finished;
}

// Runs a framed body that must assemble and halt; returns its final state.
inline Finished halted(const std::string& body, const std::string& data = "",
                       const std::string& input = "") {
    Finished finished = run(framed(body, data), input);
    EXPECT_TRUE(finished.assembled) << finished.error.line << ": " << finished.error.message;
    EXPECT_EQ(finished.result.outcome, koru::Outcome::halted) << finished.result.message;
    return finished;
}

}  // namespace korutest
