// zulctl --all on simulated docks of several cameras: every camera changed
// and read back, each camera's own result line, and the run's exit status
// when some cameras are not done (a refused password, a camera pulled out).

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <sstream>

#include "Spawn.h"

namespace zul {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using Args = std::vector<std::string>;

constexpr char kNoAnswer[] =
    "The camera did not answer. Please check the USB connection and try again.";

std::string Letter(int i) { return std::string(1, static_cast<char>('D' + i)); }
std::string Serial(int i) { return "CAM0000" + Letter(i); }

class ZulctlAllTest : public ::testing::Test {
 protected:
  fs::path dir;
  std::string scenario, state;

  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() / (std::string("zulctl-all-") + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    scenario = (dir / "scenario.json").string();
    state = (dir / "state.json").string();
  }
  void TearDown() override { fs::remove_all(dir); }

  // cameras cameras from D: on, password 2580, serial CAM0000 and the letter,
  // then a disk; extra holds more keys of a camera, by its index.
  void Dock(int cameras, const std::map<int, std::string>& extra = {}) {
    std::string drives;
    for (int i = 0; i < cameras; ++i) {
      drives += R"({"letter": ")" + Letter(i) + R"(", "type": "camera", "password": "2580", )" +
                R"("serial": ")" + Serial(i) + "\"" +
                (extra.count(i) ? ", " + extra.at(i) : "") + "}, ";
    }
    std::ofstream(scenario, std::ios::binary)
        << R"({"drives": [)" + drives + R"({"letter": ")" + Letter(cameras) +
               R"(", "type": "disk"}]})";
    fs::remove(state);
  }
  test::ProgramRun Zulctl(Args args, const std::string& input = "") {
    args.insert(args.begin(), {"--simulate=" + scenario, "--state=" + state});
    return test::RunProgram(ZULCTL_PATH, args, input, dir);
  }
  // The camera at index as the state file keeps it.
  Json Saved(int index) {
    std::ifstream in(state, std::ios::binary);
    const Json saved = Json::parse(in, nullptr, false);
    for (const Json& d : saved.value("drives", Json::array())) {
      if (d.value("letter", "") == Letter(index)) return d;
    }
    ADD_FAILURE() << "no drive " << Letter(index) << " in the state file";
    return Json::object();
  }
};

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
    std::vector<std::string> lines;     // after drive and serial number, by camera
    std::map<int, Json> saved;          // what the state file keeps afterwards, by camera
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
       {std::string("no answer\t") + kNoAnswer, "done\tChange video resolution to 720P."},
       {{0, {{"resolution", 0}, {"wrongAttempts", 0}}}, {1, {{"resolution", 1}}}}},
      {"no camera is done",
       2,
       {{0, R"("password": "1111")"}, {1, R"("failRequests": [4])"}},
       {"set-time"},
       6,
       {refused, std::string("no answer\t") + kNoAnswer},
       {{1, {{"wrongAttempts", 0}}}}},  // no check after a failed password chunk
      {"the only camera refuses", 1, {{0, R"("password": "1111")"}}, {"set-hint", "X"}, 4,
       {refused}, {}},
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
      for (const auto& [key, value] : keys.items()) EXPECT_EQ(camera.value(key, Json()), value) << key;
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
                          {"message", kNoAnswer}}};
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

}  // namespace
}  // namespace zul
