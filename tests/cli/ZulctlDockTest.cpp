// zulctl on a dock of cameras: --all, a roster given to apply, and watch.

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <iomanip>
#include <map>
#include <memory>

#include "tests/cli/ZulctlFixture.h"
#include "tests/support/PrivateFile.h"

namespace zul::test {
namespace {

class ZulctlAllTest : public ZulctlTest {
 protected:
  // extra holds more keys of a camera, by its index.
  void Dock(int cameras, const std::map<int, std::string>& extra = {}) {
    std::string drives;
    for (int i = 0; i < cameras; ++i) {
      drives += R"({"letter": ")" + Letter(i) + R"(", "type": "camera", "password": "2580", )" +
                R"("serial": ")" + Serial(i) + "\"" + (extra.count(i) ? ", " + extra.at(i) : "") +
                "}, ";
    }
    UseScenario(R"({"drives": [)" + drives + R"({"letter": ")" + Letter(cameras) +
                R"(", "type": "disk"}]})");
    fs::remove(state);
  }
  Json Saved(int index) { return SavedCamera(Letter(index)); }
};

TEST_F(ZulctlAllTest, EveryCameraOfADockIsChangedAndReadBack) {
  struct Change {
    Args args;
    std::string said;
    Json effect;  // what the next readout shows differently
  };
  const Change changes[] = {
      {{"set-resolution", "720p"},
       "Change video resolution to 720P.",
       {{"resolution", 1}, {"loggedIn", true}}},
      {{"set-loop", "on"}, "Loop recording on!", {{"loopRecording", 1}}},
      {{"set-hint", "DOCK HINT"}, "You've updated your hint!", {{"hint", "DOCK HINT"}}},
      {{"set-reference", "--officer", "P. DOCK", "--additional", "BAY 3"},
       "You've updated your reference data!",
       {{"officer", "P. DOCK"}, {"additional", "BAY 3"}}},
      {{"set-time"}, "Time sync completed!", Json::object()},
  };
  for (const int cameras : {1, 2, 16}) {
    SCOPED_TRACE(std::to_string(cameras) + " cameras");
    Dock(cameras);
    std::vector<Json> expected;
    for (int i = 0; i < cameras; ++i) {
      expected.push_back({{"devicePath", "\\\\.\\" + Letter(i) + ":"},
                          {"drive", Letter(i) + ":"},
                          {"firmware", "V1.6.20241201"},
                          {"serialNumber", Serial(i)},
                          {"officer", ""},
                          {"department", ""},
                          {"additional", ""},
                          {"hint", ""},
                          {"resolution", 0},
                          {"loopRecording", 0},
                          {"query0D", 0},
                          {"loggedIn", false},
                          {"administrator", false}});
    }
    for (const Change& c : changes) {
      SCOPED_TRACE(c.args[0]);
      Args args = c.args;
      args.insert(args.begin(), "--all");
      const std::time_t before = std::time(nullptr);
      const test::ProgramRun r = Zulctl(args, "2580\n");  // one password for every camera
      const std::time_t after = std::time(nullptr);
      EXPECT_EQ(r.exitCode, 0) << r.err;
      std::string lines;
      for (int i = 0; i < cameras; ++i) {
        lines += Letter(i) + ":\t" + Serial(i) + "\tdone\t" + c.said + "\n";
      }
      EXPECT_EQ(r.out, lines);
      EXPECT_EQ(r.err, "");

      const test::ProgramRun status = Zulctl({"--all", "status", "--json"});
      EXPECT_EQ(status.exitCode, 0) << status.err;
      const Json seen = Json::parse(status.out, nullptr, false);
      ASSERT_TRUE(seen.is_array()) << status.out;
      ASSERT_EQ(seen.size(), static_cast<std::size_t>(cameras));
      for (int i = 0; i < cameras; ++i) {
        SCOPED_TRACE(Letter(i));
        expected[i].update(c.effect);
        EXPECT_EQ(seen[i].value("drive", ""), Letter(i) + ":");
        EXPECT_EQ(seen[i].value("serialNumber", ""), Serial(i));
        EXPECT_EQ(seen[i].value("outcome", ""), "done");
        EXPECT_EQ(seen[i].value("exitStatus", -1), 0);
        EXPECT_EQ(seen[i]["status"], expected[i]);
        if (c.args[0] == "set-time") {
          const std::time_t set = CameraClock(Saved(i));
          EXPECT_GE(set, before - 1);
          EXPECT_LE(set, after + 1);
        }
      }
    }
    // The readout as lines: the drive and serial number in columns, the rest on one line.
    const test::ProgramRun text = Zulctl({"--all", "status"});
    EXPECT_EQ(text.exitCode, 0) << text.err;
    std::istringstream lines(text.out);
    std::string line;
    for (int i = 0; i < cameras; ++i) {
      ASSERT_TRUE(std::getline(lines, line));
      EXPECT_EQ(line, Letter(i) + ":\t" + Serial(i) +
                          "\tdone\tFirmware: V1.6.20241201; Officer: P. DOCK; Department: ; "
                          "Additional: BAY 3; Password hint: DOCK HINT; Resolution: 720P 30FPS; "
                          "Loop recording: Yes; Query 0D: 0; Logged in: yes; Administrator: no");
    }
    EXPECT_FALSE(std::getline(lines, line)) << line;
  }
}

