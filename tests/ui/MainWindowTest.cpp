// The main window's start, clock, painting and device notices, over simulated
// drives and the recording PC services.

#include <functional>
#include <string>
#include <vector>

#include "tests/support/CameraWorld.h"
#include "ui/Application.h"

namespace zul::test {
namespace {

using ui::HeadlessDialogHost;
using ui::ServiceCall;

// ---- Start ----

TEST_F(MainWindowTest, StartsWithTitleIconsTimerAndLimits) {
  PlugCamera('F');
  HeadlessDialogHost& w = Open();
  EXPECT_EQ(w.title(), "   MARLOWEN RZC V1.6");
  const auto icon = HeadlessDialogHost::IconOf(IDI_CAMERA);
  EXPECT_EQ(dlg.icon, icon);
  using IconCalls = std::vector<std::pair<ui::IconHandle, bool>>;
  EXPECT_EQ(w.iconCalls(), (IconCalls{{icon, true}, {icon, false}}));
  EXPECT_EQ(w.timers(), (std::map<std::uintptr_t, unsigned>{{ui::CLOCK_TIMER_ID, 1000}}));

  EXPECT_EQ(w.Control(IDC_EDIT_NEW_PASSWORD).limit, 10u);
  for (int id : {IDC_EDIT_OFFICER, IDC_EDIT_DEPARTMENT, IDC_EDIT_ADDITIONAL, IDC_EDIT_NEW_HINT}) {
    EXPECT_EQ(w.Control(id).limit, 40u) << id;
  }
  EXPECT_EQ(w.Control(IDC_EDIT_HINT_DISPLAY).limit, HeadlessDialogHost::kDefaultEditLimit);
  // The eleventh character typed into the login password is refused.
  EXPECT_EQ(w.Type(IDC_EDIT_PASSWORD, "abcdefghijk"), 10u);
  EXPECT_EQ(w.Text(IDC_EDIT_PASSWORD), "abcdefghij");
  EXPECT_EQ(w.Type(IDC_EDIT_PASSWORD, "z"), 0u);
}

TEST_F(MainWindowTest, StartsLoggedOutWhateverTheCameraReports) {
  PlugCamera('E', {.login = true, .administrator = true});
  HeadlessDialogHost& w = Open();
  EXPECT_TRUE(dlg.status.connected);
  EXPECT_FALSE(dlg.status.loggedIn);
  EXPECT_FALSE(dlg.status.administrator);
  EXPECT_FALSE(w.IsControlEnabled(IDC_BUTTON_MODIFY_PASSWORD));
  EXPECT_TRUE(w.IsControlEnabled(IDC_BUTTON_LOGIN));
  EXPECT_EQ(w.Text(IDC_STATIC_STATUS), "Firmware Version:   V1.0.7");
  EXPECT_EQ(w.Text(IDC_STATIC_SERIAL), "Camera Serial Number: RZ000042");
  EXPECT_EQ(w.FocusedControl(), IDC_EDIT_PASSWORD);  // the first enabled tab stop
  EXPECT_EQ(services.noticeRegistrations(), 1);
  EXPECT_EQ(services.registeredWindow(), &w);
  EXPECT_TRUE(services.calls().empty());
}

TEST_F(MainWindowTest, StartedWithoutACameraEverythingIsDisabled) {
  sim::SimulatedDrive disk;  // a plain disk is no camera
  drives.Insert('D', disk);
  HeadlessDialogHost& w = Open();
  EXPECT_FALSE(dlg.status.connected);
  EXPECT_EQ(w.title(), "   MARLOWEN RZC V1.6");
  EXPECT_EQ(w.Text(IDC_STATIC_STATUS), "Device not connected.");
  for (int id : kOperatorControls) EXPECT_FALSE(w.IsControlEnabled(id)) << id;
  for (int id : {IDC_COMBO_RESOLUTION, IDC_COMBO_LOOP_RECORDING}) {
    EXPECT_TRUE(w.Control(id).items.empty());
  }
  EXPECT_EQ(w.Text(IDC_STATIC_SERIAL), "");
  EXPECT_EQ(w.FocusedControl(), 0);
  EXPECT_EQ(w.Type(IDC_EDIT_PASSWORD, "abcd"), 0u);  // disabled fields take nothing
}

TEST_F(MainWindowTest, FailedNoticeRegistrationSaysSoOnceAndTheWindowStillOpens) {
  PlugCamera('F');
  services.FailDeviceNotices(true);
  bool loggedOutWhileBoxOpen = false;
  services.whileBoxOpen = [&](const ServiceCall&) {
    loggedOutWhileBoxOpen = dlg.status.connected && !dlg.status.loggedIn;
  };
  HeadlessDialogHost& w = Open();
  const auto boxes = services.CallsOf(ServiceCall::Kind::FrameworkMessageBox);
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].text, "USB enum failed!");
  EXPECT_EQ(boxes[0].type, static_cast<unsigned>(win::kMbOkCancel | win::kMbIconExclamation));
  EXPECT_EQ(boxes[0].caption, services.applicationName);
  EXPECT_TRUE(services.CallsOf(ServiceCall::Kind::MessageBox).empty());
  EXPECT_TRUE(loggedOutWhileBoxOpen);  // the readout ran before, the flags were cleared
  EXPECT_EQ(w.Text(IDC_STATIC_STATUS), "Firmware Version:   V1.0.7");
  EXPECT_TRUE(w.IsControlEnabled(IDC_EDIT_PASSWORD));
}

