// zulctl and the camera's passwords: a change, the wrong attempts up to the
// lock, prompts that do not echo, a password file, and no password in any
// output or file.

#include <gtest/gtest.h>

#include "tests/cli/ZulctlFixture.h"
#include "tests/support/Hex.h"
#include "tests/support/PrivateFile.h"

namespace zul::test {
namespace {

TEST_F(ZulctlTest, NewPasswordReplacesTheOld) {
  test::ProgramRun r = Zulctl({"set-password"}, "2580\nn3w-pass\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "You've updated your password!\n");
  r = Zulctl({"login"}, "2580\n");
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.err, "Wrong password!  You have 5 chances remaining.\n");
  EXPECT_EQ(Zulctl({"login"}, "n3w-pass\n").exitCode, 0);
}

TEST_F(ZulctlTest, WrongAttemptsCarryOverUntilTheLock) {
  struct Attempt {
    const char* password;
    int exitCode;
    std::string err;
  };
  const Attempt attempts[] = {
      {"0000", 4, "Wrong password!  You have 5 chances remaining.\n"},
      {"0001", 4, "Wrong password!  You have 4 chances remaining.\n"},
      {"2580", 0, ""},  // a correct password starts the count again
      {"0002", 4, "Wrong password!  You have 5 chances remaining.\n"},
      {"0003", 4, "Wrong password!  You have 4 chances remaining.\n"},
      {"0004", 4, "Wrong password!  You have 3 chances remaining.\n"},
      {"0005", 4, "Wrong password!  You have 2 chances remaining.\n"},
      {"0006", 4, "Wrong password!  You have 1 chances remaining.\n"},
      {"0007", 5, kLockedOut},
      {"2580", 5, kLockedOut},
      {"13579", 0, ""},
      {"2580", 0, ""},
  };
  for (const Attempt& a : attempts) {
    SCOPED_TRACE(a.password);
    const test::ProgramRun r = Zulctl({"login"}, std::string(a.password) + "\n");
    EXPECT_EQ(r.exitCode, a.exitCode);
    EXPECT_EQ(r.err, a.err);
  }
}

TEST_F(ZulctlTest, PasswordsNeverShow) {
  UseScenario(CameraScenario(R"("password": "Qx7#pZ2s", "adminPassword": "Ad7!xK")"));
  struct Step {
    Args args;
    std::string input;
  };
  const Step steps[] = {
      {{"login"}, "Qx7#pZ2s\n"},
      {{"login"}, "Ww3$kq9v\n"},
      {{"set-password"}, "Qx7#pZ2s\nZz9!nE4w\n"},
      {{"login"}, "Zz9!nE4w\n"},
      {{"set-hint", "no secrets"}, "Zz9!nE4w\n"},
      {{"status"}, ""},
      {{"login"}, "Ad7!xK\n"},
  };
  std::string seen;  // everything zulctl wrote anywhere
  for (const Step& s : steps) {
    Args args = s.args;
    args.insert(args.begin(), "--trace=" + trace);
    const test::ProgramRun r = Zulctl(args, s.input);
    EXPECT_LE(r.exitCode, 4) << r.err;
    seen += r.out + r.err + ReadFileBytes(trace) + ReadFileBytes(state);
  }
  // The trace did record the password traffic, masked.
  ASSERT_NE(seen.find("FA 55 66 FE 06 00 00 25 04 00 ** ** ** ** ** **"), std::string::npos);
  ASSERT_NE(seen.find("FA 55 66 FE 06 00 00 25 06 00 ** ** ** ** ** **"), std::string::npos);
  for (const std::string secret : {"Qx7#pZ2s", "Ww3$kq9v", "Zz9!nE4w", "Ad7!xK"}) {
    SCOPED_TRACE(secret);
    for (std::size_t i = 0; i + 4 <= secret.size(); ++i) {
      EXPECT_EQ(seen.find(secret.substr(i, 4)), std::string::npos);
      const std::string hex = test::Hex(secret.substr(i, 4));
      EXPECT_EQ(seen.find(hex), std::string::npos) << hex;
    }
  }
}

#if !defined(_WIN32)
TEST_F(ZulctlTest, TypedPasswordsAreNotEchoed) {
  const test::ProgramRun r = test::RunOnTerminal(
      ZULCTL_PATH, {"--simulate=" + scenario, "set-password"}, {"2580", "Zz9!nE4w"}, "assword: ");
  EXPECT_EQ(r.exitCode, 0);
  // The prompts, and the line breaks the program puts for the unechoed Enter.
  EXPECT_NE(r.out.find("Password: \r\nNew password: \r\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("You've updated your password!"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("2580"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("Zz9!"), std::string::npos) << r.out;
  EXPECT_TRUE(r.echoAtEnd);
}

TEST_F(ZulctlTest, CtrlCAtThePasswordPromptLeavesTheTerminalEchoing) {
  const test::ProgramRun r =
      test::RunOnTerminal(ZULCTL_PATH, {"--simulate=" + scenario, "login"}, {"\x03"}, "Password: ");
  EXPECT_NE(r.out.find("Password: "), std::string::npos) << r.out;
  EXPECT_NE(r.exitCode, 0);
  EXPECT_TRUE(r.echoAtEnd) << "the terminal was left without echo";
}
#endif

// --password-file: the passwords from a file its owner alone may read, in
// place of standard input; any other file is refused before a camera is
// touched.
TEST_F(ZulctlTest, PasswordFileOfItsOwnerOnly) {
  const fs::path file = dir / "password";
#if defined(_WIN32)
  const std::string open = "Everyone, Users or Authenticated Users may read or write it";
#else
  const std::string open = "others than its owner may read or write it (mode 0644)";
#endif
  const struct {
    const char* name;
    std::optional<std::string> text;  // nothing: no file
    bool othersMayRead;
    Args args;
    int exitCode;
    std::string out, err;  // err: a part of it
  } cases[] = {
      {"the file's password, not standard input's",
       "2580\n",
       false,
       {"login"},
       0,
       "Logged in.\nStorage opened on F:\n",
       ""},
      {"a wrong one in it",
       "0000\r\n",
       false,
       {"login"},
       4,
       "",
       "Wrong password!  You have 5 chances remaining.\n"},
      {"set-password without the new",
       "2580\n",
       false,
       {"set-password"},
       1,
       "",
       file.string() + ": holds no password"},
      {"empty", "", false, {"set-time"}, 1, "", file.string() + ": holds no password"},
      {"others may read it",
       "2580\n",
       true,
       {"set-hint", "OPEN"},
       1,
       "",
       file.string() + ": " + open},
      {"missing",
       std::nullopt,
       false,
       {"set-hint", "GONE"},
       1,
       "",
       file.string() + ": cannot be read"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(state);
    fs::remove(file);
    if (c.text) test::WriteFileWithAccess(file, *c.text, c.othersMayRead);
    Args args = {"--password-file", file.string()};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const test::ProgramRun r = Zulctl(args, "1111\n1111\n");
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_EQ(r.out, c.out);
    if (c.err.empty()) {
      EXPECT_EQ(r.err, "");
    } else {
      EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    }
    EXPECT_EQ(fs::exists(state), c.exitCode != 1) << "a refused password file reached the camera";
  }
  // set-password takes both lines from the file: the new one logs in after.
  fs::remove(state);
  test::WriteFileWithAccess(file, "2580\n1470\n", false);
  const test::ProgramRun set = Zulctl({"--password-file", file.string(), "set-password"});
  EXPECT_EQ(set.exitCode, 0) << set.err;
  EXPECT_EQ(set.out, "You've updated your password!\n");
  EXPECT_EQ(Zulctl({"login"}, "1470\n").out, "Logged in.\nStorage opened on F:\n");
}

}  // namespace
}  // namespace zul::test
