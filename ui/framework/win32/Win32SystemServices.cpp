#include "ui/framework/win32/Win32SystemServices.h"

#include <ctime>

#include "ui/framework/win32/SystemHeaders.h"
// After windows.h, which the line above brings in.
#include <objbase.h>
#include <shellapi.h>

#include "platform/win32/WideText.h"
#include "ui/framework/win32/Win32DialogHost.h"

namespace zul::ui {

static_assert(sizeof(DEV_BROADCAST_DEVICEINTERFACE_A) == 32, "device-notice filter is 32 bytes");

// GUID_DEVCLASS_DISKDRIVE, spelled out so no further system library is needed.
constexpr GUID kDiskDriveClass = {
    0x4D36E967, 0xE325, 0x11CE, {0xBF, 0xC1, 0x08, 0x00, 0x2B, 0xE1, 0x03, 0x18}};

std::string ApplicationName() {
  char path[MAX_PATH] = {};
  const DWORD n = GetModuleFileNameA(nullptr, path, MAX_PATH);
  std::string name(path, n);
  name.erase(0, name.find_last_of("\\/") + 1);  // npos + 1 == 0: no folder
  if (const auto dot = name.rfind('.'); dot != std::string::npos && dot > 0) name.erase(dot);
  return name;
}

Win32SystemServices::Win32SystemServices() {
  // A thread already in another apartment keeps it (RPC_E_CHANGED_MODE); the
  // shell then works as well as that apartment lets it.
  comStarted_ =
      SUCCEEDED(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE));
}

Win32SystemServices::~Win32SystemServices() {
  if (comStarted_) CoUninitialize();
}

int Win32SystemServices::MessageBox(const std::string& text, const std::string& caption,
                                    unsigned type, unsigned short languageId) {
  return MessageBoxExA(nullptr, text.c_str(), caption.c_str(), type, languageId);
}

int Win32SystemServices::FrameworkMessageBox(const std::string& text, unsigned type) {
  if ((type & MB_ICONMASK) == 0) type |= MB_ICONEXCLAMATION;
  // The text may name files, which travel as UTF-8.
  return MessageBoxW(nullptr, platform::WideFromUtf8(text).c_str(),
                     platform::WideFromUtf8(ApplicationName()).c_str(), type);
}

void Win32SystemServices::Sleep(unsigned milliseconds) {
  ::Sleep(milliseconds);
}

void Win32SystemServices::StartHidden(const std::string& commandLine) {
  WinExec(commandLine.c_str(), SW_HIDE);
}

void Win32SystemServices::ShellOpen(const std::string& file, const std::string& parameters) {
  ShellExecuteA(nullptr, "open", file.c_str(), parameters.empty() ? nullptr : parameters.c_str(),
                nullptr, SW_SHOW);
}

LocalTime Win32SystemServices::GetLocalTime() {
  SYSTEMTIME t;
  ::GetLocalTime(&t);
  return {t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute, t.wSecond, t.wMilliseconds};
}

std::int64_t Win32SystemServices::CalendarSeconds() {
  return static_cast<std::int64_t>(std::time(nullptr));
}

std::optional<CalendarTime> Win32SystemServices::ToLocalCalendar(std::int64_t seconds) {
  const __time64_t t = seconds;
  std::tm tm{};
  // Refuses negative readings and those past the year 3000 with an error.
  if (_localtime64_s(&tm, &t) != 0) return std::nullopt;
  return CalendarTime{tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday,
                      tm.tm_hour,        tm.tm_min,     tm.tm_sec};
}

bool Win32SystemServices::RegisterDeviceNotices(DialogHost& window) {
  auto* host = dynamic_cast<Win32DialogHost*>(&window);
  if (!host || !host->hwnd()) return false;
  DEV_BROADCAST_DEVICEINTERFACE_A filter{};
  filter.dbcc_size = sizeof filter;
  filter.dbcc_devicetype = DBT_DEVTYP_DEVICEINTERFACE;
  filter.dbcc_classguid = kDiskDriveClass;
  // The registration lasts as long as the window; its handle is not needed.
  return RegisterDeviceNotificationA(host->hwnd(), &filter, DEVICE_NOTIFY_WINDOW_HANDLE) != nullptr;
}

}  // namespace zul::ui