TEST_F(MainWindowTest, ApplicationRunsTheWindowModallyAndEndsTheProcess) {
  PlugCamera('F');
  std::string titleSeen;
  windows.OnModal([&](HeadlessDialogHost& w) {
    titleSeen = w.title();
    w.Close();
  });
  ui::CZUL_PC_TOOLApp app(windows, services, session);
  EXPECT_FALSE(app.InitInstance());
  EXPECT_EQ(titleSeen, "   MARLOWEN RZC V1.6");
  ASSERT_EQ(windows.modalRuns().size(), 1u);
  EXPECT_EQ(windows.modalRuns()[0].templateId, IDD_ZUL_PC_TOOL_DIALOG);
  EXPECT_EQ(windows.modalRuns()[0].result, win::kIdCancel);
  EXPECT_FALSE(windows.modalRuns()[0].closedByWindowSystem);
  EXPECT_EQ(windows.OpenDialog(IDD_ZUL_PC_TOOL_DIALOG), nullptr);
}

// ---- Clock and painting ----

TEST_F(MainWindowTest, ClockTextIsEmptyUntilTheFirstTickThenDateAndTime) {
  HeadlessDialogHost& w = Open();
  EXPECT_EQ(w.Text(IDC_STATIC_CLOCK), "");
  services.SetLocalTime({2018, 1, 9, 7, 5, 3, 250});
  ASSERT_TRUE(w.FireTimer(ui::CLOCK_TIMER_ID));
  EXPECT_EQ(w.Text(IDC_STATIC_CLOCK), "2018-01-09 07:05:03");
  // Any timer identifier rewrites it.
  services.SetLocalTime({2031, 12, 31, 23, 59, 59, 0});
  w.Send({win::kWmTimer, 7, 0});
  EXPECT_EQ(w.Text(IDC_STATIC_CLOCK), "2031-12-31 23:59:59");
}

TEST_F(MainWindowTest, PaintsTheIconCentredWhenMinimisedAndGivesItAsDragIcon) {
  HeadlessDialogHost& w = Open();
  w.Paint();
  EXPECT_EQ(w.defaultPaints(), 1);
  EXPECT_TRUE(w.minimisedPaints().empty());

  w.SetMinimised(true);
  w.Paint();
  ASSERT_EQ(w.minimisedPaints().size(), 1u);
  const ui::Rect client = w.ClientRect();
  EXPECT_EQ(w.minimisedPaints()[0].icon, dlg.icon);
  EXPECT_EQ(w.minimisedPaints()[0].x, (client.right - 32 + 1) / 2);
  EXPECT_EQ(w.minimisedPaints()[0].y, (client.bottom - 32 + 1) / 2);
  EXPECT_EQ(w.defaultPaints(), 1);
  EXPECT_EQ(w.QueryDragIcon(), HeadlessDialogHost::IconOf(IDI_CAMERA));
}

// ---- Device notices ----

