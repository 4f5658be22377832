#include "AuditSystem.h"

#include <windows.h>

#include "FilePath.h"
#include "SystemFiles.h"
#include "win32/WideText.h"

namespace zul::audit {

std::string HostName() {
  wchar_t name[256];
  DWORD size = 256;
  if (GetComputerNameExW(ComputerNameDnsHostname, name, &size)) return Utf8FromWide({name, size});
  return {};
}

std::string UserName() {
  wchar_t name[257];
  DWORD size = 257;
  if (GetUserNameW(name, &size) && size > 0) return Utf8FromWide({name, size - 1});
  return {};
}

std::tm UtcTime(std::time_t seconds) {
  std::tm t{};
  gmtime_s(&t, &seconds);
  return t;
}

std::intptr_t OpenForAppending(const std::string& path, std::string& error) {
  // Append-only access: every write lands at the end of the file.
  const HANDLE h = CreateFileW(PathFromUtf8(path).c_str(), FILE_APPEND_DATA,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    error = path + ": cannot be opened for appending (" + sim::LastSystemError() + ")";
    return -1;
  }
  return reinterpret_cast<std::intptr_t>(h);
}

bool AppendBytes(std::intptr_t file, const std::string& bytes, std::string& error) {
  DWORD written = 0;
  if (WriteFile(reinterpret_cast<HANDLE>(file), bytes.data(), static_cast<DWORD>(bytes.size()),
                &written, nullptr) &&
      written == bytes.size())
    return true;
  error = sim::LastSystemError();
  return false;
}

}  // namespace zul::audit
