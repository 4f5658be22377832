// camera-gadget's command line, run as the rig runs it: the shared --simulate
// and --state in the gadget's grammar (the file as the next word, the last
// one given counts), and its refusals.

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "tests/support/Files.h"

namespace zul::gadget {
namespace {

struct Outcome {
  int status = -1;
  std::string output;  // standard output and error
};

Outcome Gadget(const std::string& args) {
  const std::string command = std::string(CAMERA_GADGET_PATH) + " " + args + " 2>&1 </dev/null";
  Outcome run;
  std::FILE* pipe = popen(command.c_str(), "r");
  if (!pipe) return run;
  for (int c; (c = std::fgetc(pipe)) != EOF;) run.output.push_back(static_cast<char>(c));
  const int status = pclose(pipe);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

TEST(GadgetCommandLineTest, TheSharedOptionsInTheGadgetsGrammar) {
  const test::ScratchDir scratch("zul_gadget_cli_");
  const std::string two = (scratch.path() / "two.json").string();
  const std::string one = (scratch.path() / "one.json").string();
  test::WriteFileBytes(two, R"({"drives": [{"letter": "D", "type": "disk"},
                                           {"letter": "K", "type": "camera"}]})");
  test::WriteFileBytes(one, R"({"drives": [{"letter": "H", "type": "impostor"}]})");
  const std::string state = (scratch.path() / "state.json").string();
  const std::string usage = "Usage: camera-gadget --ffs DIR";
  const struct {
    std::string args;
    int status;
    std::string output;  // the whole output, or for the usage its first words
  } cases[] = {
      {"--list", 0, "F camera\n"},  // the default scenario
      {"--list --simulate " + two, 0, "D disk\nK camera\n"},
      {"--simulate " + one + " --list --simulate " + two, 0, "D disk\nK camera\n"},
      {"--list --simulate " + one + " --state " + state, 0, "H impostor\n"},
      {"--list --simulate=", 2, usage},
      {"--list --state=", 2, usage},
      {"--list --simulate", 2, usage},
      {"--list " + two, 2, usage},
      {"--list --drive q", 2, "camera-gadget: --drive: a letter from D to Z\n"},
      {"--list --stall 0", 2, usage},
      {"--drive F", 2, usage},  // no --ffs
      {"--ffs " + scratch.path().string() + " --simulate " + one + " --drive D", 2,
       "camera-gadget: the scenario has no camera or impostor at D\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.args);
    const Outcome run = Gadget(c.args);
    EXPECT_EQ(run.status, c.status);
    if (c.output == usage) {
      EXPECT_EQ(run.output.rfind(usage, 0), 0u) << run.output;
    } else {
      EXPECT_EQ(run.output, c.output);
    }
  }
}

}  // namespace
}  // namespace zul::gadget
