// The main window's keys: Escape never closes it, and Enter acts as the ENTER
// button of the field that has the focus (and does nothing anywhere else).

#include "res/resource.h"
#include "ui/MainDialog.h"
#include "ui/Messages.h"
#include "ui/PasswordRules.h"
#include "ui/SecretText.h"

namespace zul::ui {

bool CZUL_PC_TOOLDlg::PreTranslateMessage(const Message& msg) {
  if (msg.message == win::kWmKeyDown && msg.wParam == win::kVkEscape) return true;
  if (msg.message != win::kWmKeyDown || msg.wParam != win::kVkReturn)
    return Dialog::PreTranslateMessage(msg);

  DialogHost& h = host();
  switch (h.FocusedControl()) {
    case IDC_EDIT_PASSWORD: {
      SecretText<kPasswordBuffer> password;
      password.ReadFrom(h, IDC_EDIT_PASSWORD);
      const std::size_t length = password.size();
      password.Wipe();
      if (length < kMinPassword || length > kMaxPassword) {
        ShowMessage(services_, kPasswordTooShort);
      } else {
        h.PostCommand(IDC_BUTTON_LOGIN);
      }
      break;
    }
    case IDC_EDIT_NEW_PASSWORD:
      OnEnterNewPassword();
      break;
    case IDC_EDIT_OFFICER:
    case IDC_EDIT_DEPARTMENT:
    case IDC_EDIT_ADDITIONAL:
      h.PostCommand(IDC_BUTTON_ENTER_REFERENCE);
      break;
    case IDC_EDIT_NEW_HINT:
      OnEnterHint();
      break;
    default:
      break;
  }
  return true;
}

}  // namespace zul::ui
