// The camera options: clock, resolution and loop recording on the wire and in
// their messages, and "Open file folder" with its timings.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "devicelink/Discovery.h"
#include "tests/support/CameraWorld.h"

namespace zul::test {
namespace {

using ui::HeadlessDialogHost;
using ui::ServiceCall;

constexpr char kNotConnected[] = "Device not connected.";

// A vendor command as it reached the drive: code and the first three argument bytes.
struct WireCommand {
  std::uint32_t code;
  std::uint8_t a0, a1, a2;
  bool ok;
  bool operator==(const WireCommand&) const = default;
};

void PrintTo(const WireCommand& c, std::ostream* os) {
  *os << std::hex << c.code << " " << int(c.a0) << "," << int(c.a1) << "," << int(c.a2)
      << (c.ok ? "" : " failed");
}

class CameraOptionsTest : public MainWindowTest {
 protected:
  // A logged-in window over a camera at letter, the request log started afresh.
  HeadlessDialogHost& OpenLoggedIn(char letter = 'F') {
    PlugCamera(letter);
    HeadlessDialogHost& w = Open();
    dlg.status.loggedIn = true;
    dlg.RefreshPanel();
    drives.RecordRequests(true);
    drives.ClearRequestLog();
    return w;
  }

  std::vector<WireCommand> VendorCommands() const {
    std::vector<WireCommand> out;
    for (const auto& r : drives.Requests()) {
      const std::uint32_t code = VendorCode(r.cdb);
      if (code == 0) continue;
      out.push_back({code, r.cdb[8], r.cdb[9], r.cdb[10], r.ok});
    }
    return out;
  }

  // The one message box shown, checked for its form; its text.
  std::string OnlyBox() const {
    const auto boxes = services.CallsOf(ServiceCall::Kind::MessageBox);
    EXPECT_EQ(boxes.size(), 1u);
    if (boxes.size() != 1) return {};
    ExpectFlowBox(boxes[0]);
    return boxes[0].text;
  }

