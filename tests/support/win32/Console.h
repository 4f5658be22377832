#pragma once
// Windows consoles in tests: a console of the test's own, and what it shows.

#if defined(_WIN32)

#include <windows.h>

#include <string>

#include "platform/win32/WideText.h"

namespace zul::test {

// A fresh console for this process while the object lives: whatever console
// the process had (Wine gives one to programs started from a pipe) is left.
struct OwnConsole {
  OwnConsole() {
    FreeConsole();
    ok = AllocConsole() != FALSE;
  }
  ~OwnConsole() { FreeConsole(); }
  OwnConsole(const OwnConsole&) = delete;
  OwnConsole& operator=(const OwnConsole&) = delete;
  bool ok = false;
};

// Everything this process's console shows, in UTF-8, one line per row with
// the trailing blanks cut; empty when there is no console.
inline std::string ConsoleText() {
  HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (out == INVALID_HANDLE_VALUE) return {};
  std::string text;
  CONSOLE_SCREEN_BUFFER_INFO info{};
  if (GetConsoleScreenBufferInfo(out, &info)) {
    std::wstring row(static_cast<std::size_t>(info.dwSize.X), L' ');
    for (SHORT y = 0; y < info.dwSize.Y; ++y) {
      DWORD read = 0;
      if (!ReadConsoleOutputCharacterW(out, row.data(), static_cast<DWORD>(row.size()), {0, y},
                                       &read)) {
        break;
      }
      text += platform::Utf8FromWide(row.substr(0, row.find_last_not_of(L' ') + 1)) + "\n";
    }
  }
  CloseHandle(out);
  return text;
}

}  // namespace zul::test

#endif
