// Logging in with the camera's password and, once it is accepted, handing the
// camera's drive back to the system with the disk checker run over it.

#include "cameradata/CameraOperations.h"
#include "devicelink/Discovery.h"
#include "res/resource.h"
#include "ui/MainDialog.h"
#include "ui/Messages.h"
#include "ui/PasswordRules.h"
#include "ui/SecretText.h"
#include "ui/TermsNotice.h"

namespace zul::ui {

void CZUL_PC_TOOLDlg::OnLogin() {
  const AuditNotice auditNotice(*this);
  SecretText<kPasswordBuffer> password;
  password.ReadFrom(host(), IDC_EDIT_PASSWORD);
  if (password.size() < kMinPassword) {
    password.Wipe();
    ShowMessage(services_, kPasswordTooShort);
    return;
  }

  // Without a camera, or with transfers failing, there is no verdict: the
  // all-zero reply would read as a wrong password with six chances left.
  DiscoverCamera(session_);
  const LoginResult result = LogIn(session_, password.c_str());
  password.Wipe();
  AuditEntry attempt = LoginAttempt();
  Conclude(attempt, session_, result);
  Record(std::move(attempt));

  status.loggedIn = result.LoggedIn();
  status.administrator = result.verdict == LoginVerdict::Administrator;
  switch (result.verdict) {
    case LoginVerdict::User:
    case LoginVerdict::Administrator:
      break;
    case LoginVerdict::NoCamera:
      ShowMessage(services_, kDeviceNotConnected);
      break;
    case LoginVerdict::NoAnswer:
      ShowMessage(services_, kCameraDidNotAnswer);
      break;
    case LoginVerdict::Wrong:
    case LoginVerdict::Locked:
      ShowMessage(services_, WrongPasswordText(result.wrongAttempts, "\r\n"));
      break;
  }
  if (!status.loggedIn) {
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
  AllowDiskAccess(session_);  // a refusal is not detected
  session_.ReleaseHandle();
  services_.Sleep(100);
  const std::string drive = session_.driveName();
  services_.Sleep(100);
  // An empty drive name would check the PC's own current drive.
  if (!drive.empty()) services_.StartHidden(DiskCheckCommand(drive));
  services_.Sleep(500);
  if (!drive.empty()) services_.StartHidden(DiskCheckCommand(drive));
  services_.Sleep(100);
}

}  // namespace zul::ui
