// The whole program over headless windows: which drives it talks to, and
// which of the PC's services it lets act, as its options decide.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>

#include "app/Program.h"
#include "res/resource.h"
#include "simulator/SimulatedCamera.h"
#include "simulator/SimulatedDrives.h"
#include "tests/support/CapturedFile.h"
#include "tests/support/Files.h"
#include "tests/support/headless/FakeSystemServices.h"
#include "tests/support/headless/HeadlessWindowSystem.h"

namespace zul::app {
namespace {

namespace fs = std::filesystem;
using ui::HeadlessDialogHost;
using ui::ServiceCall;

const std::string kCheck = "cmd.exe /c echo y|CHKDSK F: /F";

class ProgramTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The PC's own drives hold a camera at F: too, so that a run that wrongly
    // talked to them would still get through the operator's steps.
    sim::SimulatedDrive drive;
    drive.type = sim::DriveType::Camera;
    drive.camera = std::make_shared<sim::SimulatedCamera>(sim::CameraState{});
    pcDrives.Insert('F', std::move(drive));
    trace = fs::temp_directory_path() / "zul_program_trace.txt";
    fs::remove(trace);
  }
  void TearDown() override { fs::remove(trace); }

  // A fresh run: the operator logs in, closes the notice, opens the file
  // folder and closes the window; returns the program's exit code.
  int RunWithOperator(const Options& options) {
    pc = ui::FakeSystemServices();
    report = std::make_unique<test::CapturedFile>();
    fs::remove(trace);
    windows.OnModal([](HeadlessDialogHost& w) {
      if (w.templateId() == IDD_WARMING_MSG) {
        w.Click(win::kIdOk);
        return;
      }
      w.SetControlText(IDC_EDIT_PASSWORD, "1234");
      w.Click(IDC_BUTTON_LOGIN);
      w.RunPosted();
      w.Click(IDC_BUTTON_OPEN_FOLDER);
      w.Close();
    });
    return RunProgram(options, {windows, pc, pcDrives, report->file});
  }

  std::vector<std::string> Reached(ServiceCall::Kind kind) const {
    std::vector<std::string> calls;
    for (const ServiceCall& c : pc.CallsOf(kind)) {
      calls.push_back(c.parameters.empty() ? c.text : c.text + " " + c.parameters);
    }
    return calls;
  }

  sim::SimulatedDrives pcDrives;
  ui::HeadlessWindowSystem windows;
  ui::FakeSystemServices pc;
  std::unique_ptr<test::CapturedFile> report = std::make_unique<test::CapturedFile>();
  fs::path trace;
};

TEST_F(ProgramTest, ASimulationStartsAndOpensNothingOnThePcWithOrWithoutATrace) {
  for (const bool traced : {true, false}) {
    SCOPED_TRACE(traced);
    Options o;
    o.simulate = true;
    if (traced) o.tracePath = trace.string();
    EXPECT_EQ(RunWithOperator(o), 0);

    EXPECT_TRUE(Reached(ServiceCall::Kind::StartHidden).empty());
    EXPECT_TRUE(Reached(ServiceCall::Kind::ShellOpen).empty());
    EXPECT_EQ(pcDrives.Drive('F')->requests, 0u);  // the simulated camera answered
    const std::string said = report->Text();
    EXPECT_NE(said.find("simulation: would run: " + kCheck + "\n"), std::string::npos) << said;
    EXPECT_NE(said.find("simulation: would open: explorer F:\\\n"), std::string::npos) << said;
    const std::string lines = test::ReadFileBytes(trace);
    EXPECT_EQ(lines.find("exec: " + kCheck + "\n") != std::string::npos, traced) << lines;
    EXPECT_EQ(lines.find("open: explorer F:\\\n") != std::string::npos, traced) << lines;
  }
}

TEST_F(ProgramTest, OnThePcsDrivesEverythingRunsWithOrWithoutATrace) {
  for (const bool traced : {true, false}) {
    SCOPED_TRACE(traced);
    Options o;
    if (traced) o.tracePath = trace.string();
    EXPECT_EQ(RunWithOperator(o), 0);

    EXPECT_EQ(Reached(ServiceCall::Kind::StartHidden),
              (std::vector<std::string>{kCheck, kCheck, kCheck, kCheck}));
    EXPECT_EQ(Reached(ServiceCall::Kind::ShellOpen), (std::vector<std::string>{"explorer F:\\"}));
    EXPECT_GT(pcDrives.Drive('F')->requests, 0u);
    EXPECT_EQ(report->Text(), "");
    EXPECT_EQ(test::ReadFileBytes(trace).find("open: explorer F:\\\n") != std::string::npos,
              traced);
  }
}

TEST_F(ProgramTest, OptionsItCannotUseEndItWithAMessageBox) {
  Options o;
  o.simulate = true;
  o.scenarioPath = (fs::temp_directory_path() / "zul_program_none.json").string();
  EXPECT_EQ(RunProgram(o, {windows, pc, pcDrives, report->file}), kExitBadOptions);
  const auto boxes = pc.CallsOf(ServiceCall::Kind::FrameworkMessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find("zul_program_none.json: cannot be read"), std::string::npos);
  EXPECT_TRUE(windows.modalRuns().empty());  // no window opened
}

TEST_F(ProgramTest, AnAuditFileThatCannotBeOpenedEndsTheProgramBeforeTheCamera) {
  Options o;
  o.auditPath = fs::temp_directory_path().string();  // a folder: no appending to it
  EXPECT_EQ(RunProgram(o, {windows, pc, pcDrives, report->file}), kExitBadOptions);
  const auto boxes = pc.CallsOf(ServiceCall::Kind::FrameworkMessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_NE(boxes[0].text.find("cannot be opened for appending"), std::string::npos);
  EXPECT_TRUE(windows.modalRuns().empty());
  EXPECT_EQ(pcDrives.Drive('F')->requests, 0u);
}

}  // namespace
}  // namespace zul::app