class DeviceNoticeTest : public MainWindowTest {
 protected:
  // The calendar clock 300 ms into a second, running with the virtual clock.
  void SetUp() override { services.SetCalendar(1515481503, 300); }
};

TEST_F(DeviceNoticeTest, ArrivalWaitsForTheNextSecondThenReadsTheCamera) {
  HeadlessDialogHost& w = Open();
  ASSERT_FALSE(dlg.status.connected);
  PlugCamera('G');
  const auto opensBefore = drives.OpenCount();
  bool readDuringWait = false;
  services.onSleep = [&] { readDuringWait |= drives.OpenCount() != opensBefore; };
  const auto start = services.nowMs();

  EXPECT_TRUE(w.DeviceChange(win::kDbtDeviceArrival));

  const auto waited = services.nowMs() - start;
  EXPECT_GE(waited, 700u);
  EXPECT_LT(waited, 700u + ui::CZUL_PC_TOOLDlg::kWaitStepMs);
  // It slept in short steps instead of spinning on the clock.
  EXPECT_EQ(services.sleepCalls(), static_cast<int>(waited / ui::CZUL_PC_TOOLDlg::kWaitStepMs));
  EXPECT_LE(services.calendarReads(), services.sleepCalls() + 2);
  EXPECT_FALSE(readDuringWait);
  EXPECT_GT(drives.OpenCount(), opensBefore);
  EXPECT_TRUE(dlg.status.connected);
  EXPECT_EQ(w.Text(IDC_STATIC_STATUS), "Firmware Version:   V1.0.7");
  EXPECT_TRUE(w.IsControlEnabled(IDC_BUTTON_LOGIN));
}

TEST_F(DeviceNoticeTest, ArrivalGivesUpWaitingWhenTheClockStandsStillOrGoesBack) {
  struct Case {
    const char* name;
    std::function<void(ui::FakeSystemServices&)> clock;
  };
  const std::vector<Case> cases = {
      {"stopped", [](ui::FakeSystemServices& s) { s.SetCalendarRunning(false); }},
      {"set back an hour",
       [](ui::FakeSystemServices& s) {
         const int firstSleep = s.sleepCalls() + 1;
         s.onSleep = [&s, firstSleep] {
           if (s.sleepCalls() == firstSleep) s.SetCalendar(1515481503 - 3600);
         };
       }},
  };
  PlugCamera('F');
  HeadlessDialogHost& w = Open();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    services.SetCalendar(1515481503, 300);
    services.SetCalendarRunning(true);
    services.onSleep = nullptr;
    c.clock(services);
    dlg.status.connected = false;
    const auto start = services.nowMs();
    const int sleepsBefore = services.sleepCalls();

    EXPECT_TRUE(w.DeviceChange(win::kDbtDeviceArrival));

    EXPECT_EQ(services.nowMs() - start, ui::CZUL_PC_TOOLDlg::kWaitLimitMs);
    EXPECT_EQ(
        services.sleepCalls() - sleepsBefore,
        static_cast<int>(ui::CZUL_PC_TOOLDlg::kWaitLimitMs / ui::CZUL_PC_TOOLDlg::kWaitStepMs));
    EXPECT_TRUE(dlg.status.connected);  // the camera is read all the same
  }
}

TEST_F(DeviceNoticeTest, ArrivalTakesALoginTheCameraReportsAndKeepsTheWindowsOwn) {
  struct Case {
    const char* name;
    bool wasLoggedIn, wasAdministrator;
    bool reportsLogin, reportsAdministrator;
    bool loggedIn, administrator;
  };
  for (const Case& c : {
           Case{"kept login", true, false, false, false, true, false},
           Case{"kept administrator", true, true, false, false, true, true},
           Case{"reported login", false, false, true, true, true, true},
           Case{"administrator without login", false, false, false, true, false, false},
       }) {
    SCOPED_TRACE(c.name);
    PlugCamera('F', {c.reportsLogin, c.reportsAdministrator});
    HeadlessDialogHost& w = Open();
    dlg.status.loggedIn = c.wasLoggedIn;
    dlg.status.administrator = c.wasAdministrator;

    w.DeviceChange(win::kDbtDeviceArrival);

    EXPECT_EQ(dlg.status.loggedIn, c.loggedIn);
    EXPECT_EQ(dlg.status.administrator, c.administrator);
    EXPECT_EQ(w.IsControlEnabled(IDC_BUTTON_MODIFY_PASSWORD), c.loggedIn);
  }
}

