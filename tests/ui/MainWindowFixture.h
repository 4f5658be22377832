#pragma once
// The main window over simulated drives, headless, with the recording PC
// services.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "CommandCatalogue.h"
#include "DeviceSession.h"
#include "FakeSystemServices.h"
#include "HeadlessWindowSystem.h"
#include "MainDialog.h"
#include "SimulatedCamera.h"
#include "SimulatedDrives.h"
#include "resource.h"

namespace zul::test {

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

// What the window tests' camera holds.
inline sim::CameraState TestCameraState() {
  sim::CameraState s;
  s.officer = "Officer Jones";
  s.department = "Traffic";
  s.additional = "Unit 7";
  s.hint = "pet name";
  s.firmware = {"V1.0", ".7", ""};
  s.serial = "RZ000042";
  s.resolution = 1;
  s.loopRecording = 1;
  return s;
}

struct LoginReport {
  bool login = false;
  bool administrator = false;
};

// A camera that reports a login on every connection, as one left logged in
// elsewhere might.
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

class MainWindowTest : public ::testing::Test {
 protected:
  // Puts a camera holding TestCameraState() on letter.
  void PlugCamera(char letter, LoginReport report = {}) {
    sim::SimulatedDrive drive;
    drive.type = sim::DriveType::Camera;
    drive.camera = std::make_shared<LoginReportingCamera>(TestCameraState(), report);
    drives.Insert(letter, std::move(drive));
  }

  // Opens the main window: OnInitDialog and all.
  ui::HeadlessDialogHost& Open() {
    window = windows.Open(dlg);
    return *window;
  }

  sim::SimulatedDrives drives;
  DeviceSession session{drives};
  ui::HeadlessWindowSystem windows;
  ui::FakeSystemServices services;
  ui::CZUL_PC_TOOLDlg dlg{windows, services, session};
  std::unique_ptr<ui::HeadlessDialogHost> window;  // destroyed before dlg
};

}  // namespace zul::test
