// Enter and Escape in the main window: Escape never closes it, Enter acts as
// the ENTER button of the focused field and as nothing elsewhere.

#include "tests/support/CameraWorld.h"

namespace zul::test {
namespace {

using ui::HeadlessDialogHost;

class KeyboardTest : public ::testing::Test, public FlowWorld {
 protected:
  HeadlessDialogHost& OpenUnlocked() {
    HeadlessDialogHost& w = OpenWithCamera();
    ActLoggedIn();
    for (int id :
         {IDC_BUTTON_MODIFY_PASSWORD, IDC_BUTTON_MODIFY_HINT, IDC_BUTTON_MODIFY_REFERENCE}) {
      EXPECT_TRUE(w.Click(id));
    }
    return w;
  }
};

TEST_F(KeyboardTest, EscapeIsSwallowedWhereverTheFocusIs) {
  HeadlessDialogHost& w = OpenUnlocked();
  for (int id : {IDC_EDIT_PASSWORD, IDC_BUTTON_LOGIN, IDC_EDIT_OFFICER, IDC_COMBO_RESOLUTION}) {
    ASSERT_TRUE(w.SetFocus(id));
    EXPECT_TRUE(w.PressKey(win::kVkEscape)) << id;
  }
  EXPECT_FALSE(w.ended());
  EXPECT_TRUE(services.calls().empty());
  EXPECT_TRUE(drives.Requests().empty());
}

TEST_F(KeyboardTest, EnterInTheLoginFieldChecksTheLengthThenPostsOneLogin) {
  HeadlessDialogHost& w = OpenWithCamera();
  // The field takes ten typed characters; a longer text can still be set.
  for (const std::string text : {"123", "12345678901"}) {
    SCOPED_TRACE(text);
    w.SetControlText(IDC_EDIT_PASSWORD, text);
    ASSERT_TRUE(w.SetFocus(IDC_EDIT_PASSWORD));
    EXPECT_TRUE(w.PressKey(win::kVkReturn));
    EXPECT_EQ(Boxes().back(), "Password must longer than 4 characters!");
    EXPECT_EQ(w.pendingPosts(), 0u);
  }
  EXPECT_EQ(Boxes().size(), 2u);

  w.SetControlText(IDC_EDIT_PASSWORD, "1234");
  EXPECT_TRUE(w.PressKey(win::kVkReturn));
  EXPECT_TRUE(drives.Requests().empty());  // nothing until the posted command runs
  EXPECT_EQ(w.RunPosted(), 1u);
  EXPECT_EQ(Count(CMD_CHECK_PASSWORD), 1);
  EXPECT_TRUE(dlg.status.loggedIn);
  EXPECT_EQ(windows.modalRuns().size(), 1u);
}

TEST_F(KeyboardTest, EnterInAnEditorFieldActsAsItsEnterButton) {
  {
    FlowWorld t;
    HeadlessDialogHost& w = t.OpenLoggedIn(IDC_BUTTON_MODIFY_PASSWORD);
    w.Type(IDC_EDIT_NEW_PASSWORD, "9876");
    EXPECT_TRUE(w.PressKey(win::kVkReturn));
    EXPECT_TRUE(sim::PasswordMatches(t.camera->state.userPassword, "9876"));
    EXPECT_EQ(t.Boxes(), Texts{"You've updated your password!"});
    EXPECT_FALSE(w.IsControlEnabled(IDC_EDIT_NEW_PASSWORD));
  }
  {
    FlowWorld t;
    HeadlessDialogHost& w = t.OpenLoggedIn(IDC_BUTTON_MODIFY_HINT);
    w.Type(IDC_EDIT_NEW_HINT, "blue");
    EXPECT_TRUE(w.PressKey(win::kVkReturn));
    EXPECT_EQ(t.camera->state.hint, "blue");
    EXPECT_EQ(w.Text(IDC_EDIT_HINT_DISPLAY), "blue");
    EXPECT_EQ(t.Boxes(), Texts{"You've updated your hint!"});
  }
  for (int field : {IDC_EDIT_OFFICER, IDC_EDIT_DEPARTMENT, IDC_EDIT_ADDITIONAL}) {
    SCOPED_TRACE(field);
    FlowWorld t;
    HeadlessDialogHost& w = t.OpenLoggedIn(IDC_BUTTON_MODIFY_REFERENCE);
    w.SetControlText(IDC_EDIT_OFFICER, "O");
    w.SetControlText(IDC_EDIT_DEPARTMENT, "D");
    w.SetControlText(IDC_EDIT_ADDITIONAL, "X");
    ASSERT_TRUE(w.SetFocus(field));
    EXPECT_TRUE(w.PressKey(win::kVkReturn));
    EXPECT_EQ(w.RunPosted(), 1u);
    EXPECT_EQ(t.camera->state.officer, "O");
    EXPECT_EQ(t.camera->state.department, "D");
    EXPECT_EQ(t.camera->state.additional, "X");
    EXPECT_EQ(t.Boxes(), Texts{"You've updated your reference data!"});
  }
}

TEST_F(KeyboardTest, EnterElsewhereIsConsumedAndDoesNothing) {
  HeadlessDialogHost& w = OpenUnlocked();
  w.SetControlText(IDC_EDIT_PASSWORD, "1234");
  const auto controls = w.Controls();
  for (int id : {IDC_BUTTON_LOGIN, IDC_BUTTON_ENTER_PASSWORD, IDC_BUTTON_MODIFY_HINT,
                 IDC_COMBO_RESOLUTION, IDC_COMBO_LOOP_RECORDING}) {
    ASSERT_TRUE(w.SetFocus(id));
    EXPECT_TRUE(w.PressKey(win::kVkReturn)) << id;
  }
  EXPECT_EQ(w.pendingPosts(), 0u);
  EXPECT_FALSE(w.ended());
  EXPECT_TRUE(services.calls().empty());
  EXPECT_TRUE(drives.Requests().empty());
  // Apart from the focus, nothing changed.
  EXPECT_EQ(w.Controls(), controls);
}

TEST_F(KeyboardTest, OtherKeysGetTheDialogsOwnHandling) {
  HeadlessDialogHost& w = OpenUnlocked();
  ASSERT_TRUE(w.SetFocus(IDC_EDIT_OFFICER));
  EXPECT_TRUE(w.PressKey(win::kVkTab));  // the framework moves the focus on
  EXPECT_NE(w.FocusedControl(), IDC_EDIT_OFFICER);
  EXPECT_FALSE(w.PressKey('A'));
  EXPECT_FALSE(dlg.PreTranslateMessage({win::kWmTimer, ui::CLOCK_TIMER_ID, 0}));
}

}  // namespace
}  // namespace zul::test
