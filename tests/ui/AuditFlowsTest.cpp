// The window's audit lines: one per change attempt, from each flow.

#include <filesystem>
#include <fstream>
#include <nlohmann/json.hpp>
#include <sstream>

#include "audit/AuditLog.h"
#include "cameradata/OperatorTexts.h"
#include "tests/support/CameraWorld.h"
#include "tests/support/Files.h"

namespace zul::test {
namespace {

namespace fs = std::filesystem;
using Json = nlohmann::json;

class AuditFlowsTest : public ::testing::Test, public FlowWorld {
 protected:
  void SetUp() override {
    path = fs::temp_directory_path() / "zul_window_audit.jsonl";
    fs::remove(path);
    std::string error;
    ASSERT_TRUE(log.Open(error)) << error;
    dlg.audit = &log;
  }
  void TearDown() override {
    fs::remove(path);
    fs::remove(path.string() + ".lock");
  }
  std::string Text() const { return test::ReadFileBytes(path); }
  std::vector<Json> Lines() const {
    std::vector<Json> lines;
    std::istringstream in(Text());
    for (std::string l; std::getline(in, l);) lines.push_back(Json::parse(l, nullptr, false));
    return lines;
  }

  fs::path path = fs::temp_directory_path() / "zul_window_audit.jsonl";
  AuditLog log{path.string(), "ZUL_PC_TOOL"};
};

TEST_F(AuditFlowsTest, EachFlowLeavesOneLineWithItsValuesAndNeverThePassword) {
  ui::HeadlessDialogHost& w = OpenWithCamera();
  camera->state.userPassword = sim::DigestOfPassword("2468");
  windows.OnModal([](ui::HeadlessDialogHost& notice) { notice.Click(win::kIdOk); });
  LogIn("9999");
  LogIn("2468");
  ASSERT_TRUE(w.Click(IDC_BUTTON_MODIFY_HINT));
  w.Type(IDC_EDIT_NEW_HINT, "my cat");
  ASSERT_TRUE(w.Click(IDC_BUTTON_ENTER_HINT));
  ASSERT_TRUE(w.Click(IDC_BUTTON_MODIFY_HINT));
  w.Type(IDC_EDIT_NEW_HINT, "my dog");
  ASSERT_TRUE(w.Click(IDC_BUTTON_ENTER_HINT));
  ASSERT_TRUE(w.Click(IDC_BUTTON_MODIFY_PASSWORD));
  w.Type(IDC_EDIT_NEW_PASSWORD, "97531");
  ASSERT_TRUE(w.Click(IDC_BUTTON_ENTER_PASSWORD));
  ASSERT_TRUE(w.Click(IDC_BUTTON_MODIFY_REFERENCE));
  w.SetControlText(IDC_EDIT_OFFICER, "Sgt Byrne");
  ASSERT_TRUE(w.Click(IDC_BUTTON_ENTER_REFERENCE));
  w.ComboSetCurSel(IDC_COMBO_RESOLUTION, 0);
  dlg.OnResolutionChange();
  w.ComboSetCurSel(IDC_COMBO_RESOLUTION, 1);
  dlg.OnResolutionChange();
  FailRequestFromNow(1);
  ASSERT_TRUE(w.Click(IDC_BUTTON_SYNC_TIME));

  const std::vector<Json> lines = Lines();
  struct Expected {
    const char* action;
    const char* outcome;
    Json oldValues, newValues;
  };
  const Expected expected[] = {
      {"login", "refused", nullptr, nullptr},
      {"login", "done", nullptr, nullptr},
      {"set-hint", "done", {{"hint", "pet name"}}, {{"hint", "my cat"}}},
      // A second change's old value is the first one's new value.
      {"set-hint", "done", {{"hint", "my cat"}}, {{"hint", "my dog"}}},
      {"set-password", "done", nullptr, nullptr},
      {"set-reference",
       "done",
       {{"officer", "Officer Jones"}, {"department", "Traffic"}, {"additional", "Unit 7"}},
       {{"officer", "Sgt Byrne"}, {"department", "Traffic"}, {"additional", "Unit 7"}}},
      {"set-resolution", "done", {{"resolution", "720p"}}, {{"resolution", "1080p"}}},
      {"set-resolution", "done", {{"resolution", "1080p"}}, {{"resolution", "720p"}}},
      {"set-time", "no camera", {{"clock", nullptr}}, nullptr},  // the scan failed
  };
  ASSERT_EQ(lines.size(), std::size(expected)) << Text();
  for (std::size_t i = 0; i < lines.size(); ++i) {
    SCOPED_TRACE(i);
    const Json& l = lines[i];
    ASSERT_TRUE(l.is_object());
    EXPECT_EQ(l["program"], "ZUL_PC_TOOL");
    EXPECT_EQ(l["action"], expected[i].action);
    EXPECT_EQ(l["outcome"], expected[i].outcome);
    EXPECT_EQ(l["drive"], i + 1 < lines.size() ? Json("F:") : Json());
    EXPECT_EQ(l["serialNumber"], "RZ000042");
    if (!expected[i].oldValues.is_null()) {
      EXPECT_EQ(l["old"], expected[i].oldValues);
    }
    if (!expected[i].newValues.is_null()) {
      EXPECT_EQ(l["new"], expected[i].newValues);
    }
  }
  EXPECT_EQ(lines[0]["chancesLeft"], 5);
  const std::string text = Text();
  for (const char* secret : {"2468", "9999", "97531"}) {
    EXPECT_EQ(text.find(secret), std::string::npos) << secret;
  }
}

// A change whose line cannot be written is made all the same, and the operator
// is told so after the change's own message.
TEST_F(AuditFlowsTest, AChangeWithoutItsLineIsToldAfterItsOwnMessage) {
  AuditLog unopened{(fs::temp_directory_path() / "zul_window_unopened.jsonl").string(),
                    "ZUL_PC_TOOL"};
  const std::string lost = "The camera was changed, but its audit line could not be written to " +
                           unopened.path() + ": not open";
  ui::HeadlessDialogHost& w = OpenLoggedIn(IDC_BUTTON_MODIFY_HINT);
  dlg.audit = &unopened;
  w.Type(IDC_EDIT_NEW_HINT, "my cat");
  ASSERT_TRUE(w.Click(IDC_BUTTON_ENTER_HINT));
  w.ComboSetCurSel(IDC_COMBO_RESOLUTION, 0);
  dlg.OnResolutionChange();
  EXPECT_EQ(Boxes(), (std::vector<std::string>{kHintUpdated, lost, ResolutionChanged(0), lost}));
  EXPECT_EQ(camera->state.hint, "my cat");
  EXPECT_EQ(camera->state.resolution, 0);
}

}  // namespace
}  // namespace zul::test
