// Names parameterised test cases after the `name` field of their parameter, so that a
// failing case reads as what it checks.
#pragma once

#include <ostream>
#include <string>

namespace testing_support {

inline constexpr auto caseName = [](const auto& info) { return std::string(info.param.name); };

// A program to run, with the name of the case it makes.
struct NamedProgram {
    const char* name;
    std::string source;
};

inline void PrintTo(const NamedProgram& c, std::ostream* os) {
    *os << c.name;
}

}  // namespace testing_support
