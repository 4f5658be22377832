#include "ui/Application.h"

#include "ui/MainDialog.h"

namespace zul::ui {

bool CZUL_PC_TOOLApp::InitInstance() {
  // No shell manager and no registry key: the tool uses no shell controls and
  // keeps no settings, so those framework steps have nothing to do here.
  CZUL_PC_TOOLDlg dialog(windows_, services_, session_);
  dialog.audit = audit_;
  dialog.DoModal();
  return false;
}

}  // namespace zul::ui
