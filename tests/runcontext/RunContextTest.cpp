// The run as RunContext assembles it: which drives it talks to, the trace
// over them, and the files it refuses before opening any.

#include <gtest/gtest.h>

#include <filesystem>

#include "devicelink/DeviceSession.h"
#include "devicelink/Discovery.h"
#include "runcontext/RunContext.h"
#include "simulator/Scenario.h"
#include "simulator/SimulatedDrives.h"
#include "tests/support/Files.h"

namespace zul::run {
namespace {

namespace fs = std::filesystem;

class RunContextTest : public ::testing::Test {
 protected:
  RunContextTest() { ApplyScenario(sim::DefaultScenario(), system_); }
  const test::ScratchDir scratch_{"zul_run_"};
  sim::SimulatedDrives system_;  // stands for the system's devices
  sim::SimulatedDrives given_;   // a caller's own drives
};

TEST_F(RunContextTest, TheDrivesAreTheCallersTheSimulationsOrTheSystems) {
  enum class From { Given, Simulation, System, Nothing };
  const struct {
    const char* name;
    bool simulate, haveSystem, haveGiven;
    From from;
  } cases[] = {
      {"no options", false, true, false, From::System},
      {"simulate", true, true, false, From::Simulation},
      {"a caller's drives before the simulation", true, true, true, From::Given},
      {"a caller's drives before the system's", false, true, true, From::Given},
      {"a system without devices", false, false, false, From::Nothing},
      {"a system without devices, simulated", true, false, false, From::Simulation},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RunOptions o;
    o.simulate = c.simulate;
    RunContext run("test");
    const RunFault fault =
        run.OpenDevices(o, c.haveSystem ? &system_ : nullptr, c.haveGiven ? &given_ : nullptr);
    if (c.from == From::Nothing) {
      EXPECT_EQ(fault.step, RunFault::Step::NoDevices);
      continue;
    }
    ASSERT_FALSE(fault) << fault.message;
    DevicePort* expected = c.from == From::Given    ? static_cast<DevicePort*>(&given_)
                           : c.from == From::System ? &system_
                                                    : &run.Simulation().Port();
    EXPECT_EQ(&run.Port(), expected);
    EXPECT_EQ(run.Simulating(), c.from == From::Simulation);
    EXPECT_EQ(run.OnSystemDevices(), c.from == From::System);
  }
}

// With a trace, every request to the chosen drives passes through it.
TEST_F(RunContextTest, TheTraceWrapsTheChosenDrives) {
  RunOptions o;
  o.tracePath = (scratch_.path() / "trace.log").string();
  RunContext run("test");
  ASSERT_FALSE(run.Open(o, &system_));
  ASSERT_NE(run.Trace(), nullptr);
  EXPECT_NE(&run.Port(), &system_);
  DeviceSession session{run.Port()};
  ASSERT_TRUE(DiscoverCamera(session));
  session.ReleaseHandle();
  EXPECT_GT(system_.OpenCount(), 0u);
  EXPECT_NE(test::ReadFileBytes(o.tracePath).find("F:"), std::string::npos);
}

// The files a program reads besides the scenario come after it and before
// those written; one given twice is refused by its later role, and no step
// after the check opens anything.
TEST_F(RunContextTest, ReadFilesTakeTheirPlaceInTheClashCheck) {
  const std::string roster = (scratch_.path() / "roster.csv").string();
  test::WriteFileBytes(roster, "serial\n");
  const struct {
    std::string scenario, state, trace;
    const char* role;
    const char* other;
  } cases[] = {
      {roster, "", "", "roster", "scenario"},
      {"", roster, "", "state", "roster"},
      {"", "", roster, "trace", "roster"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.role);
    RunOptions o;
    o.simulate = true;
    o.scenarioPath = c.scenario;
    o.statePath = c.state;
    o.tracePath = c.trace;
    const RunFile read[] = {{"roster", roster}};
    const RunFault fault = RunContext::CheckFiles(o, read);
    EXPECT_EQ(fault.step, RunFault::Step::FileClash);
    EXPECT_EQ(fault.role, c.role);
    EXPECT_EQ(fault.message, roster + ": is the " + c.other + " file; the " + c.role +
                                 " goes to a file of its own");
  }
  EXPECT_EQ(test::ReadFileBytes(roster), "serial\n");
}

TEST_F(RunContextTest, AnUnusableTraceOrAuditFileStopsTheRun) {
  const std::string missing = (scratch_.path() / "no such folder" / "x.log").string();
  RunOptions traced;
  traced.tracePath = missing;
  RunContext first("test");
  const RunFault trace = first.Open(traced, &system_);
  EXPECT_EQ(trace.step, RunFault::Step::Trace);
  EXPECT_NE(trace.systemError, 0);
  EXPECT_EQ(first.Trace(), nullptr);

  RunOptions audited;
  audited.auditPath = missing;
  RunContext second("test");
  const RunFault audit = second.Open(audited, &system_);
  EXPECT_EQ(audit.step, RunFault::Step::Audit);
  EXPECT_NE(audit.message.find(missing), std::string::npos) << audit.message;
  EXPECT_EQ(second.Audit(), nullptr);
  EXPECT_FALSE(fs::exists(scratch_.path() / "no such folder"));
}

}  // namespace
}  // namespace zul::run
