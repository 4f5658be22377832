// The headless backend behaves like the system's dialog manager where the
// window code depends on it, and the template table holds what the resource
// script must hold.

#include <gtest/gtest.h>

#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/headless/FakeSystemServices.h"
#include "tests/support/headless/HeadlessWindowSystem.h"

namespace zul::test {
namespace {

using ui::HeadlessDialogHost;

class ProbeDialog : public ui::Dialog {
 public:
  explicit ProbeDialog(ui::WindowSystem& windows) : Dialog(windows, IDD_ZUL_PC_TOOL_DIALOG) {}
  void OnLogin() { log.push_back("login"); }
  void OnResolutionChange() {
    log.push_back("resolution " + std::to_string(host().ComboGetCurSel(IDC_COMBO_RESOLUTION)) +
                  " '" + host().Control(IDC_COMBO_RESOLUTION).text + "'");
  }
  HeadlessDialogHost& host() const { return static_cast<HeadlessDialogHost&>(Dialog::host()); }
  std::vector<std::string> log;

 protected:
  std::span<const ui::MessageEntry> MessageTable() const override;
};

// clang-format off
BEGIN_MESSAGE_MAP(ProbeDialog)
  ON_BN_CLICKED(IDC_BUTTON_LOGIN, OnLogin)
  ON_CBN_SELCHANGE(IDC_COMBO_RESOLUTION, OnResolutionChange)
END_MESSAGE_MAP()
// clang-format on

class HeadlessBackendTest : public ::testing::Test {
 protected:
  ui::HeadlessWindowSystem windows;
  ProbeDialog dialog{windows};
  std::unique_ptr<HeadlessDialogHost> window = windows.Open(dialog);
};

TEST_F(HeadlessBackendTest, OnlyTheOperatorsComboSelectionNotifies) {
  HeadlessDialogHost& w = *window;
  w.ComboAddString(IDC_COMBO_RESOLUTION, "1080P 30FPS");
  w.ComboAddString(IDC_COMBO_RESOLUTION, "720P 30FPS");
  w.ComboSetCurSel(IDC_COMBO_RESOLUTION, 0);
  EXPECT_TRUE(dialog.log.empty());
  EXPECT_EQ(w.Text(IDC_COMBO_RESOLUTION), "1080P 30FPS");

  ASSERT_TRUE(w.SelectComboItem(IDC_COMBO_RESOLUTION, 1));
  // The handler sees the new selection while the edit text still shows the old.
  EXPECT_EQ(dialog.log, (std::vector<std::string>{"resolution 1 '1080P 30FPS'"}));
  EXPECT_EQ(w.Text(IDC_COMBO_RESOLUTION), "720P 30FPS");

  w.EnableControl(IDC_COMBO_RESOLUTION, false);
  EXPECT_FALSE(w.SelectComboItem(IDC_COMBO_RESOLUTION, 0));
  EXPECT_EQ(dialog.log.size(), 1u);
}

TEST_F(HeadlessBackendTest, EnterAndEscapeGetTheDialogManagersDefaults) {
  HeadlessDialogHost& w = *window;
  ASSERT_TRUE(w.SetFocus(IDC_BUTTON_LOGIN));
  EXPECT_TRUE(w.PressKey(win::kVkReturn));  // a focused push button is pressed
  EXPECT_EQ(dialog.log, (std::vector<std::string>{"login"}));
  EXPECT_FALSE(w.ended());

  w.SetFocus(IDC_EDIT_OFFICER);
  EXPECT_TRUE(w.PressKey(win::kVkReturn));  // no default button in this template: IDOK
  EXPECT_TRUE(w.ended());
  EXPECT_EQ(w.result(), win::kIdOk);

  ProbeDialog other{windows};
  auto w2 = windows.Open(other);
  EXPECT_TRUE(w2->PressKey(win::kVkEscape));
  EXPECT_EQ(w2->result(), win::kIdCancel);
  EXPECT_FALSE(w2->PressKey('A'));
}

TEST_F(HeadlessBackendTest, PostedCommandsRunWhenTheQueueRuns) {
  HeadlessDialogHost& w = *window;
  w.PostCommand(IDC_BUTTON_LOGIN);
  w.PostCommand(IDC_BUTTON_LOGIN);
  EXPECT_TRUE(dialog.log.empty());
  EXPECT_EQ(w.RunPosted(), 2u);
  EXPECT_EQ(dialog.log.size(), 2u);
  // Nothing runs once the dialog has ended.
  w.PostCommand(win::kIdOk);
  w.PostCommand(IDC_BUTTON_LOGIN);
  EXPECT_EQ(w.RunPosted(), 1u);
  EXPECT_TRUE(w.ended());
  EXPECT_EQ(dialog.log.size(), 2u);
}

TEST_F(HeadlessBackendTest, DisabledControlsTakeNoInputAndLoseTheFocus) {
  HeadlessDialogHost& w = *window;
  w.SetFocus(IDC_EDIT_OFFICER);
  w.EnableControl(IDC_EDIT_OFFICER, false);
  EXPECT_EQ(w.FocusedControl(), 0);
  EXPECT_EQ(w.Type(IDC_EDIT_OFFICER, "abc"), 0u);
  EXPECT_FALSE(w.SetFocus(IDC_EDIT_OFFICER));
  w.EnableControl(IDC_BUTTON_LOGIN, false);
  EXPECT_FALSE(w.Click(IDC_BUTTON_LOGIN));
  EXPECT_TRUE(dialog.log.empty());
  // Tab skips disabled controls: after 1016 comes 1018.
  w.SetFocus(IDC_EDIT_NEW_PASSWORD);
  w.EnableControl(IDC_EDIT_OFFICER, false);
  ASSERT_TRUE(w.PressKey(win::kVkTab));
  EXPECT_EQ(w.FocusedControl(), IDC_EDIT_DEPARTMENT);
}

TEST_F(HeadlessBackendTest, TextCopiesAreBoundedAndTerminated) {
  HeadlessDialogHost& w = *window;
  w.SetControlText(IDC_EDIT_OFFICER, "abcdefgh");
  char buffer[6] = {'x', 'x', 'x', 'x', 'x', 'x'};
  EXPECT_EQ(w.GetControlText(IDC_EDIT_OFFICER, buffer, 5), 4u);
  EXPECT_STREQ(buffer, "abcd");
  EXPECT_EQ(buffer[5], 'x');
  EXPECT_EQ(w.GetControlText(IDC_EDIT_OFFICER, buffer, 0), 0u);
}

TEST_F(HeadlessBackendTest, AControlOutsideTheTemplateIsAFault) {
  EXPECT_THROW(window->SetControlText(1041, "x"), std::invalid_argument);
  EXPECT_THROW(window->EnableControl(IDC_STATIC, false), std::invalid_argument);
  EXPECT_FALSE(window->FireTimer(99));  // never started
}

TEST(Templates, MainWindowTemplateHoldsEveryControlOnce) {
  const ui::DialogTemplate* t = ui::FindDialogTemplate(IDD_ZUL_PC_TOOL_DIALOG);
  ASSERT_NE(t, nullptr);
  EXPECT_STREQ(t->caption, "MARLOWEN RZC V1.5");
  EXPECT_EQ(t->controls.size(), 37u);
  std::set<int> ids;
  for (const ui::ControlTemplate& c : t->controls) {
    EXPECT_EQ(c.style & (win::kWsChild | win::kWsVisible),
              static_cast<std::uint32_t>(win::kWsChild | win::kWsVisible))
        << c.caption;
    EXPECT_EQ(c.style & win::kWsDisabled, 0u) << c.caption;
    if (c.id != IDC_STATIC) {
      EXPECT_TRUE(ids.insert(c.id).second) << c.id;
    }
  }
  EXPECT_EQ(ids.size(), 21u);
  EXPECT_EQ(ui::FindDialogTemplate(999), nullptr);
}

TEST(Templates, ControlsArePlacedFromDialogUnits) {
  ui::HeadlessWindowSystem windows;
  ProbeDialog dialog{windows};
  auto w = windows.Open(dialog);
  // 1003 at 23, 48, size 89 x 14 dialog units; base units 6 x 13.
  EXPECT_EQ(w->ControlRect(IDC_EDIT_PASSWORD), (ui::Rect{35, 78, 35 + 134, 78 + 23}));
  EXPECT_EQ(w->ClientRect(), (ui::Rect{0, 0, 717, 567}));
}

TEST(FakeServices, CalendarFieldsOfSeconds) {
  struct Case {
    std::int64_t seconds;
    ui::CalendarTime t;
  };
  for (const Case& c :
       {Case{1515481503, {2018, 1, 9, 7, 5, 3}}, Case{951782400, {2000, 2, 29, 0, 0, 0}},
        Case{-1, {1969, 12, 31, 23, 59, 59}}, Case{0, {1970, 1, 1, 0, 0, 0}}}) {
    const ui::CalendarTime t = ui::CalendarFromSeconds(c.seconds);
    EXPECT_EQ((std::vector<int>{t.year, t.month, t.day, t.hour, t.minute, t.second}),
              (std::vector<int>{c.t.year, c.t.month, c.t.day, c.t.hour, c.t.minute, c.t.second}))
        << c.seconds;
  }
  ui::FakeSystemServices services;
  services.SetUtcOffsetSeconds(3600);
  EXPECT_EQ(services.ToLocalCalendar(1515481503)->hour, 8);
  services.FailLocalCalendar(true);
  EXPECT_FALSE(services.ToLocalCalendar(1515481503).has_value());
}

}  // namespace
}  // namespace zul::test
