#pragma once
// A file-name stem, in UTF-8, that the PC's ANSI code page cannot hold, so
// that a test of file names goes beyond what the ANSI functions reach on
// Windows. Elsewhere names are bytes and any stem will do.

#include <string>

#if defined(_WIN32)
#include <windows.h>
#endif

namespace zul::test {

// Empty when the ANSI code page holds every candidate (a UTF-8 code page).
inline std::string NameOutsideAnsiCodePage() {
  // Cyrillic, Greek, Japanese: no single-byte code page holds all three.
  static const char* const candidates[] = {"\xD0\xA0\xD0\xB0\xD0\xB7",
                                           "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1",
                                           "\xE5\x90\x8D\xE5\x89\x8D"};
#if defined(_WIN32)
  for (const char* utf8 : candidates) {
    wchar_t wide[16] = {};
    MultiByteToWideChar(CP_UTF8, 0, utf8, -1, wide, 16);
    BOOL lost = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide, -1, nullptr, 0, nullptr, &lost);
    if (lost) return utf8;
  }
  return {};
#else
  return candidates[0];
#endif
}

}  // namespace zul::test
