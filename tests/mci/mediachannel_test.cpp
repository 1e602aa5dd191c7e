#include "mediachannel.h"

#include <gtest/gtest.h>

TEST(ReadNumber, TrimsAndPutsAZeroInFront)
{
    EXPECT_EQ(ReadNumber(""), 0);
    EXPECT_EQ(ReadNumber("  \t"), 0);
    EXPECT_EQ(ReadNumber("25000"), 25000);
    EXPECT_EQ(ReadNumber(" 42\r\n"), 42);
    EXPECT_EQ(ReadNumber("\x01" "7\x02"), 7);
    EXPECT_EQ(ReadNumber("2147483647"), 2147483647);
}

TEST(ReadNumber, RejectsWhatIsNotADecimalInteger)
{
    const std::pair<const char*, const char*> table[] = {
        {"true", "'0true' is not a valid integer value"},
        {"-5", "'0-5' is not a valid integer value"},
        {"0 0 320 240", "'00 0 320 240' is not a valid integer value"},
        {"12.5", "'012.5' is not a valid integer value"},
        {"2147483648", "'02147483648' is not a valid integer value"},
    };
    for (const auto& [reply, message] : table) {
        try {
            ReadNumber(reply);
            ADD_FAILURE() << reply;
        } catch (const EConvertError& e) {
            EXPECT_STREQ(e.what(), message);
        }
    }
}

TEST(MediaChannel, FailedCommandsAreSilent)
{
    EXPECT_FALSE(MediaCommand("play nothing"));
    EXPECT_EQ(MediaQuery("status nothing length"), "");
    EXPECT_TRUE(MediaCommand("close all"));
}
