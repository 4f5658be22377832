// What must never leave the tool or be handed on: password characters in a
// trace, drive names the scan did not find, texts from the camera or the
// operator on a command line; and the program asks for no elevation.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "res/resource.h"
#include "tests/support/CameraWorld.h"
#include "tests/support/Files.h"
#include "tests/support/Hex.h"
#include "ui/framework/WinDefs.h"

namespace zul::test {
namespace {

namespace fs = std::filesystem;

// Every run of three or more characters of the password, as text or as the
// hex bytes a trace line would show, found in trace.
std::vector<std::string> Leaks(const std::string& trace, const std::string& password) {
  std::vector<std::string> found;
  for (std::size_t at = 0; at + 3 <= password.size(); ++at) {
    const std::string piece = password.substr(at, 3);
    for (const std::string& form : {piece, Hex(piece, false), Hex(piece, true)}) {
      if (trace.find(form) != std::string::npos) found.push_back(form);
    }
  }
  return found;
}

// Passwords of characters that occur nowhere else in the camera's answers.
constexpr char kLoginPassword[] = "Kq8#Wz";
constexpr char kNewPassword[] = "Vj3%Ty9&Rm";

TEST(Security, ZulctlTracesNoPasswordCharacter) {
  const fs::path dir = fs::temp_directory_path() / "zul-security-trace";
  fs::create_directories(dir);
  const std::string trace = (dir / "trace.txt").string();

  Rig rig;
  rig.Camera().camera->state.userPassword = sim::DigestOfPassword(kLoginPassword);
  const std::string login = std::string(kLoginPassword) + "\n";
  ASSERT_EQ(rig.Zulctl({"--trace", trace, "login"}, login).status, 0);
  std::string traced = ReadFileBytes(trace);
  ASSERT_NE(traced.find("FA 55 66 FE 06 00 00 25 04"), std::string::npos)  // a password chunk
      << traced;

  ASSERT_EQ(rig.Zulctl({"--trace", trace, "set-password"}, login + kNewPassword + "\n").status, 0);
  traced += ReadFileBytes(trace);
  ASSERT_NE(traced.find("FA 55 66 FE 06 00 00 25 06"), std::string::npos) << traced;
  // The camera took the new password, so the trace saw it travel.
  EXPECT_TRUE(sim::PasswordMatches(rig.Camera().camera->state.userPassword, kNewPassword));
  // A refused password is traced the same way.
  rig.Zulctl({"--trace", trace, "login"}, std::string(kNewPassword).substr(1) + "X\n");
  traced += ReadFileBytes(trace);

  for (const std::string& pw : {std::string(kLoginPassword), std::string(kNewPassword)}) {
    EXPECT_EQ(Leaks(traced, pw), std::vector<std::string>{}) << pw;
  }
  fs::remove_all(dir);
}

TEST(Security, WindowTracesNoPasswordCharacter) {
  Rig rig(true);
  rig.Camera().camera->state.userPassword = sim::DigestOfPassword(kLoginPassword);
  ui::HeadlessDialogHost& w = rig.Open();
  w.Type(IDC_EDIT_PASSWORD, std::string(kNewPassword).substr(0, 9));  // refused
  w.Click(IDC_BUTTON_LOGIN);
  w.Type(IDC_EDIT_PASSWORD, kLoginPassword);
  w.SetFocus(IDC_EDIT_PASSWORD);
  w.PressKey(win::kVkReturn);  // Enter logs in as the button does
  w.RunPosted();
  ASSERT_TRUE(rig.dlg.status.loggedIn);
  w.Click(IDC_BUTTON_MODIFY_PASSWORD);
  w.Type(IDC_EDIT_NEW_PASSWORD, kNewPassword);
  w.Click(IDC_BUTTON_ENTER_PASSWORD);
  EXPECT_TRUE(sim::PasswordMatches(rig.Camera().camera->state.userPassword, kNewPassword));

  const std::string traced = rig.Trace();
  ASSERT_NE(traced.find("FA 55 66 FE 06 00 00 25 04"), std::string::npos) << traced;
  ASSERT_NE(traced.find("FA 55 66 FE 06 00 00 25 06"), std::string::npos) << traced;
  for (const std::string& pw : {std::string(kLoginPassword), std::string(kNewPassword)}) {
    EXPECT_EQ(Leaks(traced, pw), std::vector<std::string>{}) << pw;
  }
}

// Whatever the operator typed and the camera holds, the shell gets only the
// disk check and the file browser for the letter the scan found.
TEST(Security, TheShellGetsOnlyTheFoundDriveLetter) {
  // Texts that would do harm on a command line.
  const std::string hostile = R"(x" & dir C:\ | del /q *)";
  for (char letter : {'D', 'M', 'Z'}) {
    SCOPED_TRACE(letter);
    Rig rig;
    rig.drives.Remove(kCameraLetter);
    rig.drives.Remove('D');
    sim::CameraState state = PasswordedCameraState();
    state.officer = state.department = state.additional = state.hint = hostile.substr(0, 20);
    sim::SimulatedDrive camera;
    camera.type = sim::DriveType::Camera;
    camera.camera = std::make_shared<sim::SimulatedCamera>(state);
    rig.drives.Insert(letter, std::move(camera));
    ui::HeadlessDialogHost& w = rig.Open();
    w.Type(IDC_EDIT_PASSWORD, kUserPassword);
    w.Click(IDC_BUTTON_LOGIN);
    ASSERT_TRUE(rig.dlg.status.loggedIn);
    w.Click(IDC_BUTTON_MODIFY_REFERENCE);
    w.SetControlText(IDC_EDIT_OFFICER, hostile);
    w.Click(IDC_BUTTON_ENTER_REFERENCE);
    w.Click(IDC_BUTTON_MODIFY_HINT);
    w.Type(IDC_EDIT_NEW_HINT, hostile);
    w.Click(IDC_BUTTON_ENTER_HINT);
    w.Click(IDC_BUTTON_OPEN_FOLDER);

    const std::string drive = std::string(1, letter) + ":";
    const std::string check = "cmd.exe /c echo y|CHKDSK " + drive + " /F";
    std::vector<std::string> starts, opens;
    for (const ui::ServiceCall& c : rig.services.calls()) {
      if (c.kind == ui::ServiceCall::Kind::StartHidden) starts.push_back(c.text);
      if (c.kind == ui::ServiceCall::Kind::ShellOpen) opens.push_back(c.text + " " + c.parameters);
    }
    EXPECT_EQ(starts,
              std::vector<std::string>(4, check));  // two after the login, two for the folder
    EXPECT_EQ(opens, std::vector<std::string>{"explorer " + drive + "\\"});
  }
}

TEST(Security, NoDiskCheckWithoutAFoundCamera) {
  // An impostor answers the scan's first question like the camera but is none.
  Rig rig;
  rig.drives.Remove(kCameraLetter);
  sim::SimulatedDrive impostor;
  impostor.type = sim::DriveType::Impostor;
  rig.drives.Insert('E', impostor);
  ui::HeadlessDialogHost& w = rig.Open();
  EXPECT_FALSE(rig.dlg.status.connected);
  rig.dlg.OnLogin();  // as if the button were enabled
  rig.dlg.OnOpenFolder();
  for (const ui::ServiceCall& c : rig.services.calls()) {
    EXPECT_NE(c.kind, ui::ServiceCall::Kind::StartHidden) << c.text;
    EXPECT_NE(c.kind, ui::ServiceCall::Kind::ShellOpen) << c.text;
  }
  (void)w;
}

TEST(Security, TheProgramAsksForNoElevation) {
  const std::string manifest = ReadFileBytes(ZUL_MANIFEST_PATH);
  ASSERT_FALSE(manifest.empty());
  // Every requested execution level, wherever it stands.
  const std::regex level(R"re(<requestedExecutionLevel\s[^>]*level\s*=\s*"([^"]*)")re");
  std::vector<std::string> levels;
  for (auto it = std::sregex_iterator(manifest.begin(), manifest.end(), level);
       it != std::sregex_iterator(); ++it) {
    levels.push_back((*it)[1]);
  }
  EXPECT_EQ(levels, std::vector<std::string>{"asInvoker"});
  EXPECT_EQ(manifest.find("requireAdministrator"), std::string::npos);
  EXPECT_EQ(manifest.find("highestAvailable"), std::string::npos);
  EXPECT_EQ(manifest.find(R"(uiAccess="true")"), std::string::npos);
}

}  // namespace
}  // namespace zul::test
