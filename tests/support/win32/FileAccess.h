#pragma once
// A Windows file made with an access list of its own: its owner alone, or its
// owner and Everyone reading.

#if defined(_WIN32)

// clang-format off
#include <windows.h>
#include <aclapi.h>
// clang-format on

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <system_error>

namespace zul::test {

inline void WriteFileWithAccessList(const std::filesystem::path& path, const std::string& bytes,
                                    bool othersMayRead) {
  // Made with its access list from the start, as a protected list of the
  // current user and perhaps Everyone reading. Wine keeps no access lists of
  // its own: it turns the one a file is created with into the file's mode,
  // and reads the mode back as the list, so the file means the same there.
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
  SECURITY_DESCRIPTOR sd;
  InitializeSecurityDescriptor(&sd, SECURITY_DESCRIPTOR_REVISION);
  SetSecurityDescriptorDacl(&sd, TRUE, acl, FALSE);
  SetSecurityDescriptorControl(&sd, SE_DACL_PROTECTED, SE_DACL_PROTECTED);
  SECURITY_ATTRIBUTES attributes{sizeof attributes, &sd, FALSE};
  std::error_code ignored;
  std::filesystem::remove(path, ignored);  // an existing file would keep its list
  const HANDLE file = CreateFileW(path.wstring().c_str(), GENERIC_WRITE, 0, &attributes, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  LocalFree(acl);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  const BOOL ok =
      WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_TRUE(ok && written == bytes.size());
}

}  // namespace zul::test

#endif
