#pragma once
// Who runs the program, as the system tells: win32/ and posix/ each define these, and
// the build takes one of the two.

#include <string>

namespace zul::platform {

// The computer's and the signed-in user's names, UTF-8; empty (or "uid N")
// when the system does not tell.
std::string HostName();
std::string UserName();

}  // namespace zul::platform
