// The camera options: clock, video resolution, loop recording, and handing the
// camera's drive back to the PC ("Open file folder").

#include <array>
#include <cstdint>
#include <optional>
#include <string>

#include "Command.h"
#include "Discovery.h"
#include "MainDialog.h"
#include "Messages.h"
#include "resource.h"

namespace zul::ui {

namespace {

constexpr char kClockUnreadable[] = "The PC clock could not be read.";

// Outcome of one exchange with the camera, found afresh for it.
enum class Exchange { Done, NoCamera, NoAnswer };

void Report(SystemServices& services, Exchange outcome, const char* success) {
  switch (outcome) {
    case Exchange::Done:
      ShowMessage(services, success);
      break;
    case Exchange::NoCamera:
      ShowMessage(services, kDeviceNotConnected);
      break;
    case Exchange::NoAnswer:
      ShowMessage(services, kCameraDidNotAnswer);
      break;
  }
}

// Finds the camera, then sends each command in turn with its argument bytes,
// stopping at the first that fails. Nothing is sent when no camera is found.
template <std::size_t N>
Exchange SendSettings(DeviceSession& session,
                      const std::array<std::pair<std::uint32_t, ReplyBlock>, N>& commands) {
  if (!DiscoverCamera(session)) return Exchange::NoCamera;
  session.failedTransfers = 0;  // discovery's own failures on other drives do not count
  for (const auto& [code, arguments] : commands) {
    ReplyBlock block = arguments;
    if (!IssueCommand(session, code, block)) break;
  }
  return session.failedTransfers == 0 ? Exchange::Done : Exchange::NoAnswer;
}

// The selection of a combo box as the one argument byte of a setting.
ReplyBlock SelectionBlock(int index) {
  ReplyBlock block{};
  block[0] = static_cast<std::uint8_t>(index);
  return block;
}

}  // namespace

void CZUL_PC_TOOLDlg::OnSyncTime() {
  // One reading of the clock for both commands.
  const std::int64_t now = services().CalendarSeconds();
  const std::optional<CalendarTime> local = services().ToLocalCalendar(now);
  if (!local) {
    // Sending zeros and 0xFF as a date and time would set the camera wrong.
    ShowMessage(services(), kClockUnreadable);
    return;
  }
  ReplyBlock date{};
  date[0] = static_cast<std::uint8_t>(local->year % 2000);
  date[1] = static_cast<std::uint8_t>(local->month);
  date[2] = static_cast<std::uint8_t>(local->day);
  ReplyBlock time{};
  time[0] = static_cast<std::uint8_t>(local->hour);
  time[1] = static_cast<std::uint8_t>(local->minute);
  time[2] = static_cast<std::uint8_t>(local->second);
  const std::array<std::pair<std::uint32_t, ReplyBlock>, 2> commands = {
      {{CMD_SET_DATE, date}, {CMD_SET_TIME, time}}};
  Report(services(), SendSettings(session(), commands), "Time sync completed!");
}

void CZUL_PC_TOOLDlg::OnResolutionChange() {
  const int index = host().ComboGetCurSel(IDC_COMBO_RESOLUTION);
  const std::array<std::pair<std::uint32_t, ReplyBlock>, 1> commands = {
      {{CMD_SET_RESOLUTION, SelectionBlock(index)}}};
  Report(services(), SendSettings(session(), commands),
         index == 0 ? "Change video resolution to 1080P." : "Change video resolution to 720P.");
}

void CZUL_PC_TOOLDlg::OnLoopRecordingChange() {
  const int index = host().ComboGetCurSel(IDC_COMBO_LOOP_RECORDING);
  const std::array<std::pair<std::uint32_t, ReplyBlock>, 1> commands = {
      {{CMD_SET_LOOP_RECORDING, SelectionBlock(index)}}};
  Report(services(), SendSettings(session(), commands),
         index == 1 ? "Loop recording on!" : "Loop recording off!");
}

void CZUL_PC_TOOLDlg::OnOpenFolder() {
  session().ReleaseHandle();
  const std::string drive = session().driveName();
  if (drive.empty()) {
    // CHKDSK without a drive would check the PC's own current drive.
    ShowMessage(services(), kDeviceNotConnected);
    return;
  }
  const std::string commandLine = "cmd.exe /c echo y|CHKDSK " + drive + " /F";
  services().Sleep(100);
  services().StartHidden(commandLine);
  services().Sleep(800);
  services().StartHidden(commandLine);
  services().Sleep(2000);
  services().ShellOpen("explorer", drive + "\\");
}

}  // namespace zul::ui
