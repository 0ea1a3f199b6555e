#include "topicgate/topic_command.h"

#include <gtest/gtest.h>

#include <string>

namespace tabrix {
namespace {

struct ParseCase {
  const char* arguments;
  TopicRequest expected;
};

class ParseTopicCommandTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ParseTopicCommandTest, GivesTheFourValues) {
  EXPECT_EQ(ParseTopicCommand(GetParam().arguments), GetParam().expected)
      << "arguments: [" << GetParam().arguments << "]";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ParseTopicCommandTest,
    testing::Values(
        ParseCase{"1234;C:\\HELP\\APP.HLP;1;50", {1234, "C:\\HELP\\APP.HLP", 1, 50}},
        ParseCase{" 42;x.hlp;+3;-7", {42, "x.hlp", 3, -7}},
        ParseCase{";x.hlp;3", {0, "x.hlp", 3, 0}},
        ParseCase{"12abc;x.hlp;1;9x", {12, "x.hlp", 1, 9}}, ParseCase{"1;f;1;2;99", {1, "f", 1, 2}},
        ParseCase{"", {0, "", 0, 0}}, ParseCase{";;;", {0, "", 0, 0}},
        ParseCase{";;;;;;", {0, "", 0, 0}},
        // The file name is taken as it stands: blanks and inner quotes stay.
        ParseCase{"7; C:\\Program Files\\a b.hlp ;3;0", {7, " C:\\Program Files\\a b.hlp ", 3, 0}},
        ParseCase{"7;\"x.hlp\";1;2", {7, "\"x.hlp\"", 1, 2}},
        // A command line that is one quoted argument, as a shell passes it.
        ParseCase{"\"1234;C:\\HELP\\APP.HLP;1;50\"", {1234, "C:\\HELP\\APP.HLP", 1, 50}},
        ParseCase{"\" 42;x.hlp;+3;-7\"", {42, "x.hlp", 3, -7}},
        // Signs and white space by the C library rule.
        ParseCase{"\t\n\v\f\r 5;f;- 1;--2", {5, "f", 0, 0}}, ParseCase{"-0;f;+;-", {0, "f", 0, 0}},
        // 32-bit arithmetic: overflow wraps around.
        ParseCase{"2147483647;f;2147483648;-2147483648",
                  {2147483647, "f", -2147483647 - 1, -2147483647 - 1}},
        ParseCase{"4294967297;f;4294967296;-4294967295", {1, "f", 0, 1}}));

TEST(ParseTopicCommand, CutsFieldsAt255Characters) {
  std::string longName(300, 'n');
  TopicRequest request = ParseTopicCommand("1;" + longName + ";2;" + std::string(300, '3'));
  EXPECT_EQ(request.helpFile, std::string(255, 'n'));
  EXPECT_EQ(request.window, 1);
  EXPECT_EQ(request.command, 2);
  // 255 threes wrap around in 32-bit arithmetic; the cut field is what is converted.
  EXPECT_EQ(request.argument, DecimalToInt32(std::string(255, '3')));
}

struct CommandLineCase {
  const char* commandLine;
  const char* arguments;
};

class ArgumentsOfCommandLineTest : public testing::TestWithParam<CommandLineCase> {};

TEST_P(ArgumentsOfCommandLineTest, SkipsTheProgramName) {
  EXPECT_EQ(ArgumentsOfCommandLine(GetParam().commandLine), GetParam().arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ArgumentsOfCommandLineTest,
    testing::Values(CommandLineCase{"topicgate.exe 1;a;2;3", "1;a;2;3"},
                    CommandLineCase{"topicgate.exe", ""},
                    CommandLineCase{"\"C:\\Program Files\\topicgate.exe\" 1;a", "1;a"},
                    CommandLineCase{"\"C:\\Program Files\\topicgate.exe\"1;a", "1;a"},
                    CommandLineCase{"\"unclosed name 1;a", ""},
                    CommandLineCase{"topicgate.exe \t\r\n  42;x", "42;x"},
                    CommandLineCase{"topicgate.exe\t\"1;b\"", "\"1;b\""}, CommandLineCase{"", ""}));

}  // namespace
}  // namespace tabrix