TEST_F(ZulctlAllTest, CamerasNotDoneAreReportedAndTheOthersDone) {
  const std::string refused = "refused\tWrong password!  You have 5 chances remaining.";
  struct Case {
    const char* name;
    int cameras;
    std::map<int, std::string> extra;  // camera keys, by index
    Args args;                         // after --all
    int exitCode;
    std::vector<std::string> lines;  // after drive and serial number, by camera
    std::map<int, Json> saved;       // what the state file keeps afterwards, by camera
  };
  // At each camera: 1 INQUIRY, 2 identification, 3 serial number, 4 and 5 the
  // login, then the command's own requests.
  const Case cases[] = {
      {"one camera refuses the password",
       3,
       {{1, R"("password": "1111")"}},
       {"set-hint", "X"},
       6,
       {"done\tYou've updated your hint!", refused, "done\tYou've updated your hint!"},
       {{0, {{"hint", "X"}}},
        {1, {{"hint", ""}, {"wrongAttempts", 1}}},  // tried once, never again
        {2, {{"hint", "X"}}}}},
      {"a camera locks",
       2,
       {{0, R"("wrongAttempts": 6)"}},
       {"set-loop", "on"},
       6,
       {"locked\tWrong password!  Please contact Marlowen + 1-800-555-0134",
        "done\tLoop recording on!"},
       {{0, {{"loopRecording", 0}, {"wrongAttempts", 6}}}, {1, {{"loopRecording", 1}}}}},
      {"a camera unplugged midway",
       3,
       {{1, R"("failFrom": 6)"}},
       {"set-reference", "--officer", "A", "--department", "B"},
       6,
       {"done\tYou've updated your reference data!", "unplugged\tThe camera was unplugged.",
        "done\tYou've updated your reference data!"},
       {{0, {{"officer", "A"}, {"department", "B"}}},
        {1, {{"officer", ""}, {"unplugged", true}}},
        {2, {{"officer", "A"}, {"department", "B"}}}}},
      {"a camera unplugged during the readout",
       2,
       {{1, R"("failFrom": 8)"}},
       {"status"},
       6,
       {"done\tFirmware: V1.6.20241201; Officer: ; Department: ; Additional: ; Password hint: ; "
        "Resolution: 1080P 30FPS; Loop recording: No; Query 0D: 0; Logged in: no; "
        "Administrator: no",
        "unplugged\tThe camera was unplugged."},
       {}},
      {"a camera does not answer",
       2,
       {{0, R"("failRequests": [6])"}},
       {"set-resolution", "720p"},
       6,
       {std::string("no answer\t") + kNoAnswerLine, "done\tChange video resolution to 720P."},
       {{0, {{"resolution", 0}, {"wrongAttempts", 0}}}, {1, {{"resolution", 1}}}}},
      {"no camera is done",
       2,
       {{0, R"("password": "1111")"}, {1, R"("failRequests": [4])"}},
       {"set-time"},
       6,
       {refused, std::string("no answer\t") + kNoAnswerLine},
       {{1, {{"wrongAttempts", 0}}}}},  // no check after a failed password chunk
      {"the only camera refuses",
       1,
       {{0, R"("password": "1111")"}},
       {"set-hint", "X"},
       4,
       {refused},
       {}},
      {"the only camera unplugged",
       1,
       {{0, R"("failFrom": 6)"}},
       {"set-loop", "on"},
       3,
       {"unplugged\tThe camera was unplugged."},
       {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Dock(c.cameras, c.extra);
    Args args = c.args;
    args.insert(args.begin(), "--all");
    const test::ProgramRun r = Zulctl(args, "2580\n");
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    std::string lines;
    for (int i = 0; i < c.cameras; ++i) {
      lines += Letter(i) + ":\t" + Serial(i) + "\t" + c.lines[i] + "\n";
    }
    EXPECT_EQ(r.out, lines);
    EXPECT_EQ(r.err, "");
    for (const auto& [index, keys] : c.saved) {
      SCOPED_TRACE(Letter(index));
      const Json camera = Saved(index);
      for (const auto& [key, value] : keys.items())
        EXPECT_EQ(camera.value(key, Json()), value) << key;
    }
  }
}

TEST_F(ZulctlAllTest, JsonGivesOneObjectPerCamera) {
  // F: answers the scan, then not the serial number's request.
  Dock(3, {{1, R"("password": "1111")"}, {2, R"("failRequests": [3])"}});
  const test::ProgramRun r = Zulctl({"--all", "set-loop", "on", "--json"}, "2580\n");
  EXPECT_EQ(r.exitCode, 6) << r.err;
  const Json expected = {{{"drive", "D:"},
                          {"devicePath", "\\\\.\\D:"},
                          {"serialNumber", Serial(0)},
                          {"outcome", "done"},
                          {"exitStatus", 0},
                          {"message", "Loop recording on!"}},
                         {{"drive", "E:"},
                          {"devicePath", "\\\\.\\E:"},
                          {"serialNumber", Serial(1)},
                          {"outcome", "refused"},
                          {"exitStatus", 4},
                          {"message", "Wrong password!  You have 5 chances remaining."}},
                         {{"drive", "F:"},
                          {"devicePath", "\\\\.\\F:"},
                          {"serialNumber", nullptr},
                          {"outcome", "no answer"},
                          {"exitStatus", 3},
                          {"message", kNoAnswerLine}}};
  EXPECT_EQ(Json::parse(r.out, nullptr, false), expected) << r.out;
}

TEST_F(ZulctlAllTest, RefusedBeforeAnythingIsSent) {
  struct Case {
    const char* name;
    int cameras;
    Args args;
    std::string input;
    int exitCode;
    std::string err;  // a part of the error output
  };
  const Case cases[] = {
      {"no camera", 0, {"--all", "set-time"}, "2580\n", 2, "Device not connected.\n"},
      {"with --drive", 2, {"--all", "--drive", "D", "status"}, "", 1, "--drive excludes --all"},
      {"after --drive", 2, {"--drive", "D", "--all", "status"}, "", 1, "--drive excludes --all"},
      {"with set-password", 2, {"--all", "set-password"}, "2580\n1111\n", 1, "--all works with"},
      {"with login", 2, {"--all", "login"}, "2580\n", 1, "--all works with"},
      {"json without --all", 2, {"set-hint", "X", "--json"}, "2580\n", 1, "--json goes with"},
      {"no password", 2, {"--all", "set-hint", "X"}, "", 1, "No password on standard input"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Dock(c.cameras);
    const test::ProgramRun r = Zulctl(c.args, c.input);
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    if (c.exitCode == 1) {
      EXPECT_FALSE(fs::exists(state)) << "a refused command reached the drives";
    }
  }
}

TEST_F(ZulctlTest, ApplyBringsTheDockInLineWithARoster) {
  UseScenario(DockScenario());
  const std::string roster = (dir / "roster.csv").string();
  std::ofstream(roster, std::ios::binary) << kDockRoster;
  const std::string notInRoster = "H:\tA0000003\tnot in roster\n";
  const std::string notDocked = "-\tZ0000009\tnot docked\trow 4\n";
  const std::string writeChunk = "FA 55 66 FE 06 00 00 25 ";
  const std::string readChunk = "FA 55 66 FE 60 00 00 24 ";

  // A dry run reads every camera and changes none: no password, no login, no
  // text written.
  test::ProgramRun r = Zulctl({"--trace=" + trace, "apply", "--dry-run", roster});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out,
            "F:\tA0000001\twould change\tofficer \"OLD NAME\" -> \"OKAFOR, J.\"; "
            "hint \"old hint\" -> \"the \"middle\" column\"\n"
            "G:\tA0000002\tunchanged\n" +
                notInRoster + notDocked);
  std::string wire = ReadFileBytes(trace);
  EXPECT_NE(wire.find(readChunk), std::string::npos) << wire;
  EXPECT_EQ(wire.find(writeChunk), std::string::npos) << wire;
  for (const char* letter : {"F", "G", "H"}) {
    SCOPED_TRACE(letter);
    const Json camera = SavedCamera(letter);
    EXPECT_FALSE(camera.value("loggedIn", true));
    EXPECT_EQ(camera.value("wrongAttempts", -1), 0);
  }
  EXPECT_EQ(SavedCamera("F").value("officer", ""), "OLD NAME");

  // Only the texts that differ are written, on the camera that needs them.
  r = Zulctl({"--trace=" + trace, "apply", roster}, "2580\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(r.out, "F:\tA0000001\tchanged\tofficer, hint\nG:\tA0000002\tunchanged\n" + notInRoster +
                       notDocked);
  wire = ReadFileBytes(trace);
  EXPECT_EQ(wire.find("\\\\.\\G: " + writeChunk), std::string::npos) << wire;
  EXPECT_EQ(wire.find("\\\\.\\F: " + writeChunk + "01"), std::string::npos)
      << "the department, already in line, was written:\n"
      << wire;
  Json f = Status({"--drive", "F"});
  EXPECT_EQ(f.value("officer", ""), "OKAFOR, J.");
  EXPECT_EQ(f.value("department", ""), "HARBOUR UNIT");
  EXPECT_EQ(f.value("hint", ""), "the \"middle\" column");
  EXPECT_EQ(Status({"--drive", "G"}).value("officer", ""), "P. SMITH");
  EXPECT_FALSE(SavedCamera("H").value("loggedIn", true));  // never logged in to

  // Once in line, a second run finds nothing to do.
  r = Zulctl({"apply", roster}, "2580\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "F:\tA0000001\tunchanged\nG:\tA0000002\tunchanged\n" + notInRoster + notDocked);
}

TEST_F(ZulctlTest, ApplyGoesOnPastACameraItCannotChange) {
  const std::string roster = (dir / "roster.json").string();
  const std::string over40(41, 'x');
  struct Case {
    const char* name;
    std::string fExtra;  // more keys for the camera at F:
    std::string roster;  // JSON
    int exitCode;
    std::string err;  // the whole error output
    std::string out;  // the whole output
  };
  const std::string gChanged = "G:\tA0000002\tchanged\tdepartment\n";
  const std::string hChanged = "H:\tA0000003\tchanged\tofficer\n";
  const std::string all = R"([{"serial": "A0000001", "hint": "new"},
      {"serial": "A0000002", "department": "NEW"}, {"serial": "A0000003", "officer": "NEW"}])";
  const Case cases[] = {
      // H: takes another password: it alone is refused, and costs one attempt.
      {"password refused by one camera", "", all, 6,
       "H:\tA0000003\tfailed\tWrong password!  You have 5 chances remaining.\n",
       "F:\tA0000001\tchanged\thint\n" + gChanged},
      {"a text too long for one camera", "",
       R"([{"serial": "A0000001", "hint": ")" + over40 + R"("},
           {"serial": "A0000002", "department": "NEW"}])",
       6, "F:\tA0000001\trefused\tentry 1: hint holds 41 characters; the camera keeps at most 40\n",
       gChanged + "H:\tA0000003\tnot in roster\n"},
      {"a character outside the camera's code page", "",
       R"([{"serial": "A0000002", "department": "NEW"},
           {"serial": "A0000001", "officer": "\u20ac"}])",
       6,
       "F:\tA0000001\trefused\tentry 2: officer holds \"\xE2\x82\xAC\" (U+20AC), which the "
       "camera cannot keep (it keeps Latin-1 only)\n",
       gChanged + "H:\tA0000003\tnot in roster\n"},
      // Requests at F: 1-2 the scan; the readout: 3-6, the texts in 2, 3, 1
      // and 2 chunks (7-14), 15-19; 20-21 the login; 22 the hint's chunk.
      {"pulled out while written", R"(, "failFrom": 22)",
       R"([{"serial": "A0000001", "hint": "new"}, {"serial": "A0000002", "department": "NEW"}])", 6,
       std::string("F:\tA0000001\tfailed\t") + kNoAnswer,
       gChanged + "H:\tA0000003\tnot in roster\n"},
      // A camera that cannot be read may be the roster's: it is not called undocked.
      {"the readout fails", R"(, "failRequests": [3])",
       R"([{"serial": "A0000002", "department": "NEW"}, {"serial": "B0000001"}])", 6,
       std::string("F:\t-\tfailed\t") + kNoAnswer,
       gChanged + "H:\tA0000003\tnot in roster\n-\tB0000001\tnot docked or not read\tentry 2\n"},
      // The only camera of the roster docked: its own status.
      {"the one camera refuses", "", R"([{"serial": "A0000003", "officer": "NEW"}])", 4,
       "H:\tA0000003\tfailed\tWrong password!  You have 5 chances remaining.\n",
       "F:\tA0000001\tnot in roster\nG:\tA0000002\tnot in roster\n"},
      {"the one camera locked", R"(, "wrongAttempts": 6)",
       R"([{"serial": "A0000001", "hint": "new"}])", 5,
       "F:\tA0000001\tfailed\tWrong password!  Please contact Marlowen"
       "                       + 1-800-555-0134\n",
       "G:\tA0000002\tnot in roster\nH:\tA0000003\tnot in roster\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    UseScenario(DockScenario(c.fExtra));
    fs::remove(state);
    std::ofstream(roster, std::ios::binary) << c.roster;
    const test::ProgramRun r = Zulctl({"apply", roster}, "2580\n");
    EXPECT_EQ(r.exitCode, c.exitCode);
    EXPECT_EQ(r.err, c.err);
    EXPECT_EQ(r.out, c.out);
  }
  // The last case's camera kept its text; the others' changes are read back.
  EXPECT_EQ(SavedCamera("F").value("hint", ""), "old hint");
  UseScenario(DockScenario());
  fs::remove(state);
  std::ofstream(roster, std::ios::binary) << all;
  ASSERT_EQ(Zulctl({"apply", roster}, "2580\n").exitCode, 6);
  EXPECT_EQ(Status({"--drive", "F"}).value("hint", ""), "new");
  EXPECT_EQ(Status({"--drive", "G"}).value("department", ""), "NEW");
  EXPECT_EQ(Status({"--drive", "H"}).value("officer", ""), "");
  EXPECT_EQ(SavedCamera("H").value("wrongAttempts", 0), 1);
}

