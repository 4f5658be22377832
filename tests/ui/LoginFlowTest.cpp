// Login: the verdicts and counts, the length rule, the order of a successful
// login and the drive release, and what the operator sees without a camera.

#include <cstring>
#include <new>

#include "tests/support/CameraWorld.h"
#include "ui/SecretText.h"

namespace zul::test {
namespace {

using ui::HeadlessDialogHost;

const std::string kLockedOut =
    "Wrong password!  Please contact Marlowen\r\n" + std::string(23, ' ') + "+ 1-800-555-0134";

class LoginTest : public ::testing::Test, public FlowWorld {};

TEST_F(LoginTest, VerdictsAndCountsSetTheFlagsAndTheMessage) {
  struct Case {
    std::uint8_t verdict, count;
    bool loggedIn, administrator;
    Texts boxes;
  };
  const Case cases[] = {
      {1, 0, true, false, {}},
      {2, 0, true, true, {}},
      {3, 0, false, false, {"Wrong password!  You have 6 chances remaining."}},
      {0, 0, false, false, {"Wrong password!  You have 6 chances remaining."}},
      {0, 5, false, false, {"Wrong password!  You have 1 chances remaining."}},
      {0, 6, false, false, {kLockedOut}},
      {3, 255, false, false, {kLockedOut}},
      {1, 9, true, false, {}},  // the count of an accepted password is not read
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << int(c.verdict) << "/" << int(c.count));
    FlowWorld t;
    HeadlessDialogHost& w =
        t.OpenWith(std::make_shared<VerdictCamera>(OptionsCameraState(), c.verdict, c.count));
    t.dlg.status.loggedIn = t.dlg.status.administrator = true;  // an earlier login
    t.LogIn("abcd");

    EXPECT_EQ(t.dlg.status.loggedIn, c.loggedIn);
    EXPECT_EQ(t.dlg.status.administrator, c.administrator);
    EXPECT_EQ(t.Boxes(), c.boxes);
    EXPECT_EQ(w.Text(IDC_EDIT_PASSWORD), "");  // the panel was refreshed
    EXPECT_EQ(w.IsControlEnabled(IDC_BUTTON_MODIFY_PASSWORD), c.loggedIn);
    // Only an accepted password reads the camera, shows the notice and frees the drive.
    EXPECT_EQ(t.Count(CMD_GET_SERIAL_NUMBER), c.loggedIn ? 1 : 0);
    EXPECT_EQ(t.windows.modalRuns().size(), c.loggedIn ? 1u : 0u);
    EXPECT_EQ(t.Count(CMD_ALLOW_DISK_ACCESS), c.loggedIn ? 1 : 0);
    EXPECT_EQ(t.Started().size(), c.loggedIn ? 2u : 0u);
  }
}

TEST_F(LoginTest, PasswordsShorterThanFourAreRefusedBeforeAnythingIsSent) {
  for (const char* password : {"", "1", "123"}) {
    SCOPED_TRACE(password);
    FlowWorld t;
    HeadlessDialogHost& w = t.OpenWithCamera();
    t.LogIn(password);
    EXPECT_EQ(t.Boxes(), Texts{"Password must longer than 4 characters!"});
    EXPECT_TRUE(t.drives.Requests().empty());
    EXPECT_FALSE(t.dlg.status.loggedIn);
    EXPECT_EQ(w.Text(IDC_EDIT_PASSWORD), password);  // no refresh
  }
  OpenWithCamera();
  LogIn("1234");
  EXPECT_TRUE(camera->LoggedIn());
  EXPECT_TRUE(dlg.status.loggedIn);
}

TEST_F(LoginTest, TheCameraCountsWrongPasswordsAndARefusalEndsAnEarlierLogin) {
  HeadlessDialogHost& w = OpenWithCamera();
  LogIn("1234");
  ASSERT_TRUE(dlg.status.loggedIn);
  const int readouts = Count(CMD_GET_SERIAL_NUMBER);

  LogIn("9999");
  EXPECT_FALSE(dlg.status.loggedIn);
  EXPECT_FALSE(dlg.status.administrator);
  EXPECT_EQ(Boxes(), Texts{"Wrong password!  You have 5 chances remaining."});
  EXPECT_EQ(Count(CMD_GET_SERIAL_NUMBER), readouts);  // no readout after a refusal
  for (int id : {IDC_BUTTON_MODIFY_PASSWORD, IDC_BUTTON_MODIFY_HINT, IDC_BUTTON_OPEN_FOLDER}) {
    EXPECT_FALSE(w.IsControlEnabled(id)) << id;
  }

  // The administrator's password opens it again, as administrator.
  LogIn("888888");
  EXPECT_TRUE(dlg.status.loggedIn);
  EXPECT_TRUE(dlg.status.administrator);
}

TEST_F(LoginTest, SuccessRunsVerdictReadoutNoticeReleaseAndRefreshInThisOrder) {
  for (auto close : {+[](HeadlessDialogHost& n) { n.Click(win::kIdOk); },
                     +[](HeadlessDialogHost& n) { n.PressKey(win::kVkEscape); },
                     +[](HeadlessDialogHost& n) { n.Close(); }}) {
    FlowWorld t;
    HeadlessDialogHost& w = t.OpenWithCamera();
    std::vector<std::uint32_t> wireAtNotice;
    bool panelAtNotice = true;
    t.windows.OnModal([&](HeadlessDialogHost& notice) {
      wireAtNotice = t.WireCodes();
      panelAtNotice = w.IsControlEnabled(IDC_BUTTON_MODIFY_PASSWORD);
      EXPECT_TRUE(t.dlg.status.connected);
      EXPECT_NE(t.session.handle, kNoHandle);
      close(notice);
    });
    std::vector<bool> panelWhileReleasing;
    t.services.onSleep = [&] {
      panelWhileReleasing.push_back(w.IsControlEnabled(IDC_BUTTON_MODIFY_PASSWORD));
    };
    const std::uint64_t start = t.services.nowMs();
    t.LogIn("1234");

    ASSERT_EQ(t.windows.modalRuns().size(), 1u);
    EXPECT_EQ(t.windows.modalRuns()[0].templateId, IDD_WARMING_MSG);
    EXPECT_FALSE(t.windows.modalRuns()[0].closedByWindowSystem);
    // Verdict and readout before the notice; the disk opened only after it.
    ASSERT_FALSE(wireAtNotice.empty());
    EXPECT_NE(std::find(wireAtNotice.begin(), wireAtNotice.end(), CMD_CHECK_PASSWORD),
              wireAtNotice.end());
    EXPECT_EQ(std::find(wireAtNotice.begin(), wireAtNotice.end(), CMD_ALLOW_DISK_ACCESS),
              wireAtNotice.end());
    EXPECT_EQ(std::count(wireAtNotice.begin(), wireAtNotice.end(), CMD_GET_SERIAL_NUMBER), 1);
    EXPECT_FALSE(panelAtNotice);
    EXPECT_EQ(t.WireCodes().back(), CMD_ALLOW_DISK_ACCESS);
    EXPECT_TRUE(t.camera->state.diskAccess);

    // The drive is handed back, checked twice 500 ms apart, and only then refreshed.
    EXPECT_EQ(t.session.handle, kNoHandle);
    EXPECT_EQ(t.drives.OpenHandleCount(), 0);
    EXPECT_EQ(t.session.driveName(), "F:");
    const auto starts = t.services.CallsOf(ui::ServiceCall::Kind::StartHidden);
    ASSERT_EQ(starts.size(), 2u);
    for (const auto& s : starts) EXPECT_EQ(s.text, "cmd.exe /c echo y|CHKDSK F: /F");
    EXPECT_EQ(starts[0].atMs - start, 200u);
    EXPECT_EQ(starts[1].atMs - starts[0].atMs, 500u);
    EXPECT_EQ(t.services.nowMs() - start, 800u);
    EXPECT_EQ(panelWhileReleasing, std::vector<bool>(4, false));
    EXPECT_TRUE(w.IsControlEnabled(IDC_BUTTON_MODIFY_PASSWORD));
    EXPECT_TRUE(t.Boxes().empty());
    EXPECT_EQ(t.services.CallsOf(ui::ServiceCall::Kind::ShellOpen).size(), 0u);
  }
}

TEST_F(LoginTest, WithoutAnAnsweringCameraTheOperatorIsToldSoNotGivenAWrongPassword) {
  struct Case {
    const char* what;
    std::uint64_t failRequest;  // 0: no camera at all
    std::string box;
    int checksSent;
  };
  // Discovery takes two requests; the first password chunk is the third.
  const Case cases[] = {
      {"no camera", 0, "Device not connected.", 0},
      {"password write fails", 3, kNoAnswer, 0},
      {"check fails", 4, kNoAnswer, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FlowWorld t;
    HeadlessDialogHost& w = t.OpenWithCamera();
    t.ActLoggedIn();
    if (c.failRequest == 0) {
      t.drives.Remove(kLetter);
    } else {
      t.FailRequestFromNow(c.failRequest);
    }
    t.LogIn("9999");

    EXPECT_EQ(t.Boxes(), Texts{c.box});
    EXPECT_FALSE(t.dlg.status.loggedIn);
    EXPECT_FALSE(t.dlg.status.administrator);
    EXPECT_FALSE(w.IsControlEnabled(IDC_BUTTON_MODIFY_PASSWORD));  // refreshed
    EXPECT_EQ(w.Text(IDC_EDIT_PASSWORD), "");
    EXPECT_EQ(t.Count(CMD_CHECK_PASSWORD), c.checksSent);
    EXPECT_EQ(t.camera->state.wrongAttempts, 0);  // a broken write costs no attempt
    EXPECT_TRUE(t.windows.modalRuns().empty());
    EXPECT_TRUE(t.Started().empty());
  }
}

TEST_F(LoginTest, ARemovalWhileTheWrongPasswordBoxIsOpenActsAtOnce) {
  HeadlessDialogHost& w = OpenWith(std::make_shared<VerdictCamera>(OptionsCameraState(), 0, 2));
  ActLoggedIn();
  services.whileBoxOpen = [&](const ui::ServiceCall&) {
    w.DeviceChange(win::kDbtDeviceRemoveComplete);
    EXPECT_FALSE(dlg.status.connected);
  };
  LogIn("9999");
  EXPECT_EQ(Boxes(), Texts{"Wrong password!  You have 4 chances remaining."});
  EXPECT_FALSE(dlg.status.connected);
  EXPECT_EQ(w.Text(IDC_STATIC_STATUS), "Device not connected.");
}

TEST_F(LoginTest, ARemovalWhileTheNoticeIsOpenClearsTheFlagsAndTheFlowGoesOn) {
  HeadlessDialogHost& w = OpenWithCamera();
  windows.OnModal([&](HeadlessDialogHost& notice) {
    w.DeviceChange(win::kDbtDeviceRemoveComplete);
    notice.Click(win::kIdOk);
  });
  LogIn("1234");
  EXPECT_FALSE(dlg.status.loggedIn);
  EXPECT_FALSE(dlg.status.connected);
  EXPECT_EQ(Count(CMD_ALLOW_DISK_ACCESS), 1);
  EXPECT_EQ(Started().size(), 2u);
  EXPECT_EQ(session.handle, kNoHandle);
  for (int id : kOperatorControls) EXPECT_FALSE(w.IsControlEnabled(id)) << id;
}

TEST_F(LoginTest, ReleasingWithoutADriveNameStartsNoDiskCheck) {
  // An empty name would check the PC's own current drive.
  window = windows.Open(dlg);
  ASSERT_EQ(session.driveName(), "");
  dlg.ReleaseDrive();
  EXPECT_TRUE(Started().empty());
  EXPECT_EQ(services.nowMs(), 800u);
}

TEST(SecretTextTest, TheBufferIsWipedWhenItGoesOutOfScope) {
  alignas(ui::SecretText<12>) unsigned char storage[sizeof(ui::SecretText<12>)];
  auto* secret = new (storage) ui::SecretText<12>;
  ui::HeadlessWindowSystem windows;
  ui::FakeSystemServices services;
  sim::SimulatedDrives drives;
  DeviceSession session{drives};
  ui::CZUL_PC_TOOLDlg dlg{windows, services, session};
  auto w = windows.Open(dlg);
  w->SetControlText(IDC_EDIT_PASSWORD, "hunter22");
  secret->ReadFrom(*w, IDC_EDIT_PASSWORD);
  ASSERT_STREQ(secret->c_str(), "hunter22");
  ASSERT_NE(std::memchr(storage, 'h', sizeof storage), nullptr);
  secret->~SecretText();
  for (unsigned char b : storage) EXPECT_EQ(b, 0);
}

}  // namespace
}  // namespace zul::test
