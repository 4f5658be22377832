// The texts of every command line that sends one reach the options as the
// camera's bytes, whatever command carries them.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "cli/Options.h"

namespace zul::cli {
namespace {

TEST(OptionsTest, EveryCommandsTextsAreTheCamerasBytes) {
  const std::string given = "caf\xC3\xA9", bytes = "caf\xE9";
  struct Case {
    std::vector<const char*> args;
    std::string Options::*text;                  // set-hint
    std::optional<std::string> Options::*field;  // set-reference
  };
  const Case cases[] = {
      {{"set-hint", given.c_str()}, &Options::hint, nullptr},
      {{"--all", "set-hint", given.c_str()}, &Options::hint, nullptr},
      {{"watch", "set-hint", given.c_str()}, &Options::hint, nullptr},
      {{"set-reference", "--officer", given.c_str()}, nullptr, &Options::officer},
      {{"--all", "set-reference", "--department", given.c_str()}, nullptr, &Options::department},
      {{"watch", "set-reference", "--additional", given.c_str()}, nullptr, &Options::additional},
  };
  for (const Case& c : cases) {
    std::vector<const char*> argv = {"zulctl", "--simulate"};
    argv.insert(argv.end(), c.args.begin(), c.args.end());
    SCOPED_TRACE(c.args[0] + std::string(" ") + c.args[1]);
    std::ostringstream out, err;
    const ParsedCommandLine parsed =
        ParseCommandLine(static_cast<int>(argv.size()), argv.data(), out, err);
    ASSERT_TRUE(parsed.options) << err.str();
    if (c.text) {
      EXPECT_EQ((*parsed.options).*c.text, bytes);
    } else {
      EXPECT_EQ((*parsed.options).*c.field, bytes);
    }
  }
}

}  // namespace
}  // namespace zul::cli
