#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "Command.h"
#include "Discovery.h"
#include "Startup.h"
#include "support/Files.h"

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
};

TEST_F(StartupTest, NoOptionsPrepareNothing) {
  StartupParts s;
  EXPECT_EQ(PrepareStartup(Options{}, s), "");
  EXPECT_TRUE(s.simulation.Drives().Drives().empty());
  EXPECT_EQ(s.trace, nullptr);
}

TEST_F(StartupTest, SimulateWithoutFileGivesTheDefaultCamera) {
  StartupParts s;
  Options o;
  o.simulate = true;
  EXPECT_EQ(PrepareStartup(o, s), "");
  ASSERT_EQ(s.simulation.Drives().Drives().count('F'), 1u);
  EXPECT_EQ(s.simulation.Drives().Drives().at('F').type, sim::DriveType::Camera);
}

TEST_F(StartupTest, ScenarioFileDecidesTheDrives) {
  StartupParts s;
  Options o;
  o.simulate = true;
  o.scenarioFile = Write("two.json", R"({"drives": [{"letter": "D", "type": "disk"},
                                                    {"letter": "K", "type": "camera"}]})");
  EXPECT_EQ(PrepareStartup(o, s), "");
  EXPECT_EQ(s.simulation.Drives().Drives().size(), 2u);
  EXPECT_EQ(s.simulation.Drives().Drives().at('K').type, sim::DriveType::Camera);
}

TEST_F(StartupTest, UnusableScenarioIsRefusedWithItsName) {
  for (const std::string& file :
       {(dir_ / "missing.json").string(), Write("broken.json", "{\"drives\": [ {"),
        Write("wrong.json", R"({"drives": [{"letter": "B", "type": "disk"}]})")}) {
    StartupParts s;
    Options o;
    o.simulate = true;
    o.scenarioFile = file;
    const std::string error = PrepareStartup(o, s);
    EXPECT_NE(error.find(file), std::string::npos) << error;
    EXPECT_TRUE(s.simulation.Drives().Drives().empty());
  }
}

TEST_F(StartupTest, AStateFileCarriesTheCameraIntoTheNextRun) {
  Options o;
  o.simulate = true;
  o.stateFile = (dir_ / "cam.json").string();
  {
    StartupParts first;
    ASSERT_EQ(PrepareStartup(o, first), "");
    ASSERT_EQ(first.simulation.Drives().Drive('F')->camera->state.resolution, 0);
    DeviceSession session{first.simulation.Port()};
    ASSERT_TRUE(DiscoverCamera(session));
    ReplyBlock block{1};
    ASSERT_TRUE(IssueCommand(session, CMD_SET_RESOLUTION, block));
    session.ReleaseHandle();
    EXPECT_EQ(first.simulation.SaveError(), "");
  }
  StartupParts second;
  ASSERT_EQ(PrepareStartup(o, second), "");
  EXPECT_EQ(second.simulation.Drives().Drive('F')->camera->state.resolution, 1);

  // A state that belongs to another scenario is refused, with the reason.
  o.scenarioFile = Write("other.json", R"({"drives": [{"letter": "K", "type": "camera"}]})");
  StartupParts third;
  const std::string error = PrepareStartup(o, third);
  EXPECT_EQ(error.rfind("The simulation was not started.\n", 0), 0u) << error;
  EXPECT_NE(error.find(o.stateFile), std::string::npos) << error;
}

TEST_F(StartupTest, TraceFileIsOpenedOrNamedAsTheProblem) {
  StartupParts s;
  Options o;
  o.traceFile = (dir_ / "trace.log").string();
  EXPECT_EQ(PrepareStartup(o, s), "");
  ASSERT_NE(s.trace, nullptr);
  EXPECT_TRUE(s.trace->IsOpen());

  StartupParts bad;
  o.traceFile = (dir_ / "no such folder" / "trace.log").string();
  const std::string error = PrepareStartup(o, bad);
  EXPECT_EQ(error.rfind("The trace file cannot be opened: " + o.traceFile, 0), 0u) << error;
  EXPECT_EQ(bad.trace, nullptr);
}

TEST_F(StartupTest, ATraceOverTheScenarioOrTheStateIsRefusedAndNothingIsWritten) {
  const std::string scenarioText = R"({"drives": [{"letter": "F", "type": "camera"}]})";
  const std::string scenario = Write("mine.json", scenarioText);
  const std::string state = Write("cam.json", "kept as it is");
  fs::create_directories(dir_ / "sub");
  const std::string newState = (dir_ / "new.json").string();
  struct Case {
    std::string state, trace, named;
  };
  const Case cases[] = {
      {"", scenario, "is the scenario file"},
      {"", (dir_ / "sub" / ".." / "mine.json").string(), "is the scenario file"},
      {state, state, "is the state file"},
      {newState, (dir_ / "sub" / ".." / "new.json").string(), "is the state file"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.trace);
    Options o;
    o.simulate = true;
    o.scenarioFile = scenario;
    o.stateFile = c.state;
    o.traceFile = c.trace;
    StartupParts s;
    const std::string error = PrepareStartup(o, s);
    EXPECT_EQ(error, "The trace file cannot be used.\n" + c.trace + ": " + c.named +
                         "; the trace goes to a file of its own");
    EXPECT_EQ(s.trace, nullptr);
  }
  std::ifstream in(scenario, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), scenarioText);
  std::ifstream kept(state, std::ios::binary);
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(kept), {}), "kept as it is");
  EXPECT_FALSE(fs::exists(newState));
}

}  // namespace
}  // namespace zul::app
