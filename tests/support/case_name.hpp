// Names parameterised test cases after the `name` field of their parameter, so that a
// failing case reads as what it checks.
#pragma once

#include <string>

namespace testing_support {

inline constexpr auto caseName = [](const auto& info) { return std::string(info.param.name); };

}  // namespace testing_support
