#pragma once
// A file-name stem, in UTF-8, that the PC's ANSI code page cannot hold, so
// that a test of file names goes beyond what the ANSI functions reach on
// Windows. Elsewhere names are bytes and any stem will do.

#include <string>

#include "tests/support/win32/FileNames.h"

namespace zul::test {

// Empty when the ANSI code page holds every candidate (a UTF-8 code page).
inline std::string NameOutsideAnsiCodePage() {
  // Cyrillic, Greek, Japanese: no single-byte code page holds all three.
  static const char* const candidates[] = {"\xD0\xA0\xD0\xB0\xD0\xB7",
                                           "\xCE\xA9\xCE\xBC\xCE\xAD\xCE\xB3\xCE\xB1",
                                           "\xE5\x90\x8D\xE5\x89\x8D"};
#if defined(_WIN32)
  for (const char* utf8 : candidates) {
    if (!AnsiCodePageHolds(utf8)) return utf8;
  }
  return {};
#else
  return candidates[0];
#endif
}

}  // namespace zul::test
