// The files of a zulctl run: scenario, state and trace refused where they
// would lose or mean something else, names outside the ANSI code page, and
// runs sharing one state file.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <fstream>
#include <set>
#include <thread>

#include "platform/FilePath.h"
#include "tests/cli/ZulctlFixture.h"
#include "tests/support/ForeignName.h"
#include "tests/support/win32/FileNames.h"

namespace zul::test {
namespace {

// The file as a reader sees it while other programs replace it. On Windows
// the reader shares deletion, as the system asks of anyone reading a file that
// is replaced by a rename: without that its open is refused for the instant
// the writer's rename handle stays open on the new file.
std::string ReadWhileReplaced(const fs::path& path) {
#if defined(_WIN32)
  return test::ReadSharingDeletion(path);
#else
  return ReadFileBytes(path);
#endif
}

// A state only goes with its scenario; a trace over a file the run reads or
// keeps would destroy it; an empty name after "=" would quietly mean something
// else. All are refused before anything is opened or written.
TEST_F(ZulctlTest, UnusableFilesAreRefusedAndLeftAsTheyWere) {
  ASSERT_EQ(Zulctl({"set-hint", "kept"}, "2580\n").exitCode, 0);
  const std::string saved = ReadFileBytes(state);
  const std::string other = (dir / "other.json").string();
  std::ofstream(other, std::ios::binary) << CameraScenario(R"("hint": "other")");
  std::ofstream(dir / "garbage.json", std::ios::binary) << "{\"scenarioSha256\": ";
  const std::string scenarioText = ReadFileBytes(scenario);
  fs::create_directories(dir / "sub");
  const std::string viaSub = (dir / "sub" / ".." / "scenario.json").string();
  const std::string newState = (dir / "new.json").string();
  const std::string newStateAgain = (dir / "sub" / ".." / "new.json").string();

  struct Case {
    const char* name;
    Args args;
    std::string err;
  };
  const Case cases[] = {
      {"another scenario",
       {"--simulate=" + other, "--state=" + state, "status"},
       state + ": saved from another scenario"},
      {"the default scenario",
       {"--simulate", "--state=" + state, "status"},
       state + ": saved from another scenario"},
      {"not a saved state",
       {"--simulate=" + scenario, "--state=" + (dir / "garbage.json").string(), "status"},
       "garbage.json: not a saved state"},
      {"the scenario itself",
       {"--simulate=" + scenario, "--state=" + scenario, "status"},
       scenario + ": is the scenario file"},
      {"no scenario",
       {"--simulate=" + (dir / "none.json").string(), "status"},
       "none.json: cannot be read"},
      {"trace over the scenario",
       {"--simulate=" + scenario, "--trace=" + scenario, "list"},
       scenario + ": is the scenario file; the trace goes to a file of its own"},
      {"trace over the scenario, spelt otherwise",
       {"--simulate=" + scenario, "--trace", viaSub, "list"},
       viaSub + ": is the scenario file"},
      {"trace over the state",
       {"--simulate=" + scenario, "--state=" + state, "--trace=" + state, "status"},
       state + ": is the state file; the trace goes to a file of its own"},
      {"trace over a state still to come",
       {"--simulate=" + scenario, "--state=" + newState, "--trace=" + newStateAgain, "status"},
       newStateAgain + ": is the state file"},
      {"empty scenario name", {"--simulate=", "list"}, "--simulate= needs a file name"},
      {"empty state name", {"--simulate", "--state=", "list"}, "--state= needs a file name"},
      {"empty trace name", {"--trace=", "list"}, "--trace= needs a file name"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const test::ProgramRun r = Run(c.args);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
  }
  EXPECT_EQ(ReadFileBytes(state), saved);
  EXPECT_EQ(ReadFileBytes(scenario), scenarioText);
  EXPECT_FALSE(fs::exists(newState));
  EXPECT_FALSE(fs::exists(dir / "list"));  // no option took the command for its file
  EXPECT_EQ(Status().value("hint", ""), "kept");

  // A trace of its own is fine.
  EXPECT_EQ(Zulctl({"--trace=" + trace, "list"}).exitCode, 0);
  EXPECT_NE(ReadFileBytes(trace).find("\\\\.\\F: "), std::string::npos);
}

// No two files of a run may be one file, however they are named: the run is
// refused before anything is opened, written or sent, and each file is left
// as it was. Files of their own go ahead.
TEST_F(ZulctlTest, TwoNamesForOneFileAreRefusedBeforeAnythingIsSent) {
  ASSERT_EQ(Zulctl({"set-hint", "kept"}, "2580\n").exitCode, 0);
  const std::string roster = (dir / "roster.csv").string();
  const std::string rosterText = "serial,hint\nB7654321,from the roster\n";
  test::WriteFileBytes(roster, rosterText);
  const std::string linked = (dir / "linked.json").string();
  fs::create_hard_link(scenario, linked);
  const std::string audit = (dir / "audit.jsonl").string();
  const std::string saved = ReadFileBytes(state), scenarioText = ReadFileBytes(scenario);

  struct Case {
    const char* name;
    Args args;
    std::string err;
  };
  std::vector<Case> cases = {
      {"audit over the roster",
       {"--audit", roster, "apply", roster},
       roster + ": is the roster file; the audit goes to a file of its own"},
      {"trace over the roster",
       {"--trace", roster, "apply", roster},
       roster + ": is the roster file; the trace goes to a file of its own"},
      {"trace over the state",
       {"--trace", state, "set-hint", "x"},
       state + ": is the state file; the trace goes to a file of its own"},
      {"audit over the trace, both still to come, spelt ./x and x",
       {"--trace", "./out.txt", "--audit", "out.txt", "set-hint", "x"},
       "out.txt: is the trace file; the audit goes to a file of its own"},
      {"audit over the state",
       {"--audit", (dir / "sub" / ".." / "state.json").string(), "set-hint", "x"},
       "state.json: is the state file; the audit goes to a file of its own"},
      {"trace over a hard link of the scenario",
       {"--trace", linked, "set-hint", "x"},
       linked + ": is the scenario file; the trace goes to a file of its own"},
      {"audit over the password file",
       {"--password-file", roster, "--audit", roster, "set-hint", "x"},
       roster + ": is the password file; the audit goes to a file of its own"},
  };
#if !defined(_WIN32)
  const std::string symlinked = (dir / "symlinked.json").string();
  fs::create_symlink(scenario, symlinked);
  const std::string toAudit = (dir / "to-audit").string();
  fs::create_symlink("audit.jsonl", toAudit);  // the audit file is still to come
  cases.push_back({"trace over a symbolic link to the scenario",
                   {"--trace", symlinked, "set-hint", "x"},
                   symlinked + ": is the scenario file"});
  cases.push_back({"audit through a link to the trace still to come",
                   {"--trace", toAudit, "--audit", audit, "set-hint", "x"},
                   audit + ": is the trace file; the audit goes to a file of its own"});
#endif
  fs::create_directories(dir / "sub");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const test::ProgramRun r = Zulctl(c.args, "2580\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(ReadFileBytes(state), saved);
    EXPECT_EQ(ReadFileBytes(scenario), scenarioText);
    EXPECT_EQ(ReadFileBytes(roster), rosterText);
    EXPECT_FALSE(fs::exists(dir / "out.txt"));
    EXPECT_FALSE(fs::exists(audit));
  }
  EXPECT_EQ(Status().value("hint", ""), "kept");

  // Files of their own: the roster is applied, with its trace and audit line.
  const test::ProgramRun r =
      Zulctl({"--trace", trace, "--audit", audit, "apply", roster}, "2580\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(ReadFileBytes(roster), rosterText);
  EXPECT_EQ(AuditLines(audit).size(), 1u);
  EXPECT_NE(ReadFileBytes(trace).find("\\\\.\\F: "), std::string::npos);
  EXPECT_EQ(Status().value("hint", ""), "from the roster");
}

// Names the ANSI code page cannot hold reach the files intact: each name
// goes from the command line to the file it names and back.
class ForeignNamesTest : public ZulctlTest {
 protected:
  void SetUp() override {
    ZulctlTest::SetUp();
    stem = test::NameOutsideAnsiCodePage();
    ASSERT_FALSE(stem.empty()) << "the ANSI code page holds every candidate name";
    foreignScenario = Named(stem + ".json");
    foreignState = Named(stem + "-state.json");
    foreignTrace = Named(stem + ".trace");
    std::ofstream(platform::PathFromUtf8(foreignScenario), std::ios::binary)
        << CameraScenario(R"("hint": "old hint")");
  }
  std::string Named(const std::string& utf8) {
    return platform::Utf8FromPath(dir / platform::PathFromUtf8(utf8));
  }
  std::string ReadNamed(const std::string& utf8) {
    return ReadFileBytes(platform::PathFromUtf8(utf8));
  }
  // Every file of the test folder but the standard streams' own.
  std::set<std::string> Files() {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
      const std::string name = platform::Utf8FromPath(e.path().filename());
      if (name.rfind("std", 0) != 0) names.insert(name);
    }
    return names;
  }

  std::string stem, foreignScenario, foreignState, foreignTrace;
};

TEST_F(ForeignNamesTest, ScenarioAndTraceFiles) {
  const test::ProgramRun r =
      Run({"--simulate=" + foreignScenario, "--trace", foreignTrace, "status", "--json"});
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(Json::parse(r.out, nullptr, false).value("hint", ""), "old hint");
  EXPECT_NE(ReadNamed(foreignTrace).find("\\\\.\\F: FA 55 66 FE"), std::string::npos);
  EXPECT_EQ(Files(), (std::set<std::string>{"scenario.json", stem + ".json", stem + ".trace"}));

  // A name that cannot be read is named back as it was given.
  const test::ProgramRun missing = Run({"--simulate=" + Named(stem + "-none.json"), "list"});
  EXPECT_EQ(missing.exitCode, 1);
  EXPECT_NE(missing.err.find(stem + "-none.json: cannot be read"), std::string::npos)
      << missing.err;
}

TEST_F(ForeignNamesTest, StateFile) {
  const Args files = {"--simulate=" + foreignScenario, "--state=" + foreignState};
  Args change = files;
  change.insert(change.end(), {"set-hint", "NEW HINT"});
  const test::ProgramRun r = Run(change, "2580\n");
  ASSERT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  Args status = files;
  status.insert(status.end(), {"status", "--json"});
  const test::ProgramRun after = Run(status);
  ASSERT_EQ(after.exitCode, 0) << after.err;
  EXPECT_EQ(Json::parse(after.out, nullptr, false).value("hint", ""), "NEW HINT");
  EXPECT_NE(ReadNamed(foreignState).find("NEW HINT"), std::string::npos);
  // No temporary file left behind; the lock file stays beside the state.
  EXPECT_EQ(Files(), (std::set<std::string>{"scenario.json", stem + ".json", stem + "-state.json",
                                            stem + "-state.json.lock"}));
}

// Runs that share a state file at the same time still meet one camera: each
// run's change is in the file at the end, and a reader polling the file
// meanwhile always finds a whole saved state.

TEST_F(ZulctlTest, RunsAtTheSameTimeLoseNoChange) {
  ASSERT_EQ(Zulctl({"status"}).exitCode, 0);  // the file exists from here on
  struct Change {
    Args args;
    Json effect;
  };
  const Change changes[] = {
      {{"set-hint", "ALL AT ONCE"}, {{"hint", "ALL AT ONCE"}}},
      {{"set-reference", "--officer", "P. ONE"}, {{"officer", "P. ONE"}}},
      {{"set-reference", "--department", "P. TWO"}, {{"department", "P. TWO"}}},
      {{"set-reference", "--additional", "P. THREE"}, {{"additional", "P. THREE"}}},
      {{"set-resolution", "720p"}, {{"resolution", 1}}},
      {{"set-loop", "on"}, {{"loopRecording", 1}}},
  };
  constexpr std::size_t kRuns = std::size(changes);

  std::atomic<bool> done{false};
  int reads = 0;
  std::string unsound;  // the first text the reader could not take
  std::thread reader([&] {
    while (!done) {
      const std::string text = ReadWhileReplaced(state);
      const Json saved = Json::parse(text, nullptr, false);
      if (unsound.empty() &&
          (!saved.is_object() || !saved.contains("scenarioSha256") || !saved.contains("drives"))) {
        unsound = text.empty() ? "(missing or empty)" : text;
      }
      ++reads;
      std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
  });
  std::vector<test::ProgramRun> results(kRuns);
  std::vector<std::thread> runs;
  for (std::size_t i = 0; i < kRuns; ++i) {
    runs.emplace_back([&, i] {
      const fs::path work = dir / ("run" + std::to_string(i));
      fs::create_directories(work);
      Args args = {"--simulate=" + scenario, "--state=" + state};
      args.insert(args.end(), changes[i].args.begin(), changes[i].args.end());
      results[i] = test::RunProgram(ZULCTL_PATH, args, "2580\n", work);
    });
  }
  for (std::thread& t : runs) t.join();
  done = true;
  reader.join();

  Json expected = Status();
  for (std::size_t i = 0; i < kRuns; ++i) {
    SCOPED_TRACE(changes[i].args[0] + " " + changes[i].args[1]);
    EXPECT_EQ(results[i].exitCode, 0) << results[i].err;
    EXPECT_EQ(results[i].err, "");
    Json seen = expected;
    seen.update(changes[i].effect);
    EXPECT_EQ(expected, seen) << "the change is lost";
  }
  EXPECT_GT(reads, 0);
  EXPECT_EQ(unsound, "") << "a reader found the state file broken";
}

}  // namespace
}  // namespace zul::test
