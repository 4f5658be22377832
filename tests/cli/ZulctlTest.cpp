// zulctl as the operator and scripts meet it: the built program run against
// simulated cameras, each run a process of its own, with runs sharing a state
// file meeting one camera that stays plugged in.

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <set>
#include <sstream>
#include <thread>

#include "FilePath.h"
#include "Spawn.h"
#include "ZulVersion.h"
#include "support/Files.h"
#include "support/ForeignName.h"
#include "support/Hex.h"
#include "support/PrivateFile.h"
#include "support/win32/Console.h"
#include "support/win32/FileNames.h"

#if !defined(_WIN32)
#include <signal.h>
#include <sys/resource.h>
#endif

namespace zul {
namespace {

namespace fs = std::filesystem;
using test::ReadFileBytes;
using Json = nlohmann::json;
using Args = std::vector<std::string>;

constexpr char kLockedOut[] =
    "Wrong password!  Please contact Marlowen\n"
    "                       + 1-800-555-0134\n";
constexpr char kNoAnswerLine[] =
    "The camera did not answer. Please check the USB connection and try again.";
const std::string kNoAnswer = std::string(kNoAnswerLine) + "\n";

// A disk at D: and a camera at F: with user password 2580 and administrator
// password 13579; extra holds more camera keys.
std::string CameraScenario(const std::string& extra = "") {
  return R"({"drives": [{"letter": "D", "type": "disk"},
    {"letter": "F", "type": "camera", "password": "2580", "adminPassword": "13579",
     "serial": "B7654321")" +
         (extra.empty() ? "" : ", " + extra) + "}]}";
}

// Where the camera's clock was set, as the PC's time_t.
std::time_t CameraClock(const Json& camera) {
  std::tm set{};
  set.tm_year = camera["date"][0].get<int>() + 100;  // the camera keeps year - 2000
  set.tm_mon = camera["date"][1].get<int>() - 1;
  set.tm_mday = camera["date"][2].get<int>();
  set.tm_hour = camera["time"][0].get<int>();
  set.tm_min = camera["time"][1].get<int>();
  set.tm_sec = camera["time"][2].get<int>();
  set.tm_isdst = -1;
  return std::mktime(&set);
}

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

class ZulctlTest : public ::testing::Test {
 protected:
  const test::ScratchDir scratch_{"zulctl-"};
  const fs::path dir = scratch_.path();
  std::string scenario, state, trace;

  void SetUp() override {
    scenario = (dir / "scenario.json").string();
    state = (dir / "state.json").string();
    trace = (dir / "trace.txt").string();
    UseScenario(CameraScenario());
  }

  void UseScenario(const std::string& json) { test::WriteFileBytes(scenario, json); }