TEST_F(ZulctlTest, ApplyRefusesARosterItCannotUseBeforeTouchingACamera) {
  UseScenario(DockScenario());
  const std::string roster = (dir / "roster.csv").string();
  struct Case {
    const char* name;
    std::string text;  // the roster; empty: no file
    Args args;         // before the roster's name
    std::string err;
  };
  const Case cases[] = {
      {"no file", "", {"apply"}, "roster.csv: cannot be read"},
      {"unknown column",
       "serial,rank\r\nA0000001,x\r\n",
       {"apply"},
       "roster.csv: unknown column \"rank\""},
      {"serial twice",
       "serial,hint\nA0000001,a\nA0000001,b\n",
       {"apply"},
       "roster.csv: serial number \"A0000001\" is in row 2 and row 3"},
      {"trace over the roster",
       "serial\nA0000001\n",
       {"--trace", roster, "apply"},
       roster + ": is the roster file"},
      {"one drive only",
       "serial\nA0000001\n",
       {"--drive", "F", "apply"},
       "--drive does not go with it"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    fs::remove(roster);
    if (!c.text.empty()) std::ofstream(roster, std::ios::binary) << c.text;
    Args args = c.args;
    args.push_back(roster);
    const test::ProgramRun r = Zulctl(args, "2580\n");
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.out, "");
    EXPECT_FALSE(fs::exists(state)) << "a refused roster reached the drives";
    if (!c.text.empty()) {
      EXPECT_EQ(ReadFileBytes(roster), c.text);
    }
  }
}

