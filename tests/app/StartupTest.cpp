#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/Program.h"
#include "devicelink/Command.h"
#include "devicelink/Discovery.h"
#include "simulator/SimulatedDrives.h"
#include "tests/support/Files.h"

namespace zul::app {
namespace {

namespace fs = std::filesystem;

// A scratch folder of its own for each test.
class StartupTest : public ::testing::Test {
 protected:
  std::string Write(const std::string& name, const std::string& text) {
    const fs::path p = dir_ / name;
    test::WriteFileBytes(p, text);
    return p.string();
  }
  const test::ScratchDir scratch_{"zul_startup_"};
  const fs::path dir_ = scratch_.path();
  sim::SimulatedDrives pcDrives_;  // stands for the PC's drives
};

TEST_F(StartupTest, NoOptionsPrepareNothing) {
  run::RunContext s{"ZUL_PC_TOOL"};
  EXPECT_EQ(OpenRun(Options{}, pcDrives_, s), "");
  EXPECT_TRUE(s.Simulation().Drives().Drives().empty());
  EXPECT_EQ(s.Trace(), nullptr);
}

TEST_F(StartupTest, SimulateWithoutFileGivesTheDefaultCamera) {
  run::RunContext s{"ZUL_PC_TOOL"};
  Options o;
  o.simulate = true;
  EXPECT_EQ(OpenRun(o, pcDrives_, s), "");
  ASSERT_EQ(s.Simulation().Drives().Drives().count('F'), 1u);
  EXPECT_EQ(s.Simulation().Drives().Drives().at('F').type, sim::DriveType::Camera);
}

TEST_F(StartupTest, ScenarioFileDecidesTheDrives) {
  run::RunContext s{"ZUL_PC_TOOL"};
  Options o;
  o.simulate = true;
  o.scenarioPath = Write("two.json", R"({"drives": [{"letter": "D", "type": "disk"},
                                                    {"letter": "K", "type": "camera"}]})");
  EXPECT_EQ(OpenRun(o, pcDrives_, s), "");
  EXPECT_EQ(s.Simulation().Drives().Drives().size(), 2u);
  EXPECT_EQ(s.Simulation().Drives().Drives().at('K').type, sim::DriveType::Camera);
}

TEST_F(StartupTest, UnusableScenarioIsRefusedWithItsName) {
  for (const std::string& file :
       {(dir_ / "missing.json").string(), Write("broken.json", "{\"drives\": [ {"),
        Write("wrong.json", R"({"drives": [{"letter": "B", "type": "disk"}]})")}) {
    run::RunContext s{"ZUL_PC_TOOL"};
    Options o;
    o.simulate = true;
    o.scenarioPath = file;
    const std::string error = OpenRun(o, pcDrives_, s);
    EXPECT_NE(error.find(file), std::string::npos) << error;
    EXPECT_TRUE(s.Simulation().Drives().Drives().empty());
  }
}

TEST_F(StartupTest, AStateFileCarriesTheCameraIntoTheNextRun) {
  Options o;
  o.simulate = true;
  o.statePath = (dir_ / "cam.json").string();
  {
    run::RunContext first{"ZUL_PC_TOOL"};
    ASSERT_EQ(OpenRun(o, pcDrives_, first), "");
    ASSERT_EQ(first.Simulation().Drives().Drive('F')->camera->state.resolution, 0);
    DeviceSession session{first.Simulation().Port()};
    ASSERT_TRUE(DiscoverCamera(session));
    ReplyBlock block{1};
    ASSERT_TRUE(IssueCommand(session, CMD_SET_RESOLUTION, block));
    session.ReleaseHandle();
    EXPECT_EQ(first.Simulation().SaveError(), "");
  }
  run::RunContext second{"ZUL_PC_TOOL"};
  ASSERT_EQ(OpenRun(o, pcDrives_, second), "");
  EXPECT_EQ(second.Simulation().Drives().Drive('F')->camera->state.resolution, 1);

  // A state that belongs to another scenario is refused, with the reason.
  o.scenarioPath = Write("other.json", R"({"drives": [{"letter": "K", "type": "camera"}]})");
  run::RunContext third{"ZUL_PC_TOOL"};
  const std::string error = OpenRun(o, pcDrives_, third);
  EXPECT_EQ(error.rfind("The simulation was not started.\n", 0), 0u) << error;
  EXPECT_NE(error.find(o.statePath), std::string::npos) << error;
}

