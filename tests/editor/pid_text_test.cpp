#include "editor/pid_text.h"

#include <gtest/gtest.h>

TEST(PidText, ReadsHexDecimalAndStopsAtTheFirstCharacterThatDoesNotFit) {
    const struct {
        const char* text;
        long long value;
    } cases[] = {
        {"0x100", 256}, {"0X1fF", 511},       {"  256", 256}, {"256abc", 256},  {"", -1},
        {"abc", -1},    {"-1", -1},           {"-7", -7},     {"65535", 65535}, {"0x", -1},
        {"0xg", -1},    {"  0x1FFF", 0x1fff}, {"+12", 12},    {"12 34", 12},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parsePidText(QString::fromLatin1(c.text)), c.value) << c.text;
}
