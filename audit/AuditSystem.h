#pragma once
// The operating system's half of the audit file: win32/ and posix/ each
// define these, and the build takes one of the two.

#include <cstdint>
#include <ctime>
#include <string>

namespace zul::audit {

// The computer's and the signed-in user's names, UTF-8; empty (or "uid N")
// when the system does not tell.
std::string HostName();
std::string UserName();

// The calendar time in UTC.
std::tm UtcTime(std::time_t seconds);

// A file opened for appending only, so that every write lands at its end,
// created when missing; -1 with a message in error when it cannot be opened.
std::intptr_t OpenForAppending(const std::string& path, std::string& error);
// All of bytes in one write; false with the system's error in error.
// (Closed with sim::CloseSystemFile.)
bool AppendBytes(std::intptr_t file, const std::string& bytes, std::string& error);

}  // namespace zul::audit