TEST_F(StartupTest, TraceFileIsOpenedOrNamedAsTheProblem) {
  run::RunContext s{"ZUL_PC_TOOL"};
  Options o;
  o.tracePath = (dir_ / "trace.log").string();
  EXPECT_EQ(OpenRun(o, pcDrives_, s), "");
  ASSERT_NE(s.Trace(), nullptr);
  EXPECT_TRUE(s.Trace()->IsOpen());

  run::RunContext bad{"ZUL_PC_TOOL"};
  o.tracePath = (dir_ / "no such folder" / "trace.log").string();
  const std::string error = OpenRun(o, pcDrives_, bad);
  EXPECT_EQ(error.rfind("The trace file cannot be opened: " + o.tracePath, 0), 0u) << error;
  EXPECT_EQ(bad.Trace(), nullptr);
}

// No two files of the window's run may be one file, however named: the later
// one is refused with its role, and nothing is opened or written.
TEST_F(StartupTest, TwoNamesForOneFileAreRefusedAndNothingIsWritten) {
  const std::string scenarioText = R"({"drives": [{"letter": "F", "type": "camera"}]})";
  const std::string scenario = Write("mine.json", scenarioText);
  const std::string state = Write("cam.json", "kept as it is");
  const std::string linked = (dir_ / "linked.json").string();
  fs::create_hard_link(scenario, linked);
  fs::create_directories(dir_ / "sub");
  const std::string viaSub = (dir_ / "sub" / ".." / "mine.json").string();
  const std::string newState = (dir_ / "new.json").string();
  const std::string newFile = (dir_ / "new.log").string();
  const std::string newFileAgain = (dir_ / "sub" / ".." / "new.log").string();
  struct Case {
    std::string state, trace, audit;
    const char* role;     // the file refused
    std::string refused;  // its name
    const char* other;    // the role of the file it is
  };
  const Case cases[] = {
      {"", scenario, "", "trace", scenario, "scenario"},
      {"", viaSub, "", "trace", viaSub, "scenario"},
      {state, state, "", "trace", state, "state"},
      {newState, (dir_ / "sub" / ".." / "new.json").string(), "", "trace",
       (dir_ / "sub" / ".." / "new.json").string(), "state"},
      {linked, "", "", "state", linked, "scenario"},
      {"", "", linked, "audit", linked, "scenario"},
      {state, "", state, "audit", state, "state"},
      {"", newFile, newFileAgain, "audit", newFileAgain, "trace"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.role) + " " + c.refused);
    Options o;
    o.simulate = true;
    o.scenarioPath = scenario;
    o.statePath = c.state;
    o.tracePath = c.trace;
    o.auditPath = c.audit;
    run::RunContext s{"ZUL_PC_TOOL"};
    const std::string error = OpenRun(o, pcDrives_, s);
    EXPECT_EQ(error, std::string("The ") + c.role + " file cannot be used.\n" + c.refused +
                         ": is the " + c.other + " file; the " + c.role +
                         " goes to a file of its own");
    EXPECT_EQ(s.Trace(), nullptr);
    EXPECT_EQ(s.Audit(), nullptr);
  }
  EXPECT_EQ(test::ReadFileBytes(scenario), scenarioText);
  EXPECT_EQ(test::ReadFileBytes(state), "kept as it is");
  EXPECT_FALSE(fs::exists(newState));
  EXPECT_FALSE(fs::exists(newFile));
  EXPECT_FALSE(fs::exists(dir_ / "mine.json.lock"));
  EXPECT_FALSE(fs::exists(dir_ / "cam.json.lock"));
}

}  // namespace
}  // namespace zul::app
