// Simulated drives carried from one run to the next through a state file:
// what carries over, when it is saved, and which files are refused.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "CameraStatus.h"
#include "Discovery.h"
#include "FileText.h"
#include "LoginTraffic.h"
#include "Simulation.h"
#include "TextField.h"

namespace zul {
namespace {

namespace fs = std::filesystem;

const char kScenario[] = R"({"drives": [
  {"letter": "D", "type": "disk"},
  {"letter": "F", "type": "camera", "password": "2580", "hint": "start"}]})";

class StateFileTest : public ::testing::Test {
 protected:
  fs::path dir;
  std::string scenario, state;

  void SetUp() override {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() / (std::string("zul-state-") + info->name());
    fs::remove_all(dir);
    fs::create_directories(dir);
    scenario = (dir / "scenario.json").string();
    state = (dir / "state.json").string();
    Write(scenario, kScenario);
  }
  void TearDown() override { fs::remove_all(dir); }

  static void Write(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
  }
  static std::string Read(const std::string& path) {
    std::string text;
    EXPECT_TRUE(sim::ReadFileText(path, text)) << path;
    return text;
  }
  // One run: open the simulation, do something to the camera, end.
  template <typename Action>
  void Run(const std::string& statePath, Action action) {
    sim::Simulation sim;
    std::string error;
    ASSERT_TRUE(sim.Open(scenario, statePath, error)) << error;
    DeviceSession session{sim.Port()};
    ASSERT_TRUE(DiscoverCamera(session));
    action(session);
    EXPECT_EQ(sim.SaveError(), "");
  }
  CameraStatus Status(const std::string& statePath) {
    CameraStatus status;
    Run(statePath, [&](DeviceSession& s) { EXPECT_TRUE(ReadHeldCameraStatus(s, status)); });
    return status;
  }
};

TEST_F(StateFileTest, RunsSharingAStateMeetOneCamera) {
  Run(state, [](DeviceSession& s) {
    EXPECT_EQ(test::CheckPassword(s, "0000"), std::make_pair(0, 1));
    EXPECT_EQ(test::CheckPassword(s, "2580"), std::make_pair(1, 0));
    WriteTextField(s, TEXT_HINT, "carried");
  });
  CameraStatus status = Status(state);
  EXPECT_EQ(status.hintText, "carried");
  EXPECT_TRUE(status.loggedIn);  // still plugged in, still logged in
  Run(state, [](DeviceSession& s) {
    EXPECT_EQ(test::CheckPassword(s, "1111"), std::make_pair(0, 1));
    EXPECT_EQ(test::CheckPassword(s, "1111"), std::make_pair(0, 2));
  });
  Run(state,
      [](DeviceSession& s) { EXPECT_EQ(test::CheckPassword(s, "1111"), std::make_pair(0, 3)); });
  EXPECT_FALSE(Status(state).loggedIn);

  // Without a state file every run starts from the scenario, which is never
  // written to.
  status = Status("");
  EXPECT_EQ(status.hintText, "start");
  EXPECT_FALSE(status.loggedIn);
  EXPECT_EQ(Read(scenario), kScenario);
  EXPECT_FALSE(fs::exists(state + ".tmp"));
}

TEST_F(StateFileTest, SavedAfterEveryChangeNotAtTheEnd) {
  sim::Simulation sim;
  std::string error;
  ASSERT_TRUE(sim.Open(scenario, state, error)) << error;
  EXPECT_FALSE(fs::exists(state));  // nothing changed yet
  DeviceSession session{sim.Port()};
  ASSERT_TRUE(DiscoverCamera(session));
  WriteTextField(session, TEXT_OFFICER, "FIRST");
  // The file already holds the text while the run goes on, and each later
  // request replaces it whole.
  EXPECT_NE(Read(state).find("\"FIRST\""), std::string::npos);
  WriteTextField(session, TEXT_OFFICER, "SECOND");
  const std::string text = Read(state);
  EXPECT_NE(text.find("\"SECOND\""), std::string::npos);
  EXPECT_EQ(text.find("\"FIRST\""), std::string::npos);
  EXPECT_EQ(text.find("2580"), std::string::npos);  // digests only
  EXPECT_EQ(text.rfind("{\n  \"scenarioSha256\": \"", 0), 0u);
}

TEST_F(StateFileTest, FailedSaveIsKeptAndTheCameraStillAnswers) {
  const std::string nowhere = (dir / "missing" / "state.json").string();
  sim::Simulation sim;
  std::string error;
  ASSERT_TRUE(sim.Open(scenario, nowhere, error)) << error;
  DeviceSession session{sim.Port()};
  EXPECT_TRUE(DiscoverCamera(session));
  EXPECT_NE(sim.SaveError().find(nowhere), std::string::npos) << sim.SaveError();
}

TEST_F(StateFileTest, RefusedFilesNameTheirFault) {
  Run(state, [](DeviceSession& s) { WriteTextField(s, TEXT_HINT, "x"); });
  const std::string saved = Read(state);
  const std::string other = (dir / "other.json").string();
  Write(other, R"({"drives": []})");
  const std::string bad = (dir / "bad.json").string();
  std::string badHint = saved;  // a saved state with one value of the wrong type
  const auto at = badHint.find("\"hint\": \"x\"");
  ASSERT_NE(at, std::string::npos);
  badHint.replace(at, 11, "\"hint\": 7");

  struct Case {
    const char* name;
    std::string badText;  // written to bad.json when not empty
    std::string scenarioPath, statePath;
    std::string message;
  };
  const Case cases[] = {
      {"another scenario", "", other, state, state + ": saved from another scenario"},
      {"default scenario", "", "", state, state + ": saved from another scenario"},
      {"state is the scenario", "", scenario, scenario, scenario + ": is the scenario file"},
      {"not JSON", "{\"scenarioSha256\": ", scenario, bad, bad + ": not a saved state"},
      {"no fingerprint", R"({"drives": []})", scenario, bad, bad + ": not a saved state"},
      {"scenario unreadable", "", (dir / "none.json").string(), state, "none.json: cannot be read"},
      {"bad value in the state", badHint, scenario, bad, bad + ": drives[1].hint: must be a text"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.badText.empty()) Write(bad, c.badText);
    sim::Simulation sim;
    std::string error;
    EXPECT_FALSE(sim.Open(c.scenarioPath, c.statePath, error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
  EXPECT_EQ(Read(state), saved);
  EXPECT_EQ(Read(scenario), kScenario);
}

}  // namespace
}  // namespace zul
