#pragma once
// The world the window, flow and reliability tests run in: simulated drives
// with cameras built from a camera state, a session over them (traced if
// asked), the headless main window with the recording PC services, and zulctl
// run in this process over the same drives.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "cli/Zulctl.h"
#include "devicelink/CommandCatalogue.h"
#include "devicelink/DeviceSession.h"
#include "devicelink/TraceLog.h"
#include "devicelink/TracingPort.h"
#include "res/resource.h"
#include "simulator/SimulatedCamera.h"
#include "simulator/SimulatedDrives.h"
#include "tests/support/Wire.h"
#include "tests/support/headless/FakeSystemServices.h"
#include "tests/support/headless/HeadlessWindowSystem.h"
#include "ui/MainDialog.h"

namespace zul::test {

inline constexpr char kUserPassword[] = "2580";
inline constexpr char kAdminPassword[] = "13579";

// What every test camera holds; the callers add the passwords or settings
// their assertions rely on.
inline sim::CameraState SampleCameraState() {
  sim::CameraState s;
  s.officer = "Officer Jones";
  s.department = "Traffic";
  s.additional = "Unit 7";
  s.hint = "pet name";
  s.firmware = {"V1.0", ".7", ""};
  s.serial = "RZ000042";
  return s;
}

// The sample camera locked with kUserPassword and kAdminPassword.
inline sim::CameraState PasswordedCameraState() {
  sim::CameraState s = SampleCameraState();
  s.userPassword = sim::DigestOfPassword(kUserPassword);
  s.adminPassword = sim::DigestOfPassword(kAdminPassword);
  return s;
}

// The sample camera with no passwords, resolution and loop recording at 1.
inline sim::CameraState OptionsCameraState() {
  sim::CameraState s = SampleCameraState();
  s.resolution = 1;
  s.loopRecording = 1;
  return s;
}

struct CliRun {
  int status = -1;
  std::string out, err;
};

class CameraWorld {
 public:
  // traced: the window's session talks through a trace of every request.
  explicit CameraWorld(bool traced = false) : traced_(traced) {}
  CameraWorld(const CameraWorld&) = delete;
  CameraWorld& operator=(const CameraWorld&) = delete;

  // Puts camera on letter, answering identification in form.
  void PlugCamera(char letter, std::shared_ptr<sim::SimulatedCamera> camera,
                  sim::AnswerForm form = sim::AnswerForm::AA55) {
    sim::SimulatedDrive drive;
    drive.type = sim::DriveType::Camera;
    drive.answer = form;
    drive.camera = std::move(camera);
    drives.Insert(letter, std::move(drive));
  }
  // Puts a drive of type (no camera) on letter.
  void PlugDrive(char letter, sim::DriveType type) {
    sim::SimulatedDrive drive;
    drive.type = type;
    drives.Insert(letter, std::move(drive));
  }

  // Opens the main window: OnInitDialog and all.
  ui::HeadlessDialogHost& Open() {
    window = windows.Open(dlg);
    return *window;
  }

  // Texts of the message boxes shown so far.
  std::vector<std::string> Boxes() const { return TextsOf(ui::ServiceCall::Kind::MessageBox); }
  // Command lines started hidden so far.
  std::vector<std::string> Started() const { return TextsOf(ui::ServiceCall::Kind::StartHidden); }

  // Vendor command codes that reached the drives while requests were recorded.
  std::vector<std::uint32_t> WireCodes() const { return VendorCodes(drives.Requests()); }
  int Count(std::uint32_t code) const {
    int n = 0;
    for (std::uint32_t c : WireCodes()) n += c == code;
    return n;
  }

  // The window's trace written so far (traced worlds).
  std::string Trace() const {
    std::string text;
    if (!traceFile_) return text;
    std::fflush(traceFile_.get());
    std::rewind(traceFile_.get());
    for (int c; (c = std::fgetc(traceFile_.get())) != EOF;) text.push_back(static_cast<char>(c));
    return text;
  }

  // zulctl in this process over these drives (or port); input holds the
  // password lines.
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

 private:
  struct FileCloser {
    void operator()(std::FILE* f) const { std::fclose(f); }
  };
  std::vector<std::string> TextsOf(ui::ServiceCall::Kind kind) const {
    std::vector<std::string> texts;
    for (const ui::ServiceCall& c : services.CallsOf(kind)) texts.push_back(c.text);
    return texts;
  }
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

// Cameras that answer one command their own way.

// Reports a login on every connection, as one left logged in elsewhere might.
struct LoginReport {
  bool login = false;
  bool administrator = false;
};
class LoginReportingCamera final : public sim::SimulatedCamera {
 public:
  LoginReportingCamera(sim::CameraState state, LoginReport report)
      : SimulatedCamera(std::move(state)), report_(report) {}
  Bytes Answer(std::uint32_t code, const Bytes& args) override {
    if (code != CMD_GET_LOGIN_STATE) return SimulatedCamera::Answer(code, args);
    return {std::uint8_t(report_.login ? 1 : 0), std::uint8_t(report_.administrator ? 2 : 0)};
  }

 private:
  LoginReport report_;
};

// Answers the password check with a fixed verdict and wrong-attempt count.
class VerdictCamera final : public sim::SimulatedCamera {
 public:
  VerdictCamera(sim::CameraState state, std::uint8_t verdict, std::uint8_t count)
      : SimulatedCamera(std::move(state)), verdict_(verdict), count_(count) {}
  Bytes Answer(std::uint32_t code, const Bytes& args) override {
    if (code == CMD_CHECK_PASSWORD) return {verdict_, count_};
    return SimulatedCamera::Answer(code, args);
  }

