// Drives coming and going: any arrival reads the camera again, any removal
// logs out, whatever device the notice is about.

#include "ui/MainDialog.h"

namespace zul::ui {

bool CZUL_PC_TOOLDlg::OnDeviceChange(unsigned eventType, std::uintptr_t) {
  switch (eventType) {
    case win::kDbtDeviceArrival:
      // The camera is read again once the calendar second has moved on.
      WaitForNextSecond();
      status.connected = ReadCameraStatus();
      if (!status.loggedIn) status.administrator = false;
      RefreshPanel();
      break;
    case win::kDbtDeviceRemoveComplete:
      status.loggedIn = false;
      status.connected = false;
      status.administrator = false;
      RefreshPanel();
      break;
    default:
      break;
  }
  return true;  // removal queries are always granted
}

bool CZUL_PC_TOOLDlg::WaitForNextSecond() {
  // Sleeps rather than spins; the bound keeps a clock set back from hanging
  // the window.
  const std::int64_t first = services_.CalendarSeconds();
  for (unsigned waited = 0; services_.CalendarSeconds() - first < 1; waited += kWaitStepMs) {
    if (waited >= kWaitLimitMs) return false;
    services_.Sleep(kWaitStepMs);
  }
  return true;
}

}  // namespace zul::ui