  // zulctl with exactly these arguments.
  test::ProgramRun Run(const Args& args, const std::string& input = "") {
    return test::RunProgram(ZULCTL_PATH, args, input, dir);
  }
  // zulctl --simulate=SCENARIO --state=STATE args...
  test::ProgramRun Zulctl(Args args, const std::string& input = "") {
    args.insert(args.begin(), {"--simulate=" + scenario, "--state=" + state});
    return Run(args, input);
  }
  Json Status(Args extra = {}) {
    extra.insert(extra.end(), {"status", "--json"});
    const test::ProgramRun r = Zulctl(extra);
    EXPECT_EQ(r.exitCode, 0) << r.err;
    return Json::parse(r.out, nullptr, false);
  }
  // The simulated camera at letter as the state file keeps it.
  Json SavedCamera(const std::string& letter = "F") {
    const Json saved = Json::parse(ReadFileBytes(state), nullptr, false);
    for (const Json& d : saved.value("drives", Json::array())) {
      if (d.value("letter", "") == letter) return d;
    }
    ADD_FAILURE() << "no drive " << letter << " in the state file";
    return Json::object();
  }
};

TEST_F(ZulctlTest, EachChangeIsReadBackInALaterRun) {
  UseScenario(CameraScenario(R"("officer": "J. OKAFOR", "department": "HARBOUR UNIT",
      "hint": "middle column", "resolution": 1, "loopRecording": 1, "query0D": 4)"));
  const std::string scenarioText = ReadFileBytes(scenario);
  Json expected = {{"devicePath", "\\\\.\\F:"},
                   {"drive", "F:"},
                   {"firmware", "V1.6.20241201"},
                   {"serialNumber", "B7654321"},
                   {"officer", "J. OKAFOR"},
                   {"department", "HARBOUR UNIT"},
                   {"additional", ""},
                   {"hint", "middle column"},
                   {"resolution", 1},
                   {"loopRecording", 1},
                   {"query0D", 4},
                   {"loggedIn", false},
                   {"administrator", false}};
  ASSERT_EQ(Status(), expected);

  const std::string forty = "forty characters, no more and no less..";
  ASSERT_EQ(forty.size() + 1, 40u);
  struct Change {
    Args args;
    std::string input;
    std::string said;
    Json effect;  // what the next status shows differently
  };
  const Change changes[] = {
      {{"set-resolution", "1080p"},
       "2580\n",
       "Change video resolution to 1080P.\n",
       {{"resolution", 0}, {"loggedIn", true}}},
      {{"set-resolution", "720P"},
       "2580\n",
       "Change video resolution to 720P.\n",
       {{"resolution", 1}}},
      {{"set-loop", "off"}, "2580\n", "Loop recording off!\n", {{"loopRecording", 0}}},
      {{"set-loop", "on"}, "2580\n", "Loop recording on!\n", {{"loopRecording", 1}}},
      {{"set-hint", forty + "!"}, "2580\n", "You've updated your hint!\n", {{"hint", forty + "!"}}},
      {{"set-hint", "five5"}, "2580\n", "You've updated your hint!\n", {{"hint", "five5"}}},
      {{"set-reference", "--officer", "O. NEW"},
       "2580\n",
       "You've updated your reference data!\n",
       {{"officer", "O. NEW"}}},
      {{"set-reference", "--department", "", "--additional", "SHIFT B"},
       "2580\n",
       "You've updated your reference data!\n",
       {{"department", ""}, {"additional", "SHIFT B"}}},
      {{"login"},
       "13579\n",
       "Logged in as administrator.\nStorage opened on F:\n",
       {{"administrator", true}}},
      {{"login"}, "2580\n", "Logged in.\nStorage opened on F:\n", {{"administrator", false}}},
      {{"set-hint", "x"}, "0000\n", "", {{"loggedIn", false}}},  // refused: nothing else changes
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
    const test::ProgramRun r = Zulctl(c.args, c.input);
    EXPECT_EQ(r.out, c.said);
    EXPECT_EQ(r.exitCode, c.said.empty() ? 4 : 0) << r.err;
    expected.update(c.effect);
    EXPECT_EQ(Status(), expected);
  }
  EXPECT_TRUE(SavedCamera().value("diskAccess", false));  // the login opened the storage

  // Without the state file a run starts from the scenario, which no run wrote.
  const test::ProgramRun fresh = Run({"--simulate=" + scenario, "status", "--json"});
  EXPECT_EQ(Json::parse(fresh.out, nullptr, false).value("hint", ""), "middle column");
  EXPECT_EQ(ReadFileBytes(scenario), scenarioText);
}

TEST_F(ZulctlTest, NewPasswordReplacesTheOld) {
  test::ProgramRun r = Zulctl({"set-password"}, "2580\nn3w-pass\n");
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "You've updated your password!\n");
  r = Zulctl({"login"}, "2580\n");
  EXPECT_EQ(r.exitCode, 4);
  EXPECT_EQ(r.err, "Wrong password!  You have 5 chances remaining.\n");
  EXPECT_EQ(Zulctl({"login"}, "n3w-pass\n").exitCode, 0);
}

TEST_F(ZulctlTest, ClockComesFromThePc) {
  const std::time_t before = std::time(nullptr);
  const test::ProgramRun r = Zulctl({"set-time"}, "2580\n");
  const std::time_t after = std::time(nullptr);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Time sync completed!\n");
  const std::time_t t = CameraClock(SavedCamera());
  EXPECT_GE(t, before - 1);
  EXPECT_LE(t, after + 1);
}

// zulctl --all on docks of several cameras: cameras from D: on, password
// 2580, serial CAM0000 and the letter, then a disk.
std::string Letter(int i) {
  return std::string(1, static_cast<char>('D' + i));
}
std::string Serial(int i) {
  return "CAM0000" + Letter(i);
}

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

TEST_F(ZulctlTest, ClockSendsTheDateThenTheTimeAndStopsAtAFailure) {
  // A literal reading of the wire: the set-date code, then set-time.
  const std::string date = "FA 55 66 FE 06 00 00 04 ", time = "FA 55 66 FE 06 00 00 03 ";
  ASSERT_EQ(Zulctl({"--trace=" + trace, "set-time"}, "2580\n").exitCode, 0);
  std::string wire = ReadFileBytes(trace);
  ASSERT_NE(wire.find(date), std::string::npos) << wire;
  EXPECT_LT(wire.find(date), wire.find(time)) << wire;

  // Requests 1 to 4: the scan and the login; 5 is the date.
  UseScenario(CameraScenario(R"("failRequests": [5])"));
  fs::remove(state);
  EXPECT_EQ(Zulctl({"--trace=" + trace, "set-time"}, "2580\n").exitCode, 3);
  wire = ReadFileBytes(trace);
  EXPECT_NE(wire.find(date), std::string::npos) << wire;
  EXPECT_EQ(wire.find(time), std::string::npos) << "a time after a failed date:\n" << wire;
}

TEST_F(ZulctlTest, FailingDrivesAheadOfTheCameraDoNotCount) {
  // The disk's INQUIRY and the impostor's identification fail at the system call.
  UseScenario(R"({"drives": [{"letter": "D", "type": "disk", "failRequests": [1]},
    {"letter": "E", "type": "impostor", "failRequests": [2]},
    {"letter": "F", "type": "camera", "password": "2580"}]})");
  for (const Args& args : {Args{"status"}, Args{"list"}, Args{"set-loop", "on"}}) {
    fs::remove(state);
    const test::ProgramRun r = Zulctl(args, "2580\n");
    EXPECT_EQ(r.exitCode, 0) << args[0] << ": " << r.err;
  }
}