// zulctl watch in one process, cameras plugged in and pulled out by other
// zulctl runs sharing its state file.
class ZulctlWatchTest : public ZulctlAllTest {
 protected:
  // zulctl --simulate=SCENARIO --state=STATE watch args..., the password
  // given and the input ended at once: the watch goes on all the same.
  std::unique_ptr<test::RunningProgram> Watch(Args args) {
    args.insert(args.begin(), {"--simulate=" + scenario, "--state=" + state, "watch"});
    auto w = std::make_unique<test::RunningProgram>(ZULCTL_PATH, args, dir, "watch");
    w->Write("2580\n");
    w->CloseInput();
    EXPECT_TRUE(w->WaitFor("Watching for cameras", 1, true)) << "the watch did not start";
    return w;
  }
  // plug or unplug the drive at letter, then wait for the watch to say what.
  void Change(test::RunningProgram& w, const std::string& change, const std::string& letter,
              const std::string& line) {
    const test::ProgramRun r = Zulctl({change, letter});
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_EQ(r.out, letter + (change == "plug" ? ": plugged in.\n" : ": pulled out.\n"));
    EXPECT_TRUE(w.WaitFor(line)) << "no line " << line;
  }
  // How a watch that Stop stopped ended: its lines, then the summary line,
  // and its status. On Windows Stop ends it at once (Spawn.h): its lines
  // only.
  static void ExpectStopped(const test::ProgramRun& r, const std::string& lines,
                            [[maybe_unused]] const std::string& summary,
                            [[maybe_unused]] int exitCode) {
#if defined(_WIN32)
    EXPECT_EQ(r.exitCode, test::RunningProgram::kStoppedAtOnce);
    EXPECT_EQ(Untimed(r.out), lines);
#else
    EXPECT_EQ(r.exitCode, exitCode) << r.err;
    EXPECT_EQ(Untimed(r.out), lines + summary);
#endif
  }
  // The lines of a watch without their time, which is checked for its form.
  static std::string Untimed(const std::string& out) {
    std::istringstream lines(out);
    std::string line, untimed;
    while (std::getline(lines, line)) {
      const std::size_t tab = line.find('\t');
      if (tab != std::string::npos) {
        std::tm t{};
        std::istringstream time(line.substr(0, tab));
        time >> std::get_time(&t, "%Y-%m-%d %H:%M:%S");
        EXPECT_TRUE(!time.fail() && tab == 19) << line;
        line = line.substr(tab + 1);
      }
      untimed += line + "\n";
    }
    return untimed;
  }
};