 private:
  std::uint8_t verdict_, count_;
};

// Every button, field and list of the main window.
inline const std::vector<int> kOperatorControls = {
    IDC_COMBO_RESOLUTION,        IDC_BUTTON_SYNC_TIME,
    IDC_EDIT_PASSWORD,           IDC_BUTTON_LOGIN,
    IDC_BUTTON_OPEN_FOLDER,      IDC_BUTTON_MODIFY_PASSWORD,
    IDC_EDIT_NEW_PASSWORD,       IDC_EDIT_OFFICER,
    IDC_EDIT_DEPARTMENT,         IDC_EDIT_ADDITIONAL,
    IDC_BUTTON_MODIFY_REFERENCE, IDC_COMBO_LOOP_RECORDING,
    IDC_EDIT_HINT_DISPLAY,       IDC_BUTTON_ENTER_REFERENCE,
    IDC_EDIT_NEW_HINT,           IDC_BUTTON_ENTER_HINT,
    IDC_BUTTON_MODIFY_HINT,      IDC_BUTTON_ENTER_PASSWORD};

// A message box of the flows' kind: the program's caption, OK alone, US English.
inline void ExpectFlowBox(const ui::ServiceCall& box) {
  EXPECT_EQ(box.caption, "Marlowen V1.6");
  EXPECT_EQ(box.type, unsigned(win::kMbOk));
  EXPECT_EQ(box.languageId, 1033);
}

// The world as the window tests use it: cameras holding OptionsCameraState()
// that report the given login state, the window opened by the test.
class MainWindowTest : public ::testing::Test, public CameraWorld {
 protected:
  void PlugCamera(char letter, LoginReport report = {}) {
    CameraWorld::PlugCamera(letter,
                            std::make_shared<LoginReportingCamera>(OptionsCameraState(), report));
  }
};

// The world as the flow tests use it: one camera on F: whose state the test
// reads back, the window opened over it and the wire recorded from then on. A
// plain object, so a table of cases can build a fresh one for each case.
struct FlowWorld : CameraWorld {
  static constexpr char kLetter = 'F';

  // Plugs cam in on F:, opens the window and starts recording the wire.
  ui::HeadlessDialogHost& OpenWith(std::shared_ptr<sim::SimulatedCamera> cam) {
    camera = cam;
    PlugCamera(kLetter, std::move(cam));
    Open();
    drives.RecordRequests(true);
    return *window;
  }
  ui::HeadlessDialogHost& OpenWithCamera() {
    return OpenWith(std::make_shared<sim::SimulatedCamera>(OptionsCameraState()));
  }

  // The window as after a login, without talking to the camera.
  void ActLoggedIn() {
    dlg.status.loggedIn = true;
    dlg.RefreshPanel();
  }
  // A camera, and the window logged in with editor modify pressed (0: none).
  ui::HeadlessDialogHost& OpenLoggedIn(int modify = 0) {
    ui::HeadlessDialogHost& w = OpenWithCamera();
    ActLoggedIn();
    if (modify != 0) {
      EXPECT_TRUE(w.Click(modify));
    }
    return w;
  }

  // Makes the n-th request from now (1: the first) fail at the system call.
  void FailRequestFromNow(std::uint64_t n) {
    sim::SimulatedDrive* d = drives.Drive(kLetter);
    d->faults.failRequests.insert(d->requests + n);
  }

  // Texts of the message boxes shown; each must be the flows' kind of box.
  std::vector<std::string> Boxes() const {
    for (const ui::ServiceCall& c : services.CallsOf(ui::ServiceCall::Kind::MessageBox)) {
      ExpectFlowBox(c);
    }
    return CameraWorld::Boxes();
  }

  // Sets the login field and presses the login ENTER button.
  void LogIn(const std::string& password) {
    window->SetControlText(IDC_EDIT_PASSWORD, password);
    ASSERT_TRUE(window->Click(IDC_BUTTON_LOGIN));
  }

  std::shared_ptr<sim::SimulatedCamera> camera;
};

// The world as the reliability tests use it: the drives of layout ahead of a
// camera at F: that holds PasswordedCameraState().
inline constexpr char kCameraLetter = 'F';
enum class World {
  DiskAhead,      // a plain disk at D:
  ImpostorAhead,  // an impostor at D:, a drive that cannot be opened at E:, the camera answers
                  // "RIZ"
  TwoCameras,     // nothing ahead of F:, a second camera at K:
};
struct Rig : CameraWorld {
  explicit Rig(bool traced = false, World layout = World::DiskAhead) : CameraWorld(traced) {
    sim::AnswerForm form = sim::AnswerForm::AA55;
    switch (layout) {
      case World::DiskAhead:
        drives.Insert('D', sim::SimulatedDrive{});
        break;
      case World::ImpostorAhead:
        PlugDrive('D', sim::DriveType::Impostor);
        PlugDrive('E', sim::DriveType::Unopenable);
        form = sim::AnswerForm::RIZ;
        break;
      case World::TwoCameras:
        PlugCamera('K');
        break;
    }
    PlugCamera(kCameraLetter, form);
  }
  using CameraWorld::PlugCamera;
  // Puts a camera holding PasswordedCameraState() on letter.
  void PlugCamera(char letter, sim::AnswerForm form = sim::AnswerForm::AA55) {
    PlugCamera(letter, std::make_shared<sim::SimulatedCamera>(PasswordedCameraState()), form);
  }
  sim::SimulatedDrive& Camera() { return *drives.Drive(kCameraLetter); }
};

using Texts = std::vector<std::string>;

inline constexpr char kNoAnswer[] =
    "The camera did not answer. Please check the USB connection and try again.";

}  // namespace zul::test
