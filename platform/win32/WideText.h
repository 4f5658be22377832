#pragma once
// The programs' text is UTF-8; the system's is UTF-16. These convert at the
// edges of the Windows builds: the command line, message boxes, the console.

#include <string>
#include <string_view>
#include <vector>

namespace zul::platform {

// Malformed input comes out with U+FFFD in place of what cannot be read.
std::wstring WideFromUtf8(std::string_view utf8);
std::string Utf8FromWide(std::wstring_view wide);

// The program's arguments after its own name, in UTF-8, from the UTF-16
// command line: the ANSI one has already lost every character outside the
// PC's code page.
std::vector<std::string> Utf8Arguments();

}  // namespace zul::platform
