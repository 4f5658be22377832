#pragma once
// What the zulctl tests share. They meet zulctl as the operator and scripts
// do: the built program run against simulated cameras (ZulctlTest), each run
// a process of its own, with runs sharing a state file meeting one camera
// that stays plugged in. Here too: the scenarios of one camera and of a dock,
// and the audit file's lines.

#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/Spawn.h"
#include "tests/support/Files.h"

namespace zul::test {

namespace fs = std::filesystem;
using Json = nlohmann::json;
using Args = std::vector<std::string>;

inline constexpr char kLockedOut[] =
    "Wrong password!  Please contact Marlowen\n"
    "                       + 1-800-555-0134\n";
inline constexpr char kNoAnswerLine[] =
    "The camera did not answer. Please check the USB connection and try again.";
inline const std::string kNoAnswer = std::string(kNoAnswerLine) + "\n";

// A disk at D: and a camera at F: with user password 2580 and administrator
// password 13579; extra holds more camera keys.
inline std::string CameraScenario(const std::string& extra = "") {
  return R"({"drives": [{"letter": "D", "type": "disk"},
    {"letter": "F", "type": "camera", "password": "2580", "adminPassword": "13579",
     "serial": "B7654321")" +
         (extra.empty() ? "" : ", " + extra) + "}]}";
}

// Where the camera's clock was set, as the PC's time_t.
inline std::time_t CameraClock(const Json& camera) {
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

// zulctl --all on docks of several cameras: cameras from D: on, password
// 2580, serial CAM0000 and the letter, then a disk.
inline std::string Letter(int i) {
  return std::string(1, static_cast<char>('D' + i));
}
inline std::string Serial(int i) {
  return "CAM0000" + Letter(i);
}

// The audit file's lines, each parsed (a line that is no JSON parses as discarded).
inline std::vector<Json> AuditLines(const fs::path& path) {
  std::vector<Json> lines;
  std::istringstream in(ReadFileBytes(path));
  for (std::string line; std::getline(in, line);)
    lines.push_back(Json::parse(line, nullptr, false));
  return lines;
}

// A dock of three cameras and a disk: F: and G: take password 2580, H: 4321.
inline std::string DockScenario(const std::string& fExtra = "") {
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
inline constexpr char kDockRoster[] =
    "\xEF\xBB\xBF"
    "serial,officer,department,hint\r\n"
    "A0000001,\"OKAFOR, J.\",HARBOUR UNIT,\"the \"\"middle\"\" column\"\r\n"
    "A0000002,P. SMITH,DOCKS,\r\n"
    "Z0000009,NOBODY,,\r\n";

}  // namespace zul::test
