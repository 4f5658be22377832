// zulctl's audit file: one line for each change attempt, for each camera of
// a dock, none with a password; a file that cannot be written stops the run
// or is reported, and programs appending at once lose no line.

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <map>
#include <regex>
#include <thread>

#include "tests/cli/ZulctlFixture.h"

#if !defined(_WIN32)
#include <signal.h>
#include <sys/resource.h>
#endif

namespace zul::test {
namespace {

TEST_F(ZulctlTest, EveryChangeAttemptLeavesOneAuditLineAndNoPassword) {
  const std::string audit = (dir / "audit.jsonl").string();
  struct Case {
    Args args;
    std::string input, action, outcome;
    Json oldValues, newValues;  // null: no values in the line
  };
  const Case cases[] = {
      {{"login"}, "0000\n", "login", "refused", nullptr, nullptr},
      {{"login"}, "2580\n", "login", "done", nullptr, nullptr},
      {{"set-hint", "caf\xC3\xA9"},
       "2580\n",
       "set-hint",
       "done",
       {{"hint", "the keypad's middle column"}},
       {{"hint", "caf\xC3\xA9"}}},
      {{"set-reference", "--officer", "J. OKAFOR"},
       "2580\n",
       "set-reference",
       "done",
       {{"officer", ""}},
       {{"officer", "J. OKAFOR"}}},
      {{"set-resolution", "720p"},
       "2580\n",
       "set-resolution",
       "done",
       {{"resolution", "1080p"}},
       {{"resolution", "720p"}}},
      {{"set-loop", "on"},
       "2580\n",
       "set-loop",
       "done",
       {{"loopRecording", "off"}},
       {{"loopRecording", "on"}}},
      {{"set-password"}, "2580\n1470\n", "set-password", "done", nullptr, nullptr},
      {{"set-time"}, "2580\n", "set-time", "refused", {{"clock", nullptr}}, nullptr},
      {{"--drive", "G", "set-loop", "off"}, "1470\n", "set-loop", "no camera", nullptr, nullptr},
  };
  UseScenario(CameraScenario(R"("hint": "the keypad's middle column")"));
  std::size_t expected = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.front() + " " + c.action);
    Args args = c.args;
    args.insert(args.begin(), {"--audit", audit});
    Zulctl(args, c.input);
    const std::vector<Json> lines = AuditLines(audit);
    ASSERT_EQ(lines.size(), ++expected);
    const Json& l = lines.back();
    ASSERT_TRUE(l.is_object()) << ReadFileBytes(audit);
    EXPECT_EQ(l["action"], c.action);
    EXPECT_EQ(l["outcome"], c.outcome);
    EXPECT_EQ(l["program"], "zulctl");
    EXPECT_FALSE(l["host"].get<std::string>().empty());
    EXPECT_FALSE(l["user"].get<std::string>().empty());
    EXPECT_TRUE(std::regex_match(l["time"].get<std::string>(),
                                 std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d{3}Z)")));
    if (c.outcome == "no camera") {
      EXPECT_TRUE(l["serialNumber"].is_null());
      EXPECT_EQ(l["drive"], "G:");
      continue;
    }
    EXPECT_EQ(l["drive"], "F:");
    EXPECT_EQ(l["devicePath"], "\\\\.\\F:");
    EXPECT_EQ(l["serialNumber"], "B7654321");
    if (c.outcome == "refused") {
      EXPECT_EQ(l["chancesLeft"], 5);  // the login before reset the count
    }
    if (!c.oldValues.is_null()) {
      EXPECT_EQ(l["old"], c.oldValues);
    }
    if (!c.newValues.is_null()) {
      EXPECT_EQ(l["new"], c.newValues);
    }
    if (c.action == "login" || c.action == "set-password") {
      EXPECT_FALSE(l.contains("old"));
      EXPECT_FALSE(l.contains("new"));
    }
  }
  // Neither password, in any form: text, digits, length or digest.
  const std::string text = ReadFileBytes(audit);
  for (const char* secret : {"2580", "1470", "0000", "\"length\"", "sha256", "digest"}) {
    EXPECT_EQ(text.find(secret), std::string::npos) << secret;
  }
}

TEST_F(ZulctlTest, EveryCameraOfADockLeavesItsOwnAuditLine) {
  const std::string audit = (dir / "audit.jsonl").string();
  UseScenario(DockScenario());
  test::ProgramRun r = Zulctl({"--audit", audit, "--all", "set-loop", "on"}, "2580\n");
  EXPECT_EQ(r.exitCode, 6) << r.err;  // H: takes another password
  std::vector<Json> lines = AuditLines(audit);
  ASSERT_EQ(lines.size(), 3u) << ReadFileBytes(audit);
  std::map<std::string, Json> byDrive;  // the cameras run at once: any order
  for (const Json& l : lines) {
    ASSERT_TRUE(l.is_object());
    byDrive[l["drive"].get<std::string>()] = l;
  }
  const struct {
    const char* drive;
    const char* serial;
    const char* outcome;
  } cameras[] = {
      {"F:", "A0000001", "done"}, {"G:", "A0000002", "done"}, {"H:", "A0000003", "refused"}};
  for (const auto& c : cameras) {
    SCOPED_TRACE(c.drive);
    const Json& l = byDrive[c.drive];
    EXPECT_EQ(l["serialNumber"], c.serial);
    EXPECT_EQ(l["action"], "set-loop");
    EXPECT_EQ(l["outcome"], c.outcome);
    EXPECT_EQ(l["old"], Json({{"loopRecording", "off"}}));
    EXPECT_EQ(l["new"], Json({{"loopRecording", "on"}}));
  }
  EXPECT_EQ(byDrive["H:"]["chancesLeft"], 5);

  // A roster: a dry run leaves no line, the run one for the camera written to.
  const std::string roster = (dir / "roster.csv").string();
  std::ofstream(roster, std::ios::binary) << kDockRoster;
  EXPECT_EQ(Zulctl({"--audit", audit, "apply", "--dry-run", roster}).exitCode, 0);
  EXPECT_EQ(AuditLines(audit).size(), 3u);
  r = Zulctl({"--audit", audit, "apply", roster}, "2580\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  lines = AuditLines(audit);
  ASSERT_EQ(lines.size(), 4u) << ReadFileBytes(audit);
  const Json& l = lines.back();
  EXPECT_EQ(l["action"], "apply");
  EXPECT_EQ(l["outcome"], "done");
  EXPECT_EQ(l["drive"], "F:");
  EXPECT_EQ(l["serialNumber"], "A0000001");
  EXPECT_EQ(l["old"], Json({{"officer", "OLD NAME"}, {"hint", "old hint"}}));
  EXPECT_EQ(l["new"], Json({{"officer", "OKAFOR, J."}, {"hint", "the \"middle\" column"}}));
  EXPECT_EQ(ReadFileBytes(audit).find("2580"), std::string::npos);
}

TEST_F(ZulctlTest, AnAuditFileThatCannotBeWrittenStopsTheRunBeforeTheCamera) {
  ASSERT_EQ(Zulctl({"status"}).exitCode, 0);  // the state file exists
  const std::string before = ReadFileBytes(state);
  for (const std::string& audit : {dir.string(), (dir / "none" / "audit.jsonl").string(), state}) {
    SCOPED_TRACE(audit);
    const test::ProgramRun r = Zulctl({"--audit", audit, "set-loop", "on"}, "2580\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(audit), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFileBytes(state), before);
  }
  EXPECT_EQ(Zulctl({"--audit="}).exitCode, 1);
}

#if !defined(_WIN32)
// A change made while its audit line cannot be written (a file size limit
// standing for a full disk): the camera is changed, the file keeps whole lines
// only, and zulctl says so with status 7 (a dock's run with 6, each camera's
// line saying it).
TEST_F(ZulctlTest, AChangeWhoseAuditLineCannotBeWrittenSaysSo) {
  const std::string audit = (dir / "audit.jsonl").string();
  const std::string roster = (dir / "roster.csv").string();
  std::ofstream(roster, std::ios::binary) << kDockRoster;
  const std::string lost = "The camera was changed, but its audit line could not be written to " +
                           audit + ": " + std::strerror(EFBIG);
  struct Case {
    std::string scenario;
    Args args;
    int exitCode;
    std::string out, err;
  };
  const Case cases[] = {
      {CameraScenario(), {"set-loop", "on"}, 7, "Loop recording on!\n", lost + "\n"},
      {CameraScenario(),
       {"--all", "set-loop", "on"},
       7,
       "F:\tB7654321\tnot audited\t" + lost + "\n",
       ""},
      {DockScenario(),
       {"apply", roster},
       6,
       "G:\tA0000002\tunchanged\nH:\tA0000003\tnot in roster\n-\tZ0000009\tnot docked\trow 4\n",
       "F:\tA0000001\tnot audited\t" + lost + "\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.args.front());
    UseScenario(c.scenario);
    fs::remove(state);
    const std::string before = "{\"pad\":\"" + std::string(64 * 1024, '.') + "\"}\n";
    test::WriteFileBytes(audit, before);
    Args args = c.args;
    args.insert(args.begin(), {"--audit", audit});
    rlimit unlimited{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &unlimited), 0);
    rlimit limit = unlimited;
    limit.rlim_cur = before.size() + 16;  // a few bytes of the line, then EFBIG
    const auto handler = signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
    const test::ProgramRun r = Zulctl(args, "2580\n");
    setrlimit(RLIMIT_FSIZE, &unlimited);
    signal(SIGXFSZ, handler);

    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
    const std::string after = ReadFileBytes(audit);
    EXPECT_TRUE(after == before) << "after the whole lines: "
                                 << after.substr(std::min(after.size(), before.size()));
    EXPECT_EQ(SavedCamera()[c.args.front() == "apply" ? "officer" : "loopRecording"],
              c.args.front() == "apply" ? Json("OKAFOR, J.") : Json(1));
  }
}
#endif

TEST_F(ZulctlTest, TwoProgramsAppendingToOneAuditFileLoseNoLine) {
  const std::string audit = (dir / "audit.jsonl").string();
  constexpr int kRuns = 12;
  std::atomic<int> failed{0};
  const auto runs = [&](const char* setting) {
    const fs::path work = dir / setting;  // each program's streams in a folder of its own
    fs::create_directories(work);
    for (int i = 0; i < kRuns; ++i) {
      const test::ProgramRun r = test::RunProgram(
          ZULCTL_PATH,
          {"--simulate=" + scenario, "--state=" + state, "--audit", audit, "set-loop", setting},
          "2580\n", work);
      if (r.exitCode != 0) {
        ++failed;
        ADD_FAILURE() << r.exitCode << " " << r.err;
      }
    }
  };
  std::thread a(runs, "on"), b(runs, "off");
  a.join();
  b.join();
  EXPECT_EQ(failed, 0);
  const std::vector<Json> lines = AuditLines(audit);
  ASSERT_EQ(lines.size(), 2u * kRuns);
  int on = 0;
  for (const Json& l : lines) {
    ASSERT_TRUE(l.is_object());
    EXPECT_EQ(l["outcome"], "done");
    on += l["new"]["loopRecording"] == "on";
  }
  EXPECT_EQ(on, kRuns);
}

}  // namespace
}  // namespace zul::test
