#include <gtest/gtest.h>

#include <vector>

#include "app/CommandLine.h"

namespace zul::app {
namespace {

struct GoodCase {
  std::vector<std::string> args;
  bool simulate;
  std::string scenario, trace;
  std::string state = "";
};

class CommandLineGoodTest : public ::testing::TestWithParam<GoodCase> {};

TEST_P(CommandLineGoodTest, Parses) {
  const GoodCase& c = GetParam();
  const ParsedCommandLine parsed = ParseCommandLine(c.args);
  ASSERT_TRUE(parsed.options) << parsed.error;
  EXPECT_EQ(parsed.options->simulate, c.simulate);
  EXPECT_EQ(parsed.options->scenarioPath, c.scenario);
  EXPECT_EQ(parsed.options->tracePath, c.trace);
  EXPECT_EQ(parsed.options->statePath, c.state);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineGoodTest,
    ::testing::Values(GoodCase{{}, false, "", ""},  // the PC's drives, nothing else
                      GoodCase{{"--simulate"}, true, "", ""},
                      GoodCase{{"--simulate=cam.json"}, true, "cam.json", ""},
                      GoodCase{{"--simulate=C:\\a b\\c.json"}, true, "C:\\a b\\c.json", ""},
                      GoodCase{{"--trace", "t.log"}, false, "", "t.log"},
                      GoodCase{{"--trace=t.log", "--simulate"}, true, "", "t.log"},
                      GoodCase{{"--simulate=s.json", "--trace", "t.log"}, true, "s.json", "t.log"},
                      GoodCase{{"--state", "cam.json", "--simulate"}, true, "", "", "cam.json"},
                      // Values CLI11 could take for something else: a flag's
                      // value, an option's name.
                      GoodCase{{"--simulate=true"}, true, "true", ""},
                      GoodCase{{"--trace=--odd"}, false, "", "--odd"},
                      GoodCase{{"--simulate=s.json", "--state=C:\\a b\\cam.json", "--trace=t"},
                               true,
                               "s.json",
                               "t",
                               "C:\\a b\\cam.json"}));

TEST(CommandLineTest, VersionIsAskedOnlyByItsOption) {
  EXPECT_FALSE(ParseCommandLine(std::vector<std::string>{"--simulate"}).options->version);
  const ParsedCommandLine parsed = ParseCommandLine(std::vector<std::string>{"--version"});
  ASSERT_TRUE(parsed.options) << parsed.error;
  EXPECT_TRUE(parsed.options->version);
  EXPECT_FALSE(parsed.options->simulate);
}

struct BadCase {
  std::vector<std::string> args;
  std::string error;
};

class CommandLineBadTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(CommandLineBadTest, NamesTheProblem) {
  const ParsedCommandLine parsed = ParseCommandLine(GetParam().args);
  EXPECT_FALSE(parsed.options);
  EXPECT_EQ(parsed.error, GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineBadTest,
    ::testing::Values(
        BadCase{{"--verbose"}, "Unknown option: --verbose"}, BadCase{{"-s"}, "Unknown option: -s"},
        BadCase{{"--simulated"}, "Unknown option: --simulated"},
        BadCase{{"--help"}, "Unknown option: --help"}, BadCase{{"--"}, "Unknown option: --"},
        BadCase{{"--trace"}, "--trace needs a file name."},
        BadCase{{"--trace", "--simulate"}, "--trace needs a file name."},
        BadCase{{"--trace="}, "--trace needs a file name."},
        BadCase{{"--simulate="}, "--simulate= needs a scenario file name."},
        BadCase{{"--simulate", "--simulate=x"}, "--simulate is given more than once."},
        BadCase{{"--trace=a", "--trace", "b"}, "--trace is given more than once."},
        BadCase{{"--state", "cam.json"}, "--state goes with --simulate only."},
        BadCase{{"--simulate", "--state"}, "--state needs a file name."},
        BadCase{{"--simulate", "--state", "--trace", "t"}, "--state needs a file name."},
        BadCase{{"--simulate", "--state="}, "--state needs a file name."},
        BadCase{{"--simulate", "--state=a", "--state", "b"}, "--state is given more than once."},
        BadCase{{"--simulate", "cam.json"},
                "Unexpected argument: cam.json (a scenario is given as --simulate=FILE)"}));

}  // namespace
}  // namespace zul::app