struct ExitCase {
  const char* name;
  std::string scenario;  // the camera scenario's drives
  Args args;             // after --simulate and --state, unless simulated is false
  std::string input;
  int exitCode;
  std::string err;  // a part of the error output
  std::string out;  // the whole output
  bool simulated = true;
};

TEST_F(ZulctlTest, ExitStatuses) {
  const std::string forty1(41, 'x');
  const std::string noTexts = CameraScenario();  // empty texts: one chunk each
  const std::string diskOnly = R"({"drives": [{"letter": "D", "type": "disk"}]})";
  const ExitCase cases[] = {
      {"status",
       noTexts,
       {"status"},
       "",
       0,
       "",
       "Drive:          F: (\\\\.\\F:)\n"
       "Firmware:       V1.6.20241201\n"
       "Serial number:  B7654321\n"
       "Officer:\n"
       "Department:\n"
       "Additional:\n"
       "Password hint:\n"
       "Resolution:     1080P 30FPS\n"
       "Loop recording: No\n"
       "Query 0D:       0\n"
       "Logged in:      no\n"
       "Administrator:  no\n"},
      {"administrator opens a locked camera",
       CameraScenario(R"("wrongAttempts": 6)"),
       {"login"},
       "13579\n",
       0,
       "",
       "Logged in as administrator.\nStorage opened on F:\n"},

      {"version", noTexts, {"--version"}, "", 0, "", "zulctl " ZUL_VERSION_TEXT "\n", false},

      {"no command", noTexts, {}, "", 1, "Usage: zulctl", ""},
      {"unknown command", noTexts, {"reboot"}, "", 1, "not expected: reboot", ""},
      {"resolution not offered", noTexts, {"set-resolution", "480p"}, "2580\n", 1, "480p", ""},
      {"loop neither on nor off", noTexts, {"set-loop", "yes"}, "2580\n", 1, "yes", ""},
      {"hint over 40", noTexts, {"set-hint", forty1}, "2580\n", 1, "holds 41 characters", ""},
      {"reference over 40",
       noTexts,
       {"set-reference", "--officer", "a", "--additional", forty1},
       "2580\n",
       1,
       "holds 41 characters",
       ""},
      {"no reference given", noTexts, {"set-reference"}, "2580\n", 1, "at least one of", ""},
      {"password too short",
       noTexts,
       {"login"},
       "258\n",
       1,
       "Password must longer than 4 characters!\n",
       ""},
      {"password too long",
       noTexts,
       {"set-loop", "on"},
       "25802580258\n",
       1,
       "Password must not be longer than 10 characters!\n",
       ""},
      {"no password", noTexts, {"login"}, "", 1, "No password on standard input", ""},
      {"zero in the password",
       noTexts,
       {"login"},
       std::string("25\0"
                   "80\n",
                   6),
       1,
       "must not hold a zero character",
       ""},
      {"new password too short",
       noTexts,
       {"set-password"},
       "2580\nabc\n",
       1,
       "Password must longer than 4 characters!\n",
       ""},
      {"new password missing",
       noTexts,
       {"set-password"},
       "2580\n",
       1,
       "No password on standard input",
       ""},
      {"drive letter before D",
       noTexts,
       {"--drive", "C", "status"},
       "",
       1,
       "one drive letter from D to Z",
       ""},
      {"state without simulation",
       noTexts,
       {"--state", "x.json", "status"},
       "",
       1,
       "--state requires --simulate",
       "",
       false},

      {"no camera", diskOnly, {"status"}, "", 2, "Device not connected.\n", ""},
      {"no camera to log in to", diskOnly, {"login"}, "2580\n", 2, "Device not connected.\n", ""},
      {"drive is the disk",
       noTexts,
       {"--drive", "D", "status"},
       "",
       2,
       "Device not connected.",
       ""},
      {"drive is empty", noTexts, {"--drive", "q:", "status"}, "", 2, "Device not connected.", ""},
      // The PC's own drives (the sg nodes on USB on Linux): none of them is the camera.
      {"no simulation", noTexts, {"status"}, "", 2, "Device not connected.\n", "", false},

      // Requests at F: 1 INQUIRY, 2 identification, then the command's own.
      {"readout fails", CameraScenario(R"("failRequests": [3])"), {"status"}, "", 3, kNoAnswer, ""},
      // 3-5 firmware, 6 query 28, 7-10 the four texts, 11-14 settings and
      // serial, 15 the login state.
      {"login state fails",
       CameraScenario(R"("failRequests": [15])"),
       {"status"},
       "",
       3,
       kNoAnswer,
       ""},
      {"password check fails",
       CameraScenario(R"("failRequests": [4])"),
       {"login"},
       "2580\n",
       3,
       kNoAnswer,
       ""},
      {"password chunk fails",
       CameraScenario(R"("failRequests": [3])"),
       {"set-loop", "on"},
       "2580\n",
       3,
       kNoAnswer,
       ""},
      {"opening the storage fails",
       CameraScenario(R"("failRequests": [5])"),
       {"login"},
       "2580\n",
       3,
       kNoAnswer,
       ""},
      {"hint write fails",
       CameraScenario(R"("failRequests": [5])"),
       {"set-hint", "x"},
       "2580\n",
       3,
       kNoAnswer,
       ""},
      {"password chunk answered with a check condition",
       CameraScenario(R"("checkRequests": [3])"),
       {"login"},
       "2580\n",
       3,
       kNoAnswer,
       ""},
      {"date fails",
       CameraScenario(R"("failRequests": [5])"),
       {"set-time"},
       "2580\n",
       3,
       kNoAnswer,
       ""},
      {"pulled out midway",
       CameraScenario(R"("failFrom": 6)"),
       {"set-reference", "--officer", "a", "--department", "b", "--additional", "c"},
       "2580\n",
       3,
       kNoAnswer,
       ""},

      {"wrong password",
       noTexts,
       {"login"},
       "0000\n",
       4,
       "Wrong password!  You have 5 chances remaining.\n",
       ""},
      {"fifth wrong attempt",
       CameraScenario(R"("wrongAttempts": 4)"),
       {"login"},
       "0000\n",
       4,
       "Wrong password!  You have 1 chances remaining.\n",
       ""},
      {"wrong password before a change",
       noTexts,
       {"set-resolution", "720p"},
       "2581\n",
       4,
       "Wrong password!",
       ""},

      {"sixth wrong attempt",
       CameraScenario(R"("wrongAttempts": 5)"),
       {"login"},
       "0000\n",
       5,
       kLockedOut,
       ""},
      {"locked to the user password",
       CameraScenario(R"("wrongAttempts": 6)"),
       {"login"},
       "2580\n",
       5,
       kLockedOut,
       ""},
      {"locked before a change",
       CameraScenario(R"("wrongAttempts": 200)"),
       {"set-hint", "x"},
       "2580\n",
       5,
       kLockedOut,
       ""},
  };
  for (const ExitCase& c : cases) {
    SCOPED_TRACE(c.name);
    UseScenario(c.scenario);
    fs::remove(state);
    const test::ProgramRun r = c.simulated ? Zulctl(c.args, c.input) : Run(c.args, c.input);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.out, c.out);
    if (c.exitCode == 1) {
      EXPECT_FALSE(fs::exists(state)) << "a refused command reached the drives";
    }
    if (c.exitCode == 2 || c.exitCode == 3) {
      EXPECT_EQ(r.err.find("Wrong password"), std::string::npos) << r.err;
      // A password that did not arrive whole costs the operator no attempt.
      if (c.exitCode == 3) {
        EXPECT_EQ(SavedCamera().value("wrongAttempts", 0), 0);
      }
    }
  }
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