  sim::CameraState& Camera(char letter = 'F') { return drives.Drive(letter)->camera->state; }
};

TEST_F(CameraOptionsTest, SyncSendsTheDateThenTheTimeOfOneClockReading) {
  HeadlessDialogHost& w = OpenLoggedIn();
  services.SetCalendar(1709647629);  // 2024-03-05 14:07:09 UTC
  services.SetUtcOffsetSeconds(0);
  const int readsBefore = services.calendarReads();

  ASSERT_TRUE(w.Click(IDC_BUTTON_SYNC_TIME));

  EXPECT_EQ(VendorCommands(), (std::vector<WireCommand>{{CMD_SET_DATE, 24, 3, 5, true},
                                                        {CMD_SET_TIME, 14, 7, 9, true}}));
  EXPECT_EQ(Camera().date, (std::array<std::uint8_t, 3>{24, 3, 5}));
  EXPECT_EQ(Camera().time, (std::array<std::uint8_t, 3>{14, 7, 9}));
  EXPECT_EQ(services.calendarReads() - readsBefore, 1);
  EXPECT_EQ(OnlyBox(), "Time sync completed!");
}

TEST_F(CameraOptionsTest, SyncWithAnUnreadableClockSendsNothingAndSaysSo) {
  HeadlessDialogHost& w = OpenLoggedIn();
  services.FailLocalCalendar(true);
  const auto opens = drives.OpenCount();
  const auto before = Camera();

  ASSERT_TRUE(w.Click(IDC_BUTTON_SYNC_TIME));

  EXPECT_TRUE(drives.Requests().empty());
  EXPECT_EQ(drives.OpenCount(), opens);
  EXPECT_EQ(Camera(), before);
  EXPECT_EQ(OnlyBox(), "The PC clock could not be read.");
}

struct Selection {
  int control;
  int index;
  std::uint32_t code;
  std::string message;
};

const Selection kSelections[] = {
    {IDC_COMBO_RESOLUTION, 0, CMD_SET_RESOLUTION, "Change video resolution to 1080P."},
    {IDC_COMBO_RESOLUTION, 1, CMD_SET_RESOLUTION, "Change video resolution to 720P."},
    {IDC_COMBO_LOOP_RECORDING, 0, CMD_SET_LOOP_RECORDING, "Loop recording off!"},
    {IDC_COMBO_LOOP_RECORDING, 1, CMD_SET_LOOP_RECORDING, "Loop recording on!"},
};

TEST_F(CameraOptionsTest, ASelectionSendsItsIndexAndNamesTheSetting) {
  for (const Selection& s : kSelections) {
    SCOPED_TRACE(s.message);
    HeadlessDialogHost& w = OpenLoggedIn();
    ASSERT_TRUE(w.SelectComboItem(s.control, s.index));
    EXPECT_EQ(VendorCommands(),
              (std::vector<WireCommand>{{s.code, std::uint8_t(s.index), 0, 0, true}}));
    const std::uint8_t kept =
        s.control == IDC_COMBO_RESOLUTION ? Camera().resolution : Camera().loopRecording;
    EXPECT_EQ(kept, s.index);
    EXPECT_EQ(OnlyBox(), s.message);
    // The panel and the window's model follow the operator's choice; nothing
    // is read back (the one command above).
    EXPECT_EQ(s.control == IDC_COMBO_RESOLUTION ? dlg.status.resolutionIndex
                                                : dlg.status.loopRecordingIndex,
              s.index);
    EXPECT_EQ(w.ComboGetCurSel(s.control), s.index);
    drives.Remove('F');
    services = ui::FakeSystemServices();
  }
}

TEST_F(CameraOptionsTest, ThePanelsOwnSelectionSendsNothing) {
  HeadlessDialogHost& w = OpenLoggedIn();
  dlg.status.resolutionIndex = 0;
  dlg.status.loopRecordingIndex = 0;
  dlg.RefreshPanel();
  EXPECT_EQ(w.ComboGetCurSel(IDC_COMBO_RESOLUTION), 0);
  EXPECT_TRUE(drives.Requests().empty());
  EXPECT_TRUE(services.calls().empty());
}

// Each setting flow, run by the operator's action.
struct SettingFlow {
  const char* name;
  std::function<void(HeadlessDialogHost&)> run;
  std::string success;
  int commands;  // vendor commands the flow sends
};

const SettingFlow kSettingFlows[] = {
    {"sync", [](HeadlessDialogHost& w) { w.Click(IDC_BUTTON_SYNC_TIME); }, "Time sync completed!",
     2},
    {"resolution", [](HeadlessDialogHost& w) { w.SelectComboItem(IDC_COMBO_RESOLUTION, 0); },
     "Change video resolution to 1080P.", 1},
    {"loop", [](HeadlessDialogHost& w) { w.SelectComboItem(IDC_COMBO_LOOP_RECORDING, 1); },
     "Loop recording on!", 1},
};

TEST_F(CameraOptionsTest, WithTheCameraGoneSinceTheRefreshNothingIsSentOrClaimed) {
  for (const SettingFlow& f : kSettingFlows) {
    SCOPED_TRACE(f.name);
    HeadlessDialogHost& w = OpenLoggedIn();
    drives.Remove('F');
    f.run(w);
    EXPECT_TRUE(VendorCommands().empty());
    EXPECT_EQ(OnlyBox(), kNotConnected);
    services = ui::FakeSystemServices();
  }
}

TEST_F(CameraOptionsTest, AFailedTransferIsReportedNotCalledDone) {
  for (const SettingFlow& f : kSettingFlows) {
    // Each command of the flow failing in turn; discovery takes two requests.
    for (int failing = 1; failing <= f.commands; ++failing) {
      SCOPED_TRACE(std::string(f.name) + " command " + std::to_string(failing));
      HeadlessDialogHost& w = OpenLoggedIn();
      sim::SimulatedDrive* camera = drives.Drive('F');
      camera->faults.failRequests = {camera->requests + 2 + std::uint64_t(failing)};
      f.run(w);
      const auto sent = VendorCommands();
      ASSERT_EQ(sent.size(), std::size_t(failing));  // nothing after the failure
      EXPECT_FALSE(sent.back().ok);
      EXPECT_EQ(OnlyBox(), kNoAnswer);
      drives.Remove('F');
      services = ui::FakeSystemServices();
    }
  }
}

TEST_F(CameraOptionsTest, FailuresBeforeTheCameraWasFoundDoNotCount) {
  for (const SettingFlow& f : kSettingFlows) {
    SCOPED_TRACE(f.name);
    HeadlessDialogHost& w = OpenLoggedIn();
    session.failedTransfers = 3;  // left over from earlier work
    f.run(w);
    EXPECT_EQ(OnlyBox(), f.success);
    EXPECT_EQ(int(VendorCommands().size()), f.commands);
    drives.Remove('F');
    services = ui::FakeSystemServices();
  }
}

TEST_F(CameraOptionsTest, OpenFolderReleasesTheDriveChecksItTwiceAndOpensIt) {
  HeadlessDialogHost& w = OpenLoggedIn('G');
  ASSERT_TRUE(DiscoverCamera(session));
  ASSERT_NE(session.handle, kNoHandle);
  drives.ClearRequestLog();

  ASSERT_TRUE(w.Click(IDC_BUTTON_OPEN_FOLDER));

  EXPECT_EQ(session.handle, kNoHandle);
  EXPECT_EQ(drives.OpenHandleCount(), 0);
  EXPECT_EQ(session.driveName(), "G:");
  EXPECT_TRUE(drives.Requests().empty());
  const auto& calls = services.calls();
  ASSERT_EQ(calls.size(), 3u);
  const std::string chkdsk = "cmd.exe /c echo y|CHKDSK G: /F";
  EXPECT_EQ(calls[0].kind, ServiceCall::Kind::StartHidden);
  EXPECT_EQ(calls[0].text, chkdsk);
  EXPECT_EQ(calls[0].atMs, 100u);
  EXPECT_EQ(calls[1].kind, ServiceCall::Kind::StartHidden);
  EXPECT_EQ(calls[1].text, chkdsk);
  EXPECT_EQ(calls[1].atMs, 900u);
  EXPECT_EQ(calls[2].kind, ServiceCall::Kind::ShellOpen);
  EXPECT_EQ(calls[2].text, "explorer");
  EXPECT_EQ(calls[2].parameters, "G:\\");
  EXPECT_EQ(calls[2].atMs, 2900u);
  EXPECT_EQ(services.nowMs(), 2900u);
}

TEST_F(CameraOptionsTest, OpenFolderWithNoCameraEverFoundStartsNothing) {
  sim::SimulatedDrive disk;
  drives.Insert('D', disk);
  HeadlessDialogHost& w = Open();
  ASSERT_EQ(session.driveName(), "");
  w.EnableControl(IDC_BUTTON_OPEN_FOLDER, true);  // as a stale panel might leave it

  ASSERT_TRUE(w.Click(IDC_BUTTON_OPEN_FOLDER));

  EXPECT_TRUE(services.CallsOf(ServiceCall::Kind::StartHidden).empty());
  EXPECT_TRUE(services.CallsOf(ServiceCall::Kind::ShellOpen).empty());
  EXPECT_EQ(OnlyBox(), kNotConnected);
}

}  // namespace
}  // namespace zul::test
