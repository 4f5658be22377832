// Password lines from standard input: what is kept, what is counted, and the
// end of the input.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <sstream>
#include <string>

#include "cli/Secret.h"

namespace zul::cli {
namespace {

TEST(SecretTest, LinesAsGiven) {
  struct Case {
    std::string input;
    std::vector<std::pair<std::string, std::size_t>> lines;  // kept text and length
  };
  const Case cases[] = {
      {"1234\n5678\n", {{"1234", 4}, {"5678", 4}}},
      {"1234\r\nabcd", {{"1234", 4}, {"abcd", 4}}},  // CR LF, and no line break at the end
      {"\n12\r34\r\n", {{"", 0}, {"12\r34", 5}}},    // an empty line; a CR inside stays
      {"abcdefghijklmnop\nx\n", {{"abcdefghijk", 16}, {"x", 1}}},  // kept short, counted whole
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.input);
    const std::string path = (std::filesystem::temp_directory_path() / "zul-secret.txt").string();
    std::FILE* in = std::fopen(path.c_str(), "w+b");
    ASSERT_NE(in, nullptr);
    std::fputs(c.input.c_str(), in);
    std::rewind(in);
    std::ostringstream prompts;
    for (const auto& [text, length] : c.lines) {
      Secret s;
      ASSERT_TRUE(ReadSecretLine(in, "Password: ", prompts, s));
      EXPECT_EQ(s.text(), text);
      EXPECT_EQ(s.length(), length);
    }
    Secret end;
    EXPECT_FALSE(ReadSecretLine(in, "Password: ", prompts, end));
    EXPECT_EQ(prompts.str(), "");  // a file is no terminal: no prompt
    std::fclose(in);
    std::filesystem::remove(path);
  }
}

}  // namespace
}  // namespace zul::cli
