#include "platform/Host.h"

#include <windows.h>

#include "platform/win32/WideText.h"

namespace zul::platform {

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

}  // namespace zul::platform