TEST_F(ZulctlWatchTest, ArrivalsAndRemovalsInOrderWithTheClockSetOnEachCamera) {
  // D: docked from the start, E: and F: out until plugged in.
  Dock(3, {{1, R"("unplugged": true)"}, {2, R"("unplugged": true)"}});
  const std::time_t before = std::time(nullptr);
  auto w = Watch({"set-time"});
  Change(*w, "plug", "E", "E:\tCAM0000E\tdone");
  Change(*w, "unplug", "D", "D:\tCAM0000D\tremoved");
  Change(*w, "plug", "F", "F:\tCAM0000F\tdone");
  Change(*w, "plug", "D", "D:\tCAM0000D\tarrived");  // back in: handled again
  EXPECT_TRUE(w->WaitFor("D:\tCAM0000D\tdone", 2));
  w->Stop(SIGTERM);  // as a service manager stops it
  const test::ProgramRun r = w->Finish();
  const std::time_t after = std::time(nullptr);
  const std::string done = "done\tTime sync completed!\n";
  ExpectStopped(r,
                "D:\tCAM0000D\tdocked\nD:\tCAM0000D\t" + done +
                    "E:\tCAM0000E\tarrived\nE:\tCAM0000E\t" + done +
                    "D:\tCAM0000D\tremoved\nF:\tCAM0000F\tarrived\nF:\tCAM0000F\t" + done +
                    "D:\tCAM0000D\tarrived\nD:\tCAM0000D\t" + done,
                "Cameras handled: 4, done on 4\n", 0);
  for (int i = 0; i < 3; ++i) {
    SCOPED_TRACE(Letter(i));
    const std::time_t set = CameraClock(Saved(i));
    EXPECT_GE(set, before - 1);
    EXPECT_LE(set, after + 1);
  }
}

