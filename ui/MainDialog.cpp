#include "ui/MainDialog.h"

#include <cstdio>

#include "res/resource.h"
#include "ui/Messages.h"

namespace zul::ui {

CZUL_PC_TOOLDlg::CZUL_PC_TOOLDlg(WindowSystem& windows, SystemServices& services,
                                 DeviceSession& session)
    : Dialog(windows, IDD_ZUL_PC_TOOL_DIALOG), services_(services), session_(session) {}

// clang-format off
BEGIN_MESSAGE_MAP(CZUL_PC_TOOLDlg)
  ON_WM_PAINT()
  ON_WM_QUERYDRAGICON()
  ON_WM_TIMER()
  ON_WM_DEVICECHANGE()
  ON_BN_CLICKED(IDC_BUTTON_LOGIN, OnLogin)
  ON_BN_CLICKED(IDC_BUTTON_MODIFY_PASSWORD, OnModifyPassword)
  ON_BN_CLICKED(IDC_BUTTON_ENTER_PASSWORD, OnEnterNewPassword)
  ON_BN_CLICKED(IDC_BUTTON_MODIFY_HINT, OnModifyHint)
  ON_BN_CLICKED(IDC_BUTTON_ENTER_HINT, OnEnterHint)
  ON_BN_CLICKED(IDC_BUTTON_MODIFY_REFERENCE, OnModifyReference)
  ON_BN_CLICKED(IDC_BUTTON_ENTER_REFERENCE, OnEnterReference)
  ON_CBN_SELCHANGE(IDC_COMBO_RESOLUTION, OnResolutionChange)
  ON_BN_CLICKED(IDC_BUTTON_SYNC_TIME, OnSyncTime)
  ON_BN_CLICKED(IDC_BUTTON_OPEN_FOLDER, OnOpenFolder)
  ON_CBN_SELCHANGE(IDC_COMBO_LOOP_RECORDING, OnLoopRecordingChange)
END_MESSAGE_MAP()
// clang-format on

bool CZUL_PC_TOOLDlg::OnInitDialog() {
  Dialog::OnInitDialog();
  DialogHost& h = host();

  icon = h.LoadIconResource(IDI_CAMERA);
  h.SetIcon(icon, true);
  h.SetIcon(icon, false);
  h.SetTitle("   MARLOWEN RZC V1.6");

  h.LimitText(IDC_EDIT_PASSWORD, 10);
  h.LimitText(IDC_EDIT_NEW_PASSWORD, 10);
  h.LimitText(IDC_EDIT_OFFICER, 40);
  h.LimitText(IDC_EDIT_DEPARTMENT, 40);
  h.LimitText(IDC_EDIT_ADDITIONAL, 40);
  h.LimitText(IDC_EDIT_NEW_HINT, 40);  // what the camera keeps

  h.StartTimer(CLOCK_TIMER_ID, 1000);

  status.connected = ReadCameraStatus();
  // A login left over on the camera from an earlier run does not count.
  status.loggedIn = false;
  status.administrator = false;

  if (!services_.RegisterDeviceNotices(h)) {
    services_.FrameworkMessageBox("USB enum failed!", win::kMbOkCancel);
  }
  RefreshPanel();
  return true;
}

void CZUL_PC_TOOLDlg::OnTimer(std::uintptr_t) {
  const LocalTime t = services_.GetLocalTime();
  char text[64];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  host().SetControlText(IDC_STATIC_CLOCK, text);
}

void CZUL_PC_TOOLDlg::OnPaint() {
  DialogHost& h = host();
  if (!h.IsMinimised()) {
    h.DefaultPaint();
    return;
  }
  const Rect client = h.ClientRect();
  const int x = (client.right - client.left - h.SystemMetric(win::kSmCxIcon) + 1) / 2;
  const int y = (client.bottom - client.top - h.SystemMetric(win::kSmCyIcon) + 1) / 2;
  h.PaintMinimisedIcon(icon, x, y);
}

IconHandle CZUL_PC_TOOLDlg::OnQueryDragIcon() {
  return icon;
}

void CZUL_PC_TOOLDlg::Record(AuditEntry attempt) {
  if (!audit) return;
  attempt.serialNumber = status.serialNumber;
  std::string error;
  if (!audit->Append(attempt, error)) auditFault_ = audit->NotWritten(attempt, error);
}

CZUL_PC_TOOLDlg::AuditNotice::~AuditNotice() {
  if (dialog_.auditFault_.empty()) return;
  ShowMessage(dialog_.services_, dialog_.auditFault_);
  dialog_.auditFault_.clear();
}

bool CZUL_PC_TOOLDlg::ReadCameraStatus() {
  return zul::ReadCameraStatus(session_, status);
}

}  // namespace zul::ui
