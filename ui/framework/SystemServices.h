#pragma once
// The PC-side effects the window code has: message boxes, sleeping, starting
// programs, opening things in the shell, the clocks and device-notice
// registration. A real implementation and a recording fake with a virtual clock.

#include <cstdint>
#include <optional>
#include <string>

#include "ui/framework/WinDefs.h"

namespace zul::ui {

class DialogHost;

struct LocalTime {  // as GetLocalTime gives it
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, milliseconds = 0;
};

struct CalendarTime {  // a calendar reading converted to local time
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};

class SystemServices {
 public:
  virtual ~SystemServices() = default;

  // MessageBoxExA with no owner window; returns the button pressed.
  virtual int MessageBox(const std::string& text, const std::string& caption, unsigned type,
                         unsigned short languageId) = 0;
  // The framework's message box: caption is the application's name, and an
  // exclamation icon is added when type names none. The text is UTF-8.
  virtual int FrameworkMessageBox(const std::string& text, unsigned type) = 0;
  virtual void Sleep(unsigned milliseconds) = 0;
  // Starts commandLine as a hidden process (WinExec, SW_HIDE); does not wait.
  virtual void StartHidden(const std::string& commandLine) = 0;
  // ShellExecuteA(no owner, "open", file, parameters or none, no directory, SW_SHOW).
  virtual void ShellOpen(const std::string& file, const std::string& parameters) = 0;
  virtual LocalTime GetLocalTime() = 0;
  // Seconds since 1 January 1970, UTC.
  virtual std::int64_t CalendarSeconds() = 0;
  // The reading in local calendar time, or nothing when it cannot be converted.
  virtual std::optional<CalendarTime> ToLocalCalendar(std::int64_t seconds) = 0;
  // Registers window for disk-drive class device-interface notices; false when
  // the system returned no registration.
  virtual bool RegisterDeviceNotices(DialogHost& window) = 0;
};

}  // namespace zul::ui