TEST_F(ZulctlWatchTest, ACameraThatRefusedThePasswordIsNotTriedAgainWhenItComesBack) {
  Dock(2, {{1, R"("password": "1111")"}});
  auto w = Watch({"set-hint", "BAY 7"});
  Change(*w, "unplug", "E", "E:\tCAM0000E\tremoved");
  Change(*w, "plug", "E", "E:\tCAM0000E\tskipped");
  w->Stop(SIGINT);  // Ctrl-C
  const test::ProgramRun r = w->Finish();
  ExpectStopped(r,
                "D:\tCAM0000D\tdocked\nD:\tCAM0000D\tdone\tYou've updated your hint!\n"
                "E:\tCAM0000E\tdocked\n"
                "E:\tCAM0000E\trefused\tWrong password!  You have 5 chances remaining.\n"
                "E:\tCAM0000E\tremoved\nE:\tCAM0000E\tarrived\n"
                "E:\tCAM0000E\tskipped\tIt refused the password before; not tried again.\n",
                "Cameras handled: 3, done on 1\n", 6);
  EXPECT_EQ(Saved(0).value("hint", ""), "BAY 7");
  EXPECT_EQ(Saved(1).value("wrongAttempts", -1), 1);  // tried once only
  EXPECT_EQ(Saved(1).value("hint", "?"), "");
}