TEST_F(DeviceNoticeTest, ArrivalWithAReadoutFailingPartWayShowsNoCameraButKeepsTheLogin) {
  PlugCamera('F');
  HeadlessDialogHost& w = Open();
  dlg.status.loggedIn = true;
  // Discovery answers (INQUIRY, identification); the first status query fails.
  sim::SimulatedDrive* camera = drives.Drive('F');
  camera->faults.failRequests = {camera->requests + 3};

  EXPECT_TRUE(w.DeviceChange(win::kDbtDeviceArrival));

  EXPECT_FALSE(dlg.status.connected);
  EXPECT_TRUE(dlg.status.loggedIn);
  EXPECT_EQ(w.Text(IDC_STATIC_STATUS), "Device not connected.");
  EXPECT_EQ(w.Text(IDC_EDIT_OFFICER), "");
  EXPECT_FALSE(w.IsControlEnabled(IDC_EDIT_PASSWORD));
  EXPECT_TRUE(w.IsControlEnabled(IDC_BUTTON_MODIFY_PASSWORD));
  EXPECT_TRUE(w.Control(IDC_COMBO_RESOLUTION).items.empty());
}

TEST_F(DeviceNoticeTest, RemovalLogsOutEvenWhenTheCameraStays) {
  PlugCamera('F');
  HeadlessDialogHost& w = Open();
  dlg.status.loggedIn = dlg.status.administrator = true;
  dlg.RefreshPanel();
  const auto opens = drives.OpenCount();
  const auto now = services.nowMs();

  EXPECT_TRUE(w.DeviceChange(win::kDbtDeviceRemoveComplete));

  EXPECT_FALSE(dlg.status.loggedIn);
  EXPECT_FALSE(dlg.status.connected);
  EXPECT_FALSE(dlg.status.administrator);
  EXPECT_EQ(w.Text(IDC_STATIC_STATUS), "Device not connected.");
  for (int id : kOperatorControls) EXPECT_FALSE(w.IsControlEnabled(id)) << id;
  EXPECT_EQ(drives.OpenCount(), opens);  // the camera is not asked
  EXPECT_EQ(services.nowMs(), now);

  // Until the next arrival reads it again.
  w.DeviceChange(win::kDbtDeviceArrival);
  EXPECT_TRUE(dlg.status.connected);
  EXPECT_EQ(w.Text(IDC_STATIC_STATUS), "Firmware Version:   V1.0.7");
}

TEST_F(DeviceNoticeTest, OtherEventsChangeNothingAndAreGranted) {
  PlugCamera('F');
  HeadlessDialogHost& w = Open();
  dlg.status.loggedIn = true;
  dlg.RefreshPanel();
  const auto controls = w.Controls();
  const auto opens = drives.OpenCount();
  for (unsigned event : {static_cast<unsigned>(win::kDbtDeviceQueryRemove), 0x0007u, 0x8003u}) {
    EXPECT_TRUE(w.DeviceChange(event)) << event;
  }
  EXPECT_EQ(w.Controls(), controls);
  EXPECT_TRUE(dlg.status.loggedIn);
  EXPECT_TRUE(dlg.status.connected);
  EXPECT_EQ(drives.OpenCount(), opens);
  EXPECT_EQ(services.sleepCalls(), 0);
}

TEST_F(DeviceNoticeTest, ANoticeWhileAMessageBoxIsOpenActsOnTheWindowAtOnce) {
  PlugCamera('F');
  HeadlessDialogHost& w = Open();
  dlg.status.loggedIn = true;
  dlg.RefreshPanel();
  services.whileBoxOpen = [&](const ServiceCall&) {
    w.DeviceChange(win::kDbtDeviceRemoveComplete);
  };
  EXPECT_EQ(services.MessageBox("Some flow's message.", "Marlowen V1.6", win::kMbOk, 1033),
            win::kIdOk);
  EXPECT_FALSE(dlg.status.loggedIn);
  EXPECT_EQ(w.Text(IDC_STATIC_STATUS), "Device not connected.");
}

}  // namespace
}  // namespace zul::test
