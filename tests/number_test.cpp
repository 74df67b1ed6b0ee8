// Unit tests of the decimal formatter that every number of the output goes through.
#include <gtest/gtest.h>

#include <climits>
#include <string>

#include "output.hpp"

namespace {

using lumo::Number;

TEST(Number, FormatsEveryMagnitudeAndSign) {
    const struct {
        int value;
        const char* text;
    } cases[] = {
        {0, "0"},
        {7, "7"},
        {9, "9"},
        {10, "10"},
        {99, "99"},
        {100, "100"},
        {-1, "-1"},
        {-10, "-10"},
        {32767, "32767"},
        {-32768, "-32768"},
        {1234567, "1234567"},
        {12345678, "12345678"},
        {123456789, "123456789"},
        {-1234567, "-1234567"},
        {-12345678, "-12345678"},
        {INT_MAX, "2147483647"},
        {INT_MIN, "-2147483648"},
    };
    for (const auto& c : cases) {
        const Number number(c.value);
        EXPECT_EQ(std::string(number.text()), c.text);
    }
}

// Digits go in two at a time: every pair, at every place, and every odd count of digits.
TEST(Number, AgreesWithTheLibraryOverARange) {
    for (int value = -200000; value <= 200000; ++value)
        ASSERT_EQ(std::string(Number(value).text()), std::to_string(value));
    for (int value = 1; value < INT_MAX / 7; value = value * 7 + 3)
        ASSERT_EQ(std::string(Number(value).text()), std::to_string(value));
}

}  // namespace
