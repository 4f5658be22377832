// The camera options: clock, video resolution, loop recording, and handing the
// camera's drive back to the PC ("Open file folder").

#include <optional>
#include <string>

#include "cameradata/CameraOperations.h"
#include "devicelink/CommandCatalogue.h"
#include "devicelink/Discovery.h"
#include "res/resource.h"
#include "ui/MainDialog.h"
#include "ui/Messages.h"

namespace zul::ui {

namespace {

constexpr char kClockUnreadable[] = "The PC clock could not be read.";

void Report(SystemServices& services, Exchange outcome, const std::string& success) {
  if (outcome == Exchange::Done) {
    ShowMessage(services, success);
  } else {
    ReportFailure(services, outcome);
  }
}

}  // namespace

// The selection goes as the setting's one argument byte.
Exchange CZUL_PC_TOOLDlg::SendSelection(std::uint32_t code, int index) {
  DiscoverCamera(session_);
  AuditEntry attempt = SettingAttempt(code, index, Readout());
  const Exchange outcome = SetSetting(session_, code, index);
  Conclude(attempt, session_, outcome);
  Record(std::move(attempt));
  // The next change's old value is this one.
  if (outcome == Exchange::Done) NoteSettingMade(status, code, index);
  return outcome;
}

void CZUL_PC_TOOLDlg::OnSyncTime() {
  const AuditNotice auditNotice(*this);
  // One reading of the clock for both commands.
  const std::int64_t now = services().CalendarSeconds();
  const std::optional<CalendarTime> local = services().ToLocalCalendar(now);
  if (!local) {
    // Sending zeros and 0xFF as a date and time would set the camera wrong.
    ShowMessage(services(), kClockUnreadable);
    return;
  }
  DiscoverCamera(session());
  const CameraClock clock{local->year, local->month,  local->day,
                          local->hour, local->minute, local->second};
  AuditEntry attempt = ClockAttempt(clock);
  const Exchange outcome = SetClock(session(), clock);
  Conclude(attempt, session(), outcome);
  Record(std::move(attempt));
  Report(services(), outcome, kTimeSynced);
}

void CZUL_PC_TOOLDlg::OnResolutionChange() {
  const AuditNotice auditNotice(*this);
  const int index = host().ComboGetCurSel(IDC_COMBO_RESOLUTION);
  Report(services(), SendSelection(CMD_SET_RESOLUTION, index), ResolutionChanged(index));
}

void CZUL_PC_TOOLDlg::OnLoopRecordingChange() {
  const AuditNotice auditNotice(*this);
  const int index = host().ComboGetCurSel(IDC_COMBO_LOOP_RECORDING);
  Report(services(), SendSelection(CMD_SET_LOOP_RECORDING, index), LoopChanged(index));
}

void CZUL_PC_TOOLDlg::OnOpenFolder() {
  session().ReleaseHandle();
  const std::string drive = session().driveName();
  if (drive.empty()) {
    // CHKDSK without a drive would check the PC's own current drive.
    ShowMessage(services(), kDeviceNotConnected);
    return;
  }
  services().Sleep(100);
  services().StartHidden(DiskCheckCommand(drive));
  services().Sleep(800);
  services().StartHidden(DiskCheckCommand(drive));
  services().Sleep(2000);
  services().ShellOpen("explorer", drive + "\\");
}

}  // namespace zul::ui