TEST_F(ZulctlTest, ListFindsEveryCameraAndOnlyCameras) {
  const auto scenarioWith = [](const std::string& gExtra) {
    return R"({"drives": [
      {"letter": "D", "type": "disk"},
      {"letter": "E", "type": "impostor"},
      {"letter": "F", "type": "unopenable"},
      {"letter": "G", "type": "camera", "answer": "RIZ", "password": "1111",
       "firmware": ["V1.6", ".2023", "0815"], "serial": "B7654321")" +
           gExtra + R"(},
      {"letter": "K", "type": "camera", "password": "2222", "serial": "C0000042"}]})";
  };
  UseScenario(scenarioWith(""));
  test::ProgramRun r = Zulctl({"list"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "G:\tB7654321\tV1.6.20230815\nK:\tC0000042\tV1.6.20241201\n");

  r = Zulctl({"--drive", "K", "list"});
  EXPECT_EQ(r.out, "K:\tC0000042\tV1.6.20241201\n");
  EXPECT_EQ(Zulctl({"--drive", "E", "list"}).exitCode, 2);

  // The first camera, or the one named.
  EXPECT_EQ(Status().value("serialNumber", ""), "B7654321");
  const Json k = Status({"--drive", "k"});
  EXPECT_EQ(k.value("serialNumber", ""), "C0000042");
  EXPECT_EQ(k.value("devicePath", ""), "\\\\.\\K:");
  r = Zulctl({"--drive", "K", "login"}, "2222\n");
  EXPECT_EQ(r.out, "Logged in.\nStorage opened on K:\n");
  EXPECT_TRUE(SavedCamera("K").value("loggedIn", false));
  EXPECT_FALSE(SavedCamera("G").value("loggedIn", true));

  // A camera that does not answer is reported; the others are still listed.
  fs::remove(state);
  UseScenario(scenarioWith(R"(, "failRequests": [5])"));
  r = Zulctl({"list"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.out, "K:\tC0000042\tV1.6.20241201\n");
  EXPECT_EQ(r.err, std::string("G: ") + kNoAnswer);
}

// The camera's 8-bit texts (Latin-1) come out as UTF-8 where the output goes
// to a file or a pipe, the same as in JSON; controls, C1 among them, escaped.
TEST_F(ZulctlTest, CameraTextsCannotActOnTheTerminalAndComeOutAsUtf8) {
  // 0x9B is the control sequence introducer of 8-bit terminals: "\x9B2J" clears one.
  UseScenario(CameraScenario(
      R"("hint": "a\u001b[2Jb", "officer": "Caf\u00e9", "department": "x\u009b2J\u0085y")"));
  const test::ProgramRun r = Zulctl({"status"});
  EXPECT_NE(r.out.find("Password hint:  a\\x1B[2Jb\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Department:     x\\x9B2J\\x85y\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Officer:        Caf\xC3\xA9\n"), std::string::npos) << r.out;
  const Json j = Status();
  EXPECT_EQ(j.value("hint", ""), "a\x1b[2Jb");
  EXPECT_EQ(j.value("officer", ""), "Caf\xC3\xA9");  // the byte E9 as U+00E9
}

// The audit file's lines, each parsed (a line that is no JSON parses as discarded).
std::vector<Json> AuditLines(const fs::path& path) {
  std::vector<Json> lines;
  std::istringstream in(ReadFileBytes(path));
  for (std::string line; std::getline(in, line);)
    lines.push_back(Json::parse(line, nullptr, false));
  return lines;
}

// A text reaches the camera as the same Latin-1 bytes whichever way it is
// given: as an argument to one camera or to --all, or in a roster's cell. It
// is counted as the camera counts it, and refused the same way, naming what
// the camera cannot keep.
TEST_F(ZulctlTest, EveryPathSendsATextAsTheSameLatin1Bytes) {
  std::string eAcute40;
  for (int i = 0; i < 40; ++i) eAcute40 += "\xC3\xA9";
  struct Case {
    const char* name;
    std::string text;     // UTF-8 as the operator gives it
    std::string refusal;  // a part of the refusal; empty: taken
  };
  const Case cases[] = {
      {"ASCII", "the keypad's middle column", ""},
      {"e acute", "caf\xC3\xA9", ""},
      {"forty e acute", eAcute40, ""},
      {"forty-one e acute", eAcute40 + "\xC3\xA9",
       "holds 41 characters; the camera keeps at most 40"},
      {"euro sign", "5 \xE2\x82\xAC",
       "holds \"\xE2\x82\xAC\" (U+20AC), which the camera cannot keep (it keeps Latin-1 only)"},
      {"not UTF-8", "caf\xE9", "holds bytes that are not UTF-8"},
  };
  const std::string audit = (dir / "audit.jsonl").string();
  const std::string roster = (dir / "roster.csv").string();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    struct Path {
      const char* name;
      Args args;
    };
    std::vector<Path> paths = {
        {"apply", {"apply", roster}},
        {"set-hint", {"set-hint", c.text}},
        {"--all set-hint", {"--all", "set-hint", c.text}},
    };
#if defined(_WIN32)
    // The Windows command line is UTF-16: bytes that are not UTF-8 cannot be
    // given there.
    if (c.text == "caf\xE9") paths.resize(1);
#endif
    std::optional<Json> taken;  // the camera's text after the first path
    for (const Path& path : paths) {
      SCOPED_TRACE(path.name);
      test::WriteFileBytes(roster, "serial,hint\nB7654321,\"" + c.text + "\"\n");
      fs::remove(state);
      fs::remove(audit);
      Args args = path.args;
      args.insert(args.begin(), {"--audit", audit});
      const test::ProgramRun r = Zulctl(args, "2580\n");
      const Json camera = Status();
      if (!c.refusal.empty()) {
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("hint"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.refusal), std::string::npos) << r.err;
        EXPECT_EQ(camera.value("hint", ""), "");  // nothing written
        continue;
      }
      EXPECT_EQ(r.exitCode, 0) << r.err;
      // The status reads each byte as its Latin-1 character: the text comes
      // back as it was given only when it went as Latin-1.
      EXPECT_EQ(camera.value("hint", ""), c.text);
      if (taken) {
        EXPECT_EQ(camera, *taken);
      }
      taken = camera;
      const std::vector<Json> lines = AuditLines(audit);
      ASSERT_FALSE(lines.empty()) << ReadFileBytes(audit);
      EXPECT_EQ(lines.back()["new"], Json({{"hint", c.text}}));
    }
  }
}

