#pragma once
// The main window and zulctl over one set of simulated drives: a disk at D:
// and a camera at F:, the PC services recorded.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "DeviceSession.h"
#include "FakeSystemServices.h"
#include "HeadlessWindowSystem.h"
#include "MainDialog.h"
#include "SimulatedCamera.h"
#include "SimulatedDrives.h"
#include "TraceLog.h"
#include "TracingPort.h"
#include "Zulctl.h"

namespace zul::test {

inline constexpr char kCameraLetter = 'F';
inline constexpr char kUserPassword[] = "2580";
inline constexpr char kAdminPassword[] = "13579";

inline sim::CameraState RigCameraState() {
  sim::CameraState s;
  s.officer = "Officer Jones";
  s.department = "Traffic";
  s.additional = "Unit 7";
  s.hint = "pet name";
  s.firmware = {"V1.0", ".7", ""};
  s.serial = "RZ000042";
  s.userPassword = sim::DigestOfPassword(kUserPassword);
  s.adminPassword = sim::DigestOfPassword(kAdminPassword);
  return s;
}

struct CliRun {
  int status = -1;
  std::string out, err;
};

// What the drives hold besides the camera at F:.
enum class World {
  DiskAhead,      // a plain disk at D:
  ImpostorAhead,  // an impostor at D:, a drive that cannot be opened at E:, the camera answers
                  // "RIZ"
  TwoCameras,     // nothing ahead of F:, a second camera at K:
};

struct Rig {
  // traced: the window's session talks through a trace of every request.
  explicit Rig(bool traced = false, World world = World::DiskAhead) : traced_(traced) {
    sim::AnswerForm form = sim::AnswerForm::AA55;
    switch (world) {
      case World::DiskAhead:
        drives.Insert('D', sim::SimulatedDrive{});
        break;
      case World::ImpostorAhead:
        drives.Insert('D', Drive(sim::DriveType::Impostor));
        drives.Insert('E', Drive(sim::DriveType::Unopenable));
        form = sim::AnswerForm::RIZ;
        break;
      case World::TwoCameras:
        PlugCamera('K');
        break;
    }
    PlugCamera(kCameraLetter, form);
  }

  static sim::SimulatedDrive Drive(sim::DriveType type) {
    sim::SimulatedDrive drive;
    drive.type = type;
    return drive;
  }

  void PlugCamera(char letter, sim::AnswerForm form = sim::AnswerForm::AA55) {
    sim::SimulatedDrive drive;
    drive.type = sim::DriveType::Camera;
    drive.answer = form;
    drive.camera = std::make_shared<sim::SimulatedCamera>(RigCameraState());
    drives.Insert(letter, std::move(drive));
  }
  sim::SimulatedDrive& Camera() { return *drives.Drive(kCameraLetter); }

  ui::HeadlessDialogHost& Open() {
    window = windows.Open(dlg);
    return *window;
  }

  // zulctl in this process over these drives; input holds the password lines.
  CliRun Zulctl(const std::vector<std::string>& args, const std::string& input = "",
                DevicePort* port = nullptr) {
    std::vector<const char*> argv{"zulctl"};
    const std::string trace = "--trace=" + zulctlTrace;
    if (!zulctlTrace.empty()) argv.push_back(trace.c_str());
    for (const std::string& a : args) argv.push_back(a.c_str());
    std::FILE* in = std::tmpfile();
    EXPECT_NE(in, nullptr);
    CliRun run;
    if (!in) return run;
    std::fputs(input.c_str(), in);
    std::rewind(in);
    std::ostringstream out, err;
    run.status = cli::RunZulctl(static_cast<int>(argv.size()), argv.data(), in, out, err,
                                port ? port : &drives);
    std::fclose(in);
    run.out = out.str();
    run.err = err.str();
    return run;
  }

  // The message boxes shown so far.
  std::vector<std::string> Boxes() const {
    std::vector<std::string> texts;
    for (const auto& c : services.CallsOf(ui::ServiceCall::Kind::MessageBox)) {
      texts.push_back(c.text);
    }
    return texts;
  }

  // The trace written so far.
  std::string Trace() const {
    std::string text;
    if (!traceFile_) return text;
    std::fflush(traceFile_.get());
    std::rewind(traceFile_.get());
    for (int c; (c = std::fgetc(traceFile_.get())) != EOF;) text.push_back(static_cast<char>(c));
    return text;
  }

 private:
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  bool traced_;

 public:
  sim::SimulatedDrives drives;
  std::string zulctlTrace;  // where zulctl runs write their trace, or empty

 private:
  std::unique_ptr<std::FILE, FileCloser> traceFile_{traced_ ? std::tmpfile() : nullptr};
  std::unique_ptr<TraceLog> trace_{traceFile_ ? std::make_unique<TraceLog>(traceFile_.get())
                                              : nullptr};
  std::unique_ptr<TracingPort> tracing_{trace_ ? std::make_unique<TracingPort>(drives, *trace_)
                                               : nullptr};

 public:
  DeviceSession session{tracing_ ? static_cast<DevicePort&>(*tracing_) : drives};
  ui::HeadlessWindowSystem windows;
  ui::FakeSystemServices services;
  ui::CZUL_PC_TOOLDlg dlg{windows, services, session};
  std::unique_ptr<ui::HeadlessDialogHost> window;  // destroyed before dlg
};

}  // namespace zul::test
