#pragma once
// Windows files in tests: what the ANSI code page can hold, and reading a
// file that another program replaces.

#if defined(_WIN32)

#include <windows.h>

#include <filesystem>
#include <string>

namespace zul::test {

// Whether the PC's ANSI code page holds every character of utf8.
inline bool AnsiCodePageHolds(const char* utf8) {
  wchar_t wide[16] = {};
  MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 16);
  BOOL lost = FALSE;
  WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &lost);
  return !lost;
}

// The file's bytes, opened sharing deletion as the system asks of anyone
// reading a file that is replaced by a rename: without that the open is
// refused for the instant the writer's rename handle stays open on the new
// file. Empty when it cannot be opened.
inline std::string ReadSharingDeletion(const std::filesystem::path& path) {
  const HANDLE h = CreateFileW(path.wstring().c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "";
  std::string text;
  char chunk[4096];
  DWORD n = 0;
  while (::ReadFile(h, chunk, sizeof chunk, &n, nullptr) && n > 0) text.append(chunk, n);
  CloseHandle(h);
  return text;
}

}  // namespace zul::test

#endif
