#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "app/SimulatedSystemServices.h"
#include "tests/support/CapturedFile.h"

namespace zul::app {
namespace {

// Records what reached the real services.
class RecordingServices final : public ui::SystemServices {
 public:
  std::vector<std::string> calls;
  int MessageBox(const std::string& text, const std::string&, unsigned, unsigned short) override {
    calls.push_back("box " + text);
    return 1;
  }
  int FrameworkMessageBox(const std::string& text, unsigned) override {
    calls.push_back("framework box " + text);
    return 1;
  }
  void Sleep(unsigned ms) override { calls.push_back("sleep " + std::to_string(ms)); }
  void StartHidden(const std::string& c) override { calls.push_back("exec " + c); }
  void ShellOpen(const std::string& f, const std::string& p) override {
    calls.push_back("open " + f + "|" + p);
  }
  ui::LocalTime GetLocalTime() override { return {2018, 1, 9, 7, 5, 3, 0}; }
  std::int64_t CalendarSeconds() override { return 1515481503; }
  std::optional<ui::CalendarTime> ToLocalCalendar(std::int64_t) override { return std::nullopt; }
  bool RegisterDeviceNotices(ui::DialogHost&) override { return true; }
};

using Capture = test::CapturedFile;

const std::string kCheck = "cmd.exe /c echo y|CHKDSK F: /F";

TEST(SimulatedSystemServicesTest, SimulationStartsAndOpensNothingButTracesAndSaysWhat) {
  RecordingServices real;
  Capture trace, report;
  ASSERT_TRUE(trace.file && report.file);
  TraceLog log(trace.file);
  SimulatedSystemServices s(real, &log, /*execute=*/false, report.file);

  // The folder flow's requests: the drive is named only in the parameters.
  s.StartHidden(kCheck);
  s.Sleep(800);
  s.StartHidden(kCheck);
  s.ShellOpen("explorer", "F:\\");
  s.ShellOpen("https://www.marlowen.example/TERMS/", "");
  EXPECT_EQ(s.MessageBox("Done.", "Marlowen V1.6", 0, 1033), 1);

  EXPECT_EQ(real.calls, (std::vector<std::string>{"sleep 800", "box Done."}));
  EXPECT_EQ(report.Text(), "simulation: would run: " + kCheck + "\nsimulation: would run: " +
                               kCheck + "\nsimulation: would open: explorer F:\\\n" +
                               "simulation: would open: https://www.marlowen.example/TERMS/\n");
  EXPECT_EQ(trace.Text(), "exec: " + kCheck + "\nexec: " + kCheck +
                              "\nopen: explorer F:\\\nopen: https://www.marlowen.example/TERMS/\n");
}

TEST(SimulatedSystemServicesTest, ExecutingTracesAndRunsEverything) {
  RecordingServices real;
  Capture trace;
  ASSERT_TRUE(trace.file);
  TraceLog log(trace.file);
  SimulatedSystemServices s(real, &log, /*execute=*/true, nullptr);

  s.StartHidden(kCheck);
  s.ShellOpen("f:\\", "/select");
  EXPECT_EQ(real.calls, (std::vector<std::string>{"exec " + kCheck, "open f:\\|/select"}));
  EXPECT_EQ(trace.Text(), "exec: " + kCheck + "\nopen: f:\\ /select\n");
}

TEST(SimulatedSystemServicesTest, WithoutATraceOnlyTheReportIsWritten) {
  RecordingServices real;
  Capture report;
  ASSERT_TRUE(report.file);
  SimulatedSystemServices s(real, nullptr, false, report.file);
  s.ShellOpen("Z:\\DCIM", "");
  EXPECT_TRUE(real.calls.empty());
  EXPECT_EQ(report.Text(), "simulation: would open: Z:\\DCIM\n");
}

}  // namespace
}  // namespace zul::app
