// RefreshPanel over the login and connection states, on the controls of the
// main template as they are before any refresh (all enabled, template texts).

#include <set>
#include <vector>

#include "tests/support/CameraWorld.h"

namespace zul::test {
namespace {

using ui::HeadlessDialogHost;

class PanelStateTest : public MainWindowTest {
 protected:
  PanelStateTest() {
    dlg.status.firmwareText = "Firmware Version:   V1.0.7";
    dlg.status.officerText = "Officer Jones";
    dlg.status.departmentText = "Traffic";
    dlg.status.additionalText = "Unit 7";
    dlg.status.hintText = "pet name";
    dlg.status.serialNumber = "RZ000042";
    dlg.status.serialLine = "Camera Serial Number: RZ000042";
    dlg.status.resolutionIndex = 1;
    dlg.status.loopRecordingIndex = 0;
  }

  std::set<int> EnabledOperatorControls() const {
    std::set<int> out;
    for (int id : kOperatorControls) {
      if (host.IsControlEnabled(id)) out.insert(id);
    }
    return out;
  }

  HeadlessDialogHost host{windows, dlg, *ui::FindDialogTemplate(IDD_ZUL_PC_TOOL_DIALOG)};
};

struct EnableCase {
  const char* name;
  bool loggedIn;
  bool connected;
  std::set<int> enabled;  // starting from every control enabled
};

class PanelEnableTest : public PanelStateTest, public ::testing::WithParamInterface<EnableCase> {};

TEST_P(PanelEnableTest, EnablesWhatTheLoginAndConnectionAllow) {
  const EnableCase& c = GetParam();
  dlg.status.loggedIn = c.loggedIn;
  dlg.status.connected = c.connected;
  dlg.RefreshPanel();
  EXPECT_EQ(EnabledOperatorControls(), c.enabled);
}

// While logged in the reference editor (1017-1019, 1026) keeps its state, so
// from "all enabled" it stays enabled.
INSTANTIATE_TEST_SUITE_P(
    States, PanelEnableTest,
    ::testing::Values(
        EnableCase{"Neither", false, false, {}},
        EnableCase{"ConnectedOnly", false, true, {IDC_EDIT_PASSWORD, IDC_BUTTON_LOGIN}},
        EnableCase{"LoggedIn",
                   true,
                   true,
                   {IDC_COMBO_RESOLUTION, IDC_BUTTON_SYNC_TIME, IDC_EDIT_PASSWORD, IDC_BUTTON_LOGIN,
                    IDC_BUTTON_OPEN_FOLDER, IDC_BUTTON_MODIFY_PASSWORD, IDC_BUTTON_MODIFY_REFERENCE,
                    IDC_COMBO_LOOP_RECORDING, IDC_BUTTON_MODIFY_HINT, IDC_EDIT_OFFICER,
                    IDC_EDIT_DEPARTMENT, IDC_EDIT_ADDITIONAL, IDC_BUTTON_ENTER_REFERENCE}},
        EnableCase{"LoggedInNotConnected",
                   true,
                   false,
                   {IDC_COMBO_RESOLUTION, IDC_BUTTON_SYNC_TIME, IDC_BUTTON_OPEN_FOLDER,
                    IDC_BUTTON_MODIFY_PASSWORD, IDC_BUTTON_MODIFY_REFERENCE,
                    IDC_COMBO_LOOP_RECORDING, IDC_BUTTON_MODIFY_HINT, IDC_EDIT_OFFICER,
                    IDC_EDIT_DEPARTMENT, IDC_EDIT_ADDITIONAL, IDC_BUTTON_ENTER_REFERENCE}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(PanelStateTest, LoggedInLeavesALockedReferenceEditorLocked) {
  for (int id :
       {IDC_EDIT_OFFICER, IDC_EDIT_DEPARTMENT, IDC_EDIT_ADDITIONAL, IDC_BUTTON_ENTER_REFERENCE}) {
    host.EnableControl(id, false);
  }
  dlg.status.loggedIn = dlg.status.connected = true;
  dlg.RefreshPanel();
  for (int id :
       {IDC_EDIT_OFFICER, IDC_EDIT_DEPARTMENT, IDC_EDIT_ADDITIONAL, IDC_BUTTON_ENTER_REFERENCE}) {
    EXPECT_FALSE(host.IsControlEnabled(id)) << id;
  }
}

TEST_F(PanelStateTest, ConnectedShowsTheCameraModel) {
  dlg.status.connected = true;
  dlg.RefreshPanel();
  using Items = std::vector<std::string>;
  EXPECT_EQ(host.Control(IDC_COMBO_RESOLUTION).items, (Items{"1080P 30FPS", "720P 30FPS"}));
  EXPECT_EQ(host.ComboGetCurSel(IDC_COMBO_RESOLUTION), 1);
  EXPECT_EQ(host.Text(IDC_COMBO_RESOLUTION), "720P 30FPS");
  EXPECT_EQ(host.Control(IDC_COMBO_LOOP_RECORDING).items, (Items{"No", "Yes"}));
  EXPECT_EQ(host.ComboGetCurSel(IDC_COMBO_LOOP_RECORDING), 0);
  EXPECT_EQ(host.Text(IDC_COMBO_LOOP_RECORDING), "No");
  EXPECT_EQ(host.Text(IDC_STATIC_STATUS), "Firmware Version:   V1.0.7");
  EXPECT_EQ(host.Text(IDC_STATIC_SERIAL), "Camera Serial Number: RZ000042");
  EXPECT_EQ(host.Text(IDC_EDIT_OFFICER), "Officer Jones");
  EXPECT_EQ(host.Text(IDC_EDIT_DEPARTMENT), "Traffic");
  EXPECT_EQ(host.Text(IDC_EDIT_ADDITIONAL), "Unit 7");
  EXPECT_EQ(host.Text(IDC_EDIT_HINT_DISPLAY), "pet name");
}

TEST_F(PanelStateTest, NotConnectedEmptiesTheModelAndTheControls) {
  for (bool loggedIn : {false, true}) {
    SCOPED_TRACE(loggedIn ? "logged in" : "logged out");
    dlg.status.loggedIn = loggedIn;
    dlg.status.connected = false;
    dlg.RefreshPanel();
    for (int id : {IDC_COMBO_RESOLUTION, IDC_COMBO_LOOP_RECORDING}) {
      EXPECT_TRUE(host.Control(id).items.empty());
      EXPECT_EQ(host.ComboGetCurSel(id), win::kCbErr);
      EXPECT_EQ(host.Text(id), "");
    }
    EXPECT_EQ(host.Text(IDC_STATIC_STATUS), "Device not connected.");
    for (int id : {IDC_STATIC_SERIAL, IDC_EDIT_OFFICER, IDC_EDIT_DEPARTMENT, IDC_EDIT_ADDITIONAL,
                   IDC_EDIT_HINT_DISPLAY}) {
      EXPECT_EQ(host.Text(id), "") << id;
    }
    // The model itself holds the emptied texts; numbers and flags stay.
    const CameraStatus& s = dlg.status;
    EXPECT_EQ(s.firmwareText, "Device not connected.");
    EXPECT_EQ(s.officerText + s.departmentText + s.additionalText + s.serialNumber + s.serialLine +
                  s.hintText,
              "");
    EXPECT_EQ(s.resolutionIndex, 1);
    EXPECT_EQ(s.loggedIn, loggedIn);
  }
  // So a later refresh, even a connected one, shows them empty until a readout.
  dlg.status.connected = true;
  dlg.RefreshPanel();
  EXPECT_EQ(host.Text(IDC_EDIT_OFFICER), "");
  EXPECT_EQ(host.Text(IDC_STATIC_STATUS), "Device not connected.");
}

TEST_F(PanelStateTest, AnIndexOutsideTheListSelectsNothing) {
  dlg.status.connected = true;
  for (int index : {2, 7, 255, -1}) {
    dlg.status.resolutionIndex = index;
    dlg.status.loopRecordingIndex = index;
    dlg.RefreshPanel();
    for (int id : {IDC_COMBO_RESOLUTION, IDC_COMBO_LOOP_RECORDING}) {
      EXPECT_EQ(host.Control(id).items.size(), 2u) << index;
      EXPECT_EQ(host.ComboGetCurSel(id), win::kCbErr) << index;
      EXPECT_EQ(host.Text(id), "") << index;
    }
  }
}

TEST_F(PanelStateTest, TwoRefreshesLeaveWhatOneLeaves) {
  for (bool connected : {false, true}) {
    dlg.status.connected = connected;
    dlg.status.loggedIn = true;
    dlg.RefreshPanel();
    const auto controls = host.Controls();
    const CameraStatus status = dlg.status;
    dlg.RefreshPanel();
    EXPECT_EQ(host.Controls(), controls);
    EXPECT_EQ(dlg.status.firmwareText, status.firmwareText);
    EXPECT_EQ(dlg.status.serialLine, status.serialLine);
  }
}

TEST_F(PanelStateTest, ReplacesReferenceTextsTheOperatorIsTyping) {
  dlg.status.loggedIn = dlg.status.connected = true;
  dlg.RefreshPanel();
  ASSERT_EQ(host.Type(IDC_EDIT_OFFICER, " and partner"), 12u);
  ASSERT_EQ(host.Text(IDC_EDIT_OFFICER), "Officer Jones and partner");
  host.Type(IDC_EDIT_ADDITIONAL, "X");
  dlg.RefreshPanel();
  EXPECT_EQ(host.Text(IDC_EDIT_OFFICER), "Officer Jones");
  EXPECT_EQ(host.Text(IDC_EDIT_ADDITIONAL), "Unit 7");
  EXPECT_EQ(host.FocusedControl(), IDC_EDIT_ADDITIONAL);
}

TEST_F(PanelStateTest, EmptiesTheLoginPasswordAlways) {
  for (bool connected : {false, true}) {
    host.SetControlText(IDC_EDIT_PASSWORD, "secret12");
    dlg.status.connected = connected;
    dlg.RefreshPanel();
    EXPECT_EQ(host.Text(IDC_EDIT_PASSWORD), "");
  }
}

TEST_F(PanelStateTest, NewPasswordFieldEmptiedOnlyForANonAdministratorWithQuery0D) {
  struct Case {
    int query0D;
    bool administrator;
    bool emptied;
  };
  for (const Case& c : {Case{0, false, false}, Case{0, true, false}, Case{1, false, true},
                        Case{0x80, false, true}, Case{1, true, false}}) {
    host.SetControlText(IDC_EDIT_NEW_PASSWORD, "newpass");
    host.SetControlText(IDC_EDIT_NEW_HINT, "typed hint");
    dlg.status.query0D = c.query0D;
    dlg.status.administrator = c.administrator;
    dlg.status.loggedIn = dlg.status.connected = true;
    dlg.RefreshPanel();
    EXPECT_EQ(host.Text(IDC_EDIT_NEW_PASSWORD), c.emptied ? "" : "newpass")
        << c.query0D << " " << c.administrator;
    EXPECT_EQ(host.Text(IDC_EDIT_NEW_HINT), "typed hint");  // never touched
  }
}

TEST_F(PanelStateTest, LeavesClockLabelsAndGroupBoxesAlone) {
  host.SetControlText(IDC_STATIC_CLOCK, "2018-01-09 07:05:03");
  const auto before = host.Controls();
  dlg.RefreshPanel();
  for (std::size_t i = 0; i < before.size(); ++i) {
    if (before[i].id == IDC_STATIC || before[i].id == IDC_STATIC_CLOCK) {
      EXPECT_EQ(host.Controls()[i], before[i]) << i;
    }
  }
}

}  // namespace
}  // namespace zul::test
