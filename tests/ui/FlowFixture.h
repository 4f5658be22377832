#pragma once
// The main window with a camera whose state the flow tests read back, the
// vendor commands that reached it, and the message boxes shown.

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "MainWindowFixture.h"

namespace zul::test {

// Answers the password check with a fixed verdict and wrong-attempt count.
class VerdictCamera final : public sim::SimulatedCamera {
 public:
  VerdictCamera(std::uint8_t verdict, std::uint8_t count)
      : SimulatedCamera(TestCameraState()), verdict_(verdict), count_(count) {}
  Bytes Answer(std::uint32_t code, const Bytes& args) override {
    if (code == CMD_CHECK_PASSWORD) return {verdict_, count_};
    return SimulatedCamera::Answer(code, args);
  }

 private:
  std::uint8_t verdict_, count_;
};

// One main window over simulated drives; a plain object, so a table of cases
// can build a fresh one for each case.
struct FlowWorld {
  static constexpr char kLetter = 'F';

  // Plugs camera in on F:, opens the window and starts recording the wire.
  ui::HeadlessDialogHost& OpenWith(std::shared_ptr<sim::SimulatedCamera> cam) {
    camera = cam;
    sim::SimulatedDrive drive;
    drive.type = sim::DriveType::Camera;
    drive.camera = std::move(cam);
    drives.Insert(kLetter, std::move(drive));
    window = windows.Open(dlg);
    drives.RecordRequests(true);
    return *window;
  }
  ui::HeadlessDialogHost& OpenWithCamera() {
    return OpenWith(std::make_shared<sim::SimulatedCamera>(TestCameraState()));
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

  // Vendor command codes that reached the camera, in order.
  std::vector<std::uint32_t> WireCodes() const {
    std::vector<std::uint32_t> codes;
    for (const sim::RequestRecord& r : drives.Requests()) {
      if (r.cdb.size() < 8 || r.cdb[3] != kVendorMarker) continue;
      codes.push_back(std::uint32_t(r.cdb[4]) << 24 | std::uint32_t(r.cdb[5]) << 16 |
                      std::uint32_t(r.cdb[6]) << 8 | r.cdb[7]);
    }
    return codes;
  }
  int Count(std::uint32_t code) const {
    int n = 0;
    for (std::uint32_t c : WireCodes()) n += c == code;
    return n;
  }

  // Texts of the message boxes shown; each must be the flows' kind of box.
  std::vector<std::string> Boxes() const {
    std::vector<std::string> texts;
    for (const ui::ServiceCall& c : services.CallsOf(ui::ServiceCall::Kind::MessageBox)) {
      EXPECT_EQ(c.caption, "Marlowen V1.6");
      EXPECT_EQ(c.type, unsigned(win::kMbOk));
      EXPECT_EQ(c.languageId, 1033);
      texts.push_back(c.text);
    }
    return texts;
  }
  std::vector<std::string> Started() const {
    std::vector<std::string> lines;
    for (const auto& c : services.CallsOf(ui::ServiceCall::Kind::StartHidden)) {
      lines.push_back(c.text);
    }
    return lines;
  }

  // Sets the login field and presses the login ENTER button.
  void LogIn(const std::string& password) {
    window->SetControlText(IDC_EDIT_PASSWORD, password);
    ASSERT_TRUE(window->Click(IDC_BUTTON_LOGIN));
  }

  std::shared_ptr<sim::SimulatedCamera> camera;
  sim::SimulatedDrives drives;
  DeviceSession session{drives};
  ui::HeadlessWindowSystem windows;
  ui::FakeSystemServices services;
  ui::CZUL_PC_TOOLDlg dlg{windows, services, session};
  std::unique_ptr<ui::HeadlessDialogHost> window;  // destroyed before dlg
};

using Texts = std::vector<std::string>;

inline const char kNoAnswer[] =
    "The camera did not answer. Please check the USB connection and try again.";

}  // namespace zul::test
