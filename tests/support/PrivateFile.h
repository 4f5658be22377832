#pragma once
// A file written with an owner-only mode (POSIX 0600; on Windows an access
// list of its own granting its owner alone), or with others allowed to read
// it (0644; Everyone may read), for what refuses files others can read.

#include <filesystem>
#include <string>

#include "support/Files.h"
#if defined(_WIN32)
// clang-format off
#include <windows.h>
#include <aclapi.h>
// clang-format on
#endif

namespace zul::test {

inline void WriteFileWithAccess(const std::filesystem::path& path, const std::string& bytes,
                                bool othersMayRead) {
  WriteFileBytes(path, bytes);
#if defined(_WIN32)
  // The current user, and perhaps Everyone reading.
  wchar_t owner[] = L"CURRENT_USER";
  wchar_t everyone[] = L"Everyone";
  EXPLICIT_ACCESSW grants[2] = {};
  for (int i = 0; i < 2; ++i) {
    grants[i].grfAccessPermissions = i == 0 ? GENERIC_ALL : GENERIC_READ;
    grants[i].grfAccessMode = SET_ACCESS;
    grants[i].Trustee.TrusteeForm = TRUSTEE_IS_NAME;
    grants[i].Trustee.ptstrName = i == 0 ? owner : everyone;
  }
  PACL acl = nullptr;
  ASSERT_EQ(SetEntriesInAclW(othersMayRead ? 2 : 1, grants, nullptr, &acl), ERROR_SUCCESS);
  std::wstring name = path.wstring();
  const DWORD set = SetNamedSecurityInfoW(
      name.data(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION,
      nullptr, nullptr, acl, nullptr);
  LocalFree(acl);
  ASSERT_EQ(set, ERROR_SUCCESS);
#else
  using std::filesystem::perms;
  std::filesystem::permissions(path, othersMayRead ? perms(0644) : perms(0600));
#endif
}

}  // namespace zul::test
