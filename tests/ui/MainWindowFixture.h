#pragma once
// The main window over simulated drives, headless, with the recording PC
// services.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "CameraFacts.h"
#include "DeviceSession.h"
#include "FakeSystemServices.h"
#include "HeadlessWindowSystem.h"
#include "MainDialog.h"
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

class MainWindowTest : public ::testing::Test {
 protected:
  // Puts a camera with these values on letter.
  std::shared_ptr<FactsCamera> PlugCamera(char letter, CameraFacts facts = {}) {
    auto camera = std::make_shared<FactsCamera>(std::move(facts));
    sim::SimulatedDrive drive;
    drive.type = sim::DriveType::Camera;
    drive.camera = camera;
    drives.Insert(letter, std::move(drive));
    return camera;
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
