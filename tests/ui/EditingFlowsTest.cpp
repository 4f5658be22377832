// The password, hint and reference editors: what reaches the camera, how the
// groups lock, and that a failed write keeps the operator's texts.

#include "tests/support/CameraWorld.h"

namespace zul::test {
namespace {

using ui::HeadlessDialogHost;

class EditingTest : public ::testing::Test, public FlowWorld {};

TEST_F(EditingTest, NewPasswordNeedsFourCharactersAndLocksOnlyAfterTheMessage) {
  HeadlessDialogHost& w = OpenLoggedIn();
  ASSERT_TRUE(w.Click(IDC_BUTTON_MODIFY_PASSWORD));
  EXPECT_TRUE(w.IsControlEnabled(IDC_EDIT_NEW_PASSWORD));
  EXPECT_TRUE(w.IsControlEnabled(IDC_BUTTON_ENTER_PASSWORD));

  w.Type(IDC_EDIT_NEW_PASSWORD, "abc");
  ASSERT_TRUE(w.Click(IDC_BUTTON_ENTER_PASSWORD));
  EXPECT_EQ(Boxes(), Texts{"Password must longer than 4 characters!"});
  EXPECT_TRUE(drives.Requests().empty());
  EXPECT_TRUE(w.IsControlEnabled(IDC_EDIT_NEW_PASSWORD));
  EXPECT_EQ(w.Text(IDC_EDIT_NEW_PASSWORD), "abc");

  for (const char* password : {"abcd", "abcdefghij"}) {
    SCOPED_TRACE(password);
    ASSERT_TRUE(w.Click(IDC_BUTTON_MODIFY_PASSWORD));
    EXPECT_EQ(w.Text(IDC_EDIT_NEW_PASSWORD), "");
    w.Type(IDC_EDIT_NEW_PASSWORD, password);
    bool openWhileBox = false;
    services.whileBoxOpen = [&](const ui::ServiceCall&) {
      openWhileBox =
          w.IsControlEnabled(IDC_EDIT_NEW_PASSWORD) && w.Text(IDC_EDIT_NEW_PASSWORD) == password;
    };
    ASSERT_TRUE(w.Click(IDC_BUTTON_ENTER_PASSWORD));
    EXPECT_EQ(Boxes().back(), "You've updated your password!");
    EXPECT_TRUE(openWhileBox);
    EXPECT_TRUE(sim::PasswordMatches(camera->state.userPassword, password));
    EXPECT_FALSE(w.IsControlEnabled(IDC_EDIT_NEW_PASSWORD));
    EXPECT_FALSE(w.IsControlEnabled(IDC_BUTTON_ENTER_PASSWORD));
    EXPECT_EQ(w.Text(IDC_EDIT_NEW_PASSWORD), "");
  }
  EXPECT_EQ(Count(CMD_GET_SERIAL_NUMBER), 0);  // no readout follows
}

TEST_F(EditingTest, HintIsWrittenShownAndLimitedToWhatTheCameraKeeps) {
  HeadlessDialogHost& w = OpenLoggedIn();
  ASSERT_EQ(w.Text(IDC_EDIT_HINT_DISPLAY), "pet name");
  const std::string forty(40, 'h');
  struct Case {
    std::string typed, kept;
  };
  for (const Case& c : {Case{"my cat", "my cat"}, Case{"", ""}, Case{forty + "xyz", forty}}) {
    SCOPED_TRACE(c.typed);
    ASSERT_TRUE(w.Click(IDC_BUTTON_MODIFY_HINT));
    EXPECT_EQ(w.Type(IDC_EDIT_NEW_HINT, c.typed), c.kept.size());  // nothing dropped silently
    std::string shownAtBox;
    services.whileBoxOpen = [&](const ui::ServiceCall&) {
      shownAtBox = w.Text(IDC_EDIT_HINT_DISPLAY);
    };
    ASSERT_TRUE(w.Click(IDC_BUTTON_ENTER_HINT));
    EXPECT_EQ(Boxes().back(), "You've updated your hint!");
    EXPECT_EQ(camera->state.hint, c.kept);
    EXPECT_EQ(shownAtBox, c.kept);
    EXPECT_EQ(w.Text(IDC_EDIT_HINT_DISPLAY), c.kept);
    EXPECT_FALSE(w.IsControlEnabled(IDC_EDIT_NEW_HINT));
    EXPECT_FALSE(w.IsControlEnabled(IDC_BUTTON_ENTER_HINT));
    EXPECT_EQ(w.Text(IDC_EDIT_NEW_HINT), "");
  }
}

TEST_F(EditingTest, ReferenceTextsAreWrittenThenReadBackAndOnlyTheFieldsLock) {
  HeadlessDialogHost& w = OpenLoggedIn();
  EXPECT_FALSE(w.IsControlEnabled(IDC_EDIT_OFFICER));
  ASSERT_TRUE(w.Click(IDC_BUTTON_MODIFY_REFERENCE));
  EXPECT_EQ(w.Text(IDC_EDIT_OFFICER), "Officer Jones");  // kept for editing
  w.SetControlText(IDC_EDIT_OFFICER, "Sgt Byrne");
  w.SetControlText(IDC_EDIT_DEPARTMENT, "");
  // The camera keeps its own idea of a text: here, only the first 40 characters.
  w.SetControlText(IDC_EDIT_ADDITIONAL, std::string(41, 'a'));
  ASSERT_TRUE(w.Click(IDC_BUTTON_ENTER_REFERENCE));

  EXPECT_EQ(Boxes(), Texts{"You've updated your reference data!"});
  EXPECT_EQ(camera->state.officer, "Sgt Byrne");
  EXPECT_EQ(camera->state.department, "");
  EXPECT_EQ(camera->state.additional, std::string(40, 'a'));
  EXPECT_EQ(w.Text(IDC_EDIT_ADDITIONAL), std::string(40, 'a'));  // as read back
  EXPECT_EQ(w.Text(IDC_EDIT_OFFICER), "Sgt Byrne");
  EXPECT_TRUE(dlg.status.connected);
  for (int id : {IDC_EDIT_OFFICER, IDC_EDIT_DEPARTMENT, IDC_EDIT_ADDITIONAL}) {
    EXPECT_FALSE(w.IsControlEnabled(id)) << id;
  }
  EXPECT_TRUE(w.IsControlEnabled(IDC_BUTTON_ENTER_REFERENCE));

  // Pressed again, it writes what the locked fields show.
  camera->state.officer = "changed on the camera";
  ASSERT_TRUE(w.Click(IDC_BUTTON_ENTER_REFERENCE));
  EXPECT_EQ(camera->state.officer, "Sgt Byrne");
}

// A failed write reports why and leaves every group as the operator left it.
TEST_F(EditingTest, AFailedWriteKeepsTheGroupOpenWithTheTypedTexts) {
  enum class Flow { Password, Hint, Reference };
  struct Case {
    const char* what;
    Flow flow;
    std::uint64_t failRequest;  // 0: the camera is pulled out first
    std::string box;
  };
  // Discovery takes two requests; the first chunk written is the third.
  const Case cases[] = {
      {"password, no camera", Flow::Password, 0, "Device not connected."},
      {"password, write fails", Flow::Password, 3, kNoAnswer},
      {"hint, no camera", Flow::Hint, 0, "Device not connected."},
      {"hint, write fails", Flow::Hint, 3, kNoAnswer},
      {"reference, no camera", Flow::Reference, 0, "Device not connected."},
      {"reference, first write fails", Flow::Reference, 3, kNoAnswer},
      {"reference, last write fails", Flow::Reference, 5, kNoAnswer},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    FlowWorld t;
    HeadlessDialogHost& w = t.OpenLoggedIn();
    const sim::CameraState before = t.camera->state;
    const int modify = c.flow == Flow::Password ? IDC_BUTTON_MODIFY_PASSWORD
                       : c.flow == Flow::Hint   ? IDC_BUTTON_MODIFY_HINT
                                                : IDC_BUTTON_MODIFY_REFERENCE;
    const int enter = c.flow == Flow::Password ? IDC_BUTTON_ENTER_PASSWORD
                      : c.flow == Flow::Hint   ? IDC_BUTTON_ENTER_HINT
                                               : IDC_BUTTON_ENTER_REFERENCE;
    const std::vector<std::pair<int, std::string>> typed =
        c.flow == Flow::Password
            ? std::vector<std::pair<int, std::string>>{{IDC_EDIT_NEW_PASSWORD, "s3cret"}}
        : c.flow == Flow::Hint
            ? std::vector<std::pair<int, std::string>>{{IDC_EDIT_NEW_HINT, "first car"}}
            : std::vector<std::pair<int, std::string>>{
                  {IDC_EDIT_OFFICER, "A"}, {IDC_EDIT_DEPARTMENT, "B"}, {IDC_EDIT_ADDITIONAL, "C"}};
    ASSERT_TRUE(w.Click(modify));
    for (const auto& [id, text] : typed) w.SetControlText(id, text);
    if (c.failRequest == 0) {
      t.drives.Remove(kLetter);
    } else {
      t.FailRequestFromNow(c.failRequest);
    }
    ASSERT_TRUE(w.Click(enter));

    EXPECT_EQ(t.Boxes(), Texts{c.box});
    EXPECT_TRUE(w.IsControlEnabled(enter));
    for (const auto& [id, text] : typed) {
      EXPECT_TRUE(w.IsControlEnabled(id)) << id;
      EXPECT_EQ(w.Text(id), text) << id;
    }
    EXPECT_EQ(w.Text(IDC_EDIT_HINT_DISPLAY), "pet name");
    EXPECT_EQ(t.Count(CMD_GET_SERIAL_NUMBER), 0);  // no readout
    EXPECT_TRUE(t.dlg.status.connected);           // and no refresh into "not connected"
    EXPECT_EQ(t.camera->state.userPassword, before.userPassword);
  }
}

}  // namespace
}  // namespace zul::test