// As the README's service runs it: no terminal, no input, the password from
// a file of its owner's, stopped by the service manager's SIGTERM.
TEST_F(ZulctlWatchTest, AServiceWithoutATerminalKeepsWatchingUntilStopped) {
  Dock(2, {{1, R"("unplugged": true)"}});
  const fs::path password = dir / "password";
  test::WriteFileWithAccess(password, "2580\n", false);
  test::RunningProgram w(ZULCTL_PATH,
                         {"--password-file", password.string(), "--simulate=" + scenario,
                          "--state=" + state, "watch", "set-time"},
                         dir, "service", test::RunningProgram::Start::Alone);
  ASSERT_TRUE(w.WaitFor("Watching for cameras", 1, true)) << "the watch did not start";
  ASSERT_TRUE(w.WaitFor("D:\tCAM0000D\tdone"));
  std::this_thread::sleep_for(std::chrono::milliseconds(500));  // several waits with no input
  Change(w, "plug", "E", "E:\tCAM0000E\tdone");
  w.Stop(SIGTERM);
  const test::ProgramRun r = w.Finish();
  EXPECT_EQ(r.err, "Watching for cameras; Ctrl-C stops.\n");
  ExpectStopped(r,
                "D:\tCAM0000D\tdocked\nD:\tCAM0000D\tdone\tTime sync completed!\n"
                "E:\tCAM0000E\tarrived\nE:\tCAM0000E\tdone\tTime sync completed!\n",
                "Cameras handled: 2, done on 2\n", 0);
}

TEST_F(ZulctlWatchTest, PlugAndUnplugAskForASharedStateAndADrive) {
  Dock(1);
  const struct {
    Args args;
    int exitCode;
    std::string out, err;
  } cases[] = {
      {{"unplug", "E"}, 0, "E: pulled out.\n", ""},
      {{"unplug", "e:"}, 0, "E: is out already.\n", ""},
      {{"plug", "E"}, 0, "E: plugged in.\n", ""},
      {{"plug", "E"}, 0, "E: is plugged in already.\n", ""},
      {{"plug", "Q"}, 2, "", "Q: holds no simulated drive.\n"},
  };
  for (const auto& c : cases) {
    const test::ProgramRun r = Zulctl(c.args);
    EXPECT_EQ(r.exitCode, c.exitCode) << c.args[0] << " " << c.args[1];
    EXPECT_EQ(r.out, c.out);
    EXPECT_EQ(r.err, c.err);
  }
  // Without a state file there is nothing to share the change with.
  const test::ProgramRun alone = Run({"--simulate=" + scenario, "plug", "E"});
  EXPECT_EQ(alone.exitCode, 1);
  EXPECT_NE(alone.err.find("give --simulate and --state"), std::string::npos) << alone.err;
}

}  // namespace
}  // namespace zul::test
