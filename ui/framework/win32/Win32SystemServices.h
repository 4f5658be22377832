#pragma once
// The PC's own services: message boxes, sleeping, starting the disk checker,
// the shell, the clocks and device-notice registration.

#include "ui/framework/SystemServices.h"
#include "ui/framework/WinDefs.h"
#include "ui/framework/win32/SystemHeaders.h"

namespace zul::ui {

class Win32SystemServices final : public SystemServices {
 public:
  // COM in a single-threaded apartment on this thread for as long as the
  // services live, as the shell asks of whoever calls ShellExecute: create
  // them on the window's thread before anything is opened.
  Win32SystemServices();
  ~Win32SystemServices() override;
  Win32SystemServices(const Win32SystemServices&) = delete;
  Win32SystemServices& operator=(const Win32SystemServices&) = delete;

  int MessageBox(const std::string& text, const std::string& caption, unsigned type,
                 unsigned short languageId) override;
  int FrameworkMessageBox(const std::string& text, unsigned type) override;
  void Sleep(unsigned milliseconds) override;
  void StartHidden(const std::string& commandLine) override;
  void ShellOpen(const std::string& file, const std::string& parameters) override;
  LocalTime GetLocalTime() override;
  std::int64_t CalendarSeconds() override;
  std::optional<CalendarTime> ToLocalCalendar(std::int64_t seconds) override;
  // window must be a Win32DialogHost; any other host gets no registration.
  bool RegisterDeviceNotices(DialogHost& window) override;

 private:
  bool comStarted_ = false;  // this object's share of COM, to be given back
};

// The application's name as the framework derives it: the executable's file
// name without folder and extension.
std::string ApplicationName();

}  // namespace zul::ui
