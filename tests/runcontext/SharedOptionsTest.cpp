// The shared options as the window and zulctl read them, side by side: one
// definition (run::SharedOptions) under two grammars. Where the programs
// differ, the table says so; each refuses in its own words.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "cli/Options.h"

namespace zul::run {
namespace {

struct Read {
  bool accepted = false;
  RunOptions options;  // when accepted
  std::string fault;   // when not: the window's message, zulctl's first line
};

Read Window(const std::vector<std::string>& args) {
  const app::ParsedCommandLine parsed = app::ParseCommandLine(args);
  if (!parsed.options) return {false, {}, parsed.error};
  return {true, *parsed.options, {}};
}

// zulctl list with args before the command.
Read Zulctl(const std::vector<std::string>& args) {
  std::vector<const char*> argv{"zulctl"};
  for (const std::string& a : args) argv.push_back(a.c_str());
  argv.push_back("list");
  std::ostringstream out, err;
  const cli::ParsedCommandLine parsed =
      cli::ParseCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
  if (!parsed.options) return {false, {}, err.str().substr(0, err.str().find('\n'))};
  return {true, *parsed.options, {}};
}

RunOptions Simulated(std::string scenario = "", std::string state = "", std::string trace = "",
                     std::string audit = "") {
  return {true, std::move(scenario), std::move(state), std::move(trace), std::move(audit)};
}

RunOptions OnTheSystem(std::string trace = "", std::string audit = "") {
  return {false, "", "", std::move(trace), std::move(audit)};
}

Read Accepted(RunOptions options) {
  return {true, std::move(options), {}};
}
Read Refused(std::string fault) {
  return {false, {}, std::move(fault)};
}

struct Case {
  std::vector<std::string> args;
  Read window, zulctl;
};

TEST(SharedOptionsTest, TheWindowAndZulctlReadTheSharedOptions) {
  const Case cases[] = {
      {{}, Accepted(OnTheSystem()), Accepted(OnTheSystem())},
      {{"--simulate"}, Accepted(Simulated()), Accepted(Simulated())},
      {{"--simulate=s.json"}, Accepted(Simulated("s.json")), Accepted(Simulated("s.json"))},
      {{"--simulate=s.json", "--state=st.json", "--trace=t.log", "--audit=a.log"},
       Accepted(Simulated("s.json", "st.json", "t.log", "a.log")),
       Accepted(Simulated("s.json", "st.json", "t.log", "a.log"))},
      {{"--trace", "t.log", "--audit", "a.log"},
       Accepted(OnTheSystem("t.log", "a.log")),
       Accepted(OnTheSystem("t.log", "a.log"))},
      // A name that looks like an option is still a name after "=".
      {{"--trace=--odd"}, Accepted(OnTheSystem("--odd")), Accepted(OnTheSystem("--odd"))},
      // The window takes a scenario only after "="; zulctl also as the next word.
      {{"--simulate", "s.json"},
       Refused("Unexpected argument: s.json (a scenario is given as --simulate=FILE)"),
       Accepted(Simulated("s.json"))},
      {{"--state", "st.json"},
       Refused("--state goes with --simulate only."),
       Refused("zulctl: --state requires --simulate")},
      // "=" with nothing after it is no file name, and never the next word.
      {{"--simulate="},
       Refused("--simulate= needs a scenario file name."),
       Refused("zulctl: --simulate= needs a file name")},
      {{"--simulate", "--state=", "x"},
       Refused("--state needs a file name."),
       Refused("zulctl: --state= needs a file name")},
      {{"--trace="},
       Refused("--trace needs a file name."),
       Refused("zulctl: --trace= needs a file name")},
      {{"--audit=", "a.log"},
       Refused("--audit needs a file name."),
       Refused("zulctl: --audit= needs a file name")},
      {{"--trace=a", "--trace", "b"},
       Refused("--trace is given more than once."),
       Refused("zulctl: --trace: At Most 1 required but received 2")},
  };
  for (const Case& c : cases) {
    std::string line;
    for (const std::string& a : c.args) line += a + " ";
    SCOPED_TRACE(line);
    for (const auto& [program, read, expected] : {std::tuple{"window", Window(c.args), c.window},
                                                  std::tuple{"zulctl", Zulctl(c.args), c.zulctl}}) {
      SCOPED_TRACE(program);
      ASSERT_EQ(read.accepted, expected.accepted) << read.fault;
      EXPECT_EQ(read.fault, expected.fault);
      EXPECT_EQ(read.options.simulate, expected.options.simulate);
      EXPECT_EQ(read.options.scenarioPath, expected.options.scenarioPath);
      EXPECT_EQ(read.options.statePath, expected.options.statePath);
      EXPECT_EQ(read.options.tracePath, expected.options.tracePath);
      EXPECT_EQ(read.options.auditPath, expected.options.auditPath);
    }
  }
}

}  // namespace
}  // namespace zul::run
