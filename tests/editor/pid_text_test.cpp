#include "editor/pid_text.h"

#include <gtest/gtest.h>

TEST(PidText, ReadsAWholeHexOrDecimalNumberAndNothingElse) {
    constexpr long long refused = -999;
    const struct {
        const char* text;
        long long value;
    } cases[] = {
        {"0x100", 256},    {"0X1fF", 511},       {"  256", 256},      {"256  ", 256},
        {"", -1},          {"   ", -1},          {"-1", -1},          {"-7", -7},
        {"65535", 65535},  {"  0x1FFF", 0x1fff}, {"+12", 12},         {"abc", refused},
        {"*", refused},    {"12abc", refused},   {"256abc", refused}, {"0x1g", refused},
        {"0x", refused},   {"0xg", refused},     {"12 34", refused},  {"-", refused},
        {"0x-5", refused}, {"--1", refused},     {"1.5", refused},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parsePidText(QString::fromLatin1(c.text)).value_or(refused), c.value) << c.text;
}
