// clang-format off
#include <windows.h>
#include <aclapi.h>
#include <io.h>
// clang-format on

#include "cli/PasswordFile.h"

#include "platform/win32/WideText.h"

namespace zul::cli {
namespace {

// Whether the access list lets everyone, or every user of the PC, read or
// write the file. Allowing entries alone count: one that opens the file to
// all is refused even where a denying entry takes it back.
bool OpenToOthers(const ACL* dacl) {
  if (!dacl) return true;  // no access list at all: everyone may do anything
  constexpr ACCESS_MASK kReadOrWrite = FILE_READ_DATA | FILE_WRITE_DATA | FILE_APPEND_DATA |
                                       GENERIC_READ | GENERIC_WRITE | GENERIC_ALL;
  for (DWORD i = 0; i < dacl->AceCount; ++i) {
    void* entry = nullptr;
    if (!GetAce(const_cast<ACL*>(dacl), i, &entry)) return true;
    const auto* ace = static_cast<const ACCESS_ALLOWED_ACE*>(entry);
    if (ace->Header.AceType != ACCESS_ALLOWED_ACE_TYPE ||
        (ace->Header.AceFlags & INHERIT_ONLY_ACE) || !(ace->Mask & kReadOrWrite)) {
      continue;
    }
    const PSID sid = const_cast<DWORD*>(&ace->SidStart);
    for (WELL_KNOWN_SID_TYPE others : {WinWorldSid, WinBuiltinUsersSid, WinAuthenticatedUserSid}) {
      if (IsWellKnownSid(sid, others)) return true;
    }
  }
  return false;
}

}  // namespace

FileHandle OpenPasswordFile(const std::string& path, std::string& error) {
  FileHandle file(_wfopen(platform::WideFromUtf8(path).c_str(), L"rb"));
  if (!file) {
    error = path + ": cannot be read";
    return nullptr;
  }
  // The access list of what was opened, not of what the name points to by now.
  const HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file.get())));
  PACL dacl = nullptr;
  PSECURITY_DESCRIPTOR descriptor = nullptr;
  if (GetSecurityInfo(handle, SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, &dacl,
                      nullptr, &descriptor) != ERROR_SUCCESS) {
    error = path + ": its access list cannot be read";
    return nullptr;
  }
  const bool open = OpenToOthers(dacl);
  LocalFree(descriptor);
  if (open) {
    error = path +
            ": Everyone, Users or Authenticated Users may read or write it; make it its "
            "owner's alone (icacls \"" +
            path + "\" /inheritance:r /grant:r %USERNAME%:R)";
    return nullptr;
  }
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  return file;
}

}  // namespace zul::cli