#if defined(_WIN32)
// On a console the texts are written as characters, whatever the console's
// code page: the byte E9 of the camera shows as "é".
TEST_F(ZulctlTest, CameraTextsReachAConsoleAsTheyAre) {
  UseScenario(CameraScenario(R"("officer": "Caf\u00e9 \u00c5", "hint": "a\u001b[2Jb")"));
  const test::OwnConsole console;
  ASSERT_TRUE(console.ok);
  EXPECT_EQ(test::RunOnConsole(ZULCTL_PATH, {"--simulate=" + scenario, "status"}), 0);
  const std::string shown = test::ConsoleText();
  EXPECT_NE(shown.find("Officer:        Caf\xC3\xA9 \xC3\x85\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Password hint:  a\\x1B[2Jb\n"), std::string::npos) << shown;
}
#endif

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

// A dock of three cameras and a disk: F: and G: take password 2580, H: 4321.
std::string DockScenario(const std::string& fExtra = "") {
  return R"({"drives": [{"letter": "D", "type": "disk"},
    {"letter": "F", "type": "camera", "password": "2580", "serial": "A0000001",
     "officer": "OLD NAME", "department": "HARBOUR UNIT", "hint": "old hint")" +
         fExtra + R"(},
    {"letter": "G", "type": "camera", "password": "2580", "serial": "A0000002",
     "officer": "P. SMITH", "department": "DOCKS"},
    {"letter": "H", "type": "camera", "password": "4321", "serial": "A0000003"}]})";
}

// As a spreadsheet program saves it: a byte-order mark, CRLF, quoted fields.
// F: needs a new officer and hint, G: is in line, H: is not in the roster,
// and Z0000009 is not docked.
constexpr char kDockRoster[] =
    "\xEF\xBB\xBF"
    "serial,officer,department,hint\r\n"
    "A0000001,\"OKAFOR, J.\",HARBOUR UNIT,\"the \"\"middle\"\" column\"\r\n"
    "A0000002,P. SMITH,DOCKS,\r\n"
    "Z0000009,NOBODY,,\r\n";

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
    std::ofstream(PathFromUtf8(foreignScenario), std::ios::binary)
        << CameraScenario(R"("hint": "old hint")");
  }
  std::string Named(const std::string& utf8) { return Utf8FromPath(dir / PathFromUtf8(utf8)); }
  std::string ReadNamed(const std::string& utf8) { return ReadFileBytes(PathFromUtf8(utf8)); }
  // Every file of the test folder but the standard streams' own.
  std::set<std::string> Files() {
    std::set<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
      const std::string name = Utf8FromPath(e.path().filename());
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
}  // namespace zul

namespace zul {
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
}  // namespace zul
