// Changing what the camera keeps: the login password, the password hint and
// the three reference texts. Each group is unlocked by its MODIFY button and
// locked again once the camera took the text; on a failure the group stays
// open with the operator's text, so nothing typed is lost.

#include <iterator>

#include "Discovery.h"
#include "MainDialog.h"
#include "Messages.h"
#include "PasswordRules.h"
#include "SecretText.h"
#include "TextField.h"
#include "resource.h"

namespace zul::ui {

namespace {

constexpr int kReferenceFields[] = {IDC_EDIT_OFFICER, IDC_EDIT_DEPARTMENT, IDC_EDIT_ADDITIONAL};
constexpr TextKind kReferenceKinds[] = {TEXT_OFFICER, TEXT_DEPARTMENT, TEXT_ADDITIONAL};

// Opens an editor with an empty field.
void Unlock(DialogHost& h, int field, int enterButton) {
  h.EnableControl(field, true);
  h.SetControlText(field, "");
  h.EnableControl(enterButton, true);
}

}  // namespace

bool CZUL_PC_TOOLDlg::ReportWriteFailure(bool cameraFound) {
  if (!cameraFound) {
    ShowMessage(services_, kDeviceNotConnected);
    return true;
  }
  if (session_.failedTransfers != 0) {
    ShowMessage(services_, kCameraDidNotAnswer);
    return true;
  }
  return false;
}

bool CZUL_PC_TOOLDlg::StartCameraWrite() {
  if (!DiscoverCamera(session_)) return false;
  session_.failedTransfers = 0;
  return true;
}

void CZUL_PC_TOOLDlg::OnModifyPassword() {
  Unlock(host(), IDC_EDIT_NEW_PASSWORD, IDC_BUTTON_ENTER_PASSWORD);
}

void CZUL_PC_TOOLDlg::OnEnterNewPassword() {
  DialogHost& h = host();
  SecretText<kPasswordBuffer> password;
  password.ReadFrom(h, IDC_EDIT_NEW_PASSWORD);
  if (password.size() < kMinPassword) {
    password.Wipe();
    ShowMessage(services_, kPasswordTooShort);
    return;
  }
  const bool found = StartCameraWrite();
  if (found) WriteTextField(session_, TEXT_NEW_PASSWORD, password.c_str());
  password.Wipe();
  if (ReportWriteFailure(found)) return;

  ShowMessage(services_, "You've updated your password!");
  h.EnableControl(IDC_EDIT_NEW_PASSWORD, false);
  h.EnableControl(IDC_BUTTON_ENTER_PASSWORD, false);
  h.SetControlText(IDC_EDIT_NEW_PASSWORD, "");
}

void CZUL_PC_TOOLDlg::OnModifyHint() {
  Unlock(host(), IDC_EDIT_NEW_HINT, IDC_BUTTON_ENTER_HINT);
}

void CZUL_PC_TOOLDlg::OnEnterHint() {
  DialogHost& h = host();
  char hint[kTextBuffer] = {};
  h.GetControlText(IDC_EDIT_NEW_HINT, hint, sizeof hint);
  const bool found = StartCameraWrite();
  if (found) WriteTextField(session_, TEXT_HINT, hint);
  if (ReportWriteFailure(found)) return;

  h.EnableControl(IDC_BUTTON_ENTER_HINT, false);
  h.EnableControl(IDC_EDIT_NEW_HINT, false);
  h.SetControlText(IDC_EDIT_NEW_HINT, "");
  h.SetControlText(IDC_EDIT_HINT_DISPLAY, hint);
  ShowMessage(services_, "You've updated your hint!");
}

void CZUL_PC_TOOLDlg::OnModifyReference() {
  DialogHost& h = host();
  for (int id : kReferenceFields) h.EnableControl(id, true);
  h.EnableControl(IDC_BUTTON_ENTER_REFERENCE, true);
}

void CZUL_PC_TOOLDlg::OnEnterReference() {
  DialogHost& h = host();
  char text[kTextBuffer] = {};
  h.GetControlText(kReferenceFields[0], text, sizeof text);
  const bool found = StartCameraWrite();
  // Each field is read just before its own write.
  for (std::size_t i = 0; found && i < std::size(kReferenceFields); ++i) {
    if (i > 0) h.GetControlText(kReferenceFields[i], text, sizeof text);
    WriteTextField(session_, kReferenceKinds[i], text);
  }
  // The readout and the refresh would overwrite the texts the camera did not take.
  if (ReportWriteFailure(found)) return;

  status.connected = ReadCameraStatus();
  RefreshPanel();
  for (int id : kReferenceFields) h.EnableControl(id, false);
  ShowMessage(services_, "You've updated your reference data!");
}

}  // namespace zul::ui
