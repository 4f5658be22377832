// Logging in with the camera's password and, once it is accepted, handing the
// camera's drive back to the system with the disk checker run over it.

#include <algorithm>
#include <cstdio>

#include "Command.h"
#include "Discovery.h"
#include "MainDialog.h"
#include "Messages.h"
#include "PasswordRules.h"
#include "SecretText.h"
#include "TermsNotice.h"
#include "TextField.h"
#include "resource.h"

namespace zul::ui {

namespace {

constexpr std::uint8_t kVerdictUser = 1;
constexpr std::uint8_t kVerdictAdministrator = 2;
constexpr unsigned kChances = 6;

std::string WrongPasswordText(std::uint8_t wrongAttempts) {
  if (wrongAttempts >= kChances) {
    return "Wrong password!  Please contact Marlowen\r\n" + std::string(23, ' ') +
           "+ 1-800-555-0134";
  }
  char text[64];
  std::snprintf(text, sizeof text, "Wrong password!  You have %u chances remaining.",
                kChances - wrongAttempts);
  return text;
}

}  // namespace

void CZUL_PC_TOOLDlg::OnLogin() {
  SecretText<kPasswordBuffer> password;
  password.ReadFrom(host(), IDC_EDIT_PASSWORD);
  if (password.size() < kMinPassword) {
    password.Wipe();
    ShowMessage(services_, kPasswordTooShort);
    return;
  }

  // Without a camera, or with transfers failing, there is no verdict: the
  // all-zero reply would read as a wrong password with six chances left.
  // A check after a broken password write would cost the operator an attempt.
  const bool found = DiscoverCamera(session_);
  ReplyBlock verdict{};
  if (found) {
    session_.failedTransfers = 0;
    const auto lastReply = WriteTextField(session_, TEXT_LOGIN_PASSWORD, password.c_str());
    std::copy(lastReply.begin(), lastReply.end(), verdict.begin());
  }
  password.Wipe();
  // The reply to the last password chunk goes out unchanged as the arguments.
  const bool answered = found && session_.failedTransfers == 0 &&
                        IssueCommand(session_, CMD_CHECK_PASSWORD, verdict) &&
                        session_.failedTransfers == 0;

  status.loggedIn = answered && (verdict[0] == kVerdictUser || verdict[0] == kVerdictAdministrator);
  status.administrator = answered && verdict[0] == kVerdictAdministrator;
  if (!status.loggedIn) {
    if (!found) {
      ShowMessage(services_, kDeviceNotConnected);
    } else if (!answered) {
      ShowMessage(services_, kCameraDidNotAnswer);
    } else {
      ShowMessage(services_, WrongPasswordText(verdict[1]));
    }
    RefreshPanel();
    return;
  }

  status.connected = ReadCameraStatus();
  warmingMsg notice(windows(), services_);
  notice.DoModal();  // however it was closed, the flow goes on
  ReleaseDrive();
  RefreshPanel();
}

void CZUL_PC_TOOLDlg::ReleaseDrive() {
  ReplyBlock block{};
  IssueCommand(session_, CMD_ALLOW_DISK_ACCESS, block);  // a refusal is not detected
  session_.ReleaseHandle();
  services_.Sleep(100);
  const std::string drive = session_.driveName();
  const std::string check = "cmd.exe /c echo y|CHKDSK " + drive + " /F";
  services_.Sleep(100);
  // An empty drive name would check the PC's own current drive.
  if (!drive.empty()) services_.StartHidden(check);
  services_.Sleep(500);
  if (!drive.empty()) services_.StartHidden(check);
  services_.Sleep(100);
}

}  // namespace zul::ui
