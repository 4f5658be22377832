// Changing what the camera keeps: the login password, the password hint and
// the three reference texts. Each group is unlocked by its MODIFY button and
// locked again once the camera took the text; on a failure the group stays
// open with the operator's text, so nothing typed is lost.

#include <iterator>

#include "devicelink/Discovery.h"
#include "res/resource.h"
#include "ui/MainDialog.h"
#include "ui/Messages.h"
#include "ui/PasswordRules.h"
#include "ui/SecretText.h"

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

bool CZUL_PC_TOOLDlg::WriteToCamera(std::span<const TextToWrite> texts) {
  DiscoverCamera(session_);
  AuditEntry attempt = TextsAttempt(texts, Readout());
  const Exchange outcome = WriteTexts(session_, texts);
  Conclude(attempt, session_, outcome);
  Record(std::move(attempt));
  if (outcome == Exchange::Done) {
    NoteTextsWritten(status, texts);  // the next change's old values
    return true;
  }
  ReportFailure(services_, outcome);
  return false;
}

void CZUL_PC_TOOLDlg::OnModifyPassword() {
  Unlock(host(), IDC_EDIT_NEW_PASSWORD, IDC_BUTTON_ENTER_PASSWORD);
}

void CZUL_PC_TOOLDlg::OnEnterNewPassword() {
  const AuditNotice auditNotice(*this);
  DialogHost& h = host();
  SecretText<kPasswordBuffer> password;
  password.ReadFrom(h, IDC_EDIT_NEW_PASSWORD);
  if (password.size() < kMinPassword) {
    password.Wipe();
    ShowMessage(services_, kPasswordTooShort);
    return;
  }
  const TextToWrite text[] = {{TEXT_NEW_PASSWORD, password.c_str()}};
  const bool written = WriteToCamera(text);
  password.Wipe();
  if (!written) return;

  ShowMessage(services_, kPasswordUpdated);
  h.EnableControl(IDC_EDIT_NEW_PASSWORD, false);
  h.EnableControl(IDC_BUTTON_ENTER_PASSWORD, false);
  h.SetControlText(IDC_EDIT_NEW_PASSWORD, "");
}

void CZUL_PC_TOOLDlg::OnModifyHint() {
  Unlock(host(), IDC_EDIT_NEW_HINT, IDC_BUTTON_ENTER_HINT);
}

void CZUL_PC_TOOLDlg::OnEnterHint() {
  const AuditNotice auditNotice(*this);
  DialogHost& h = host();
  char hint[kTextBuffer] = {};
  h.GetControlText(IDC_EDIT_NEW_HINT, hint, sizeof hint);
  const TextToWrite text[] = {{TEXT_HINT, hint}};
  if (!WriteToCamera(text)) return;

  h.EnableControl(IDC_BUTTON_ENTER_HINT, false);
  h.EnableControl(IDC_EDIT_NEW_HINT, false);
  h.SetControlText(IDC_EDIT_NEW_HINT, "");
  h.SetControlText(IDC_EDIT_HINT_DISPLAY, hint);
  ShowMessage(services_, kHintUpdated);
}

void CZUL_PC_TOOLDlg::OnModifyReference() {
  DialogHost& h = host();
  for (int id : kReferenceFields) h.EnableControl(id, true);
  h.EnableControl(IDC_BUTTON_ENTER_REFERENCE, true);
}

void CZUL_PC_TOOLDlg::OnEnterReference() {
  const AuditNotice auditNotice(*this);
  DialogHost& h = host();
  char fields[std::size(kReferenceFields)][kTextBuffer] = {};
  TextToWrite texts[std::size(kReferenceFields)];
  for (std::size_t i = 0; i < std::size(kReferenceFields); ++i) {
    h.GetControlText(kReferenceFields[i], fields[i], sizeof fields[i]);
    texts[i] = {kReferenceKinds[i], fields[i]};
  }
  // The readout and the refresh would overwrite the texts the camera did not take.
  if (!WriteToCamera(texts)) return;

  status.connected = ReadCameraStatus();
  RefreshPanel();
  for (int id : kReferenceFields) h.EnableControl(id, false);
  ShowMessage(services_, kReferenceUpdated);
}

}  // namespace zul::ui
