#pragma once
// The calendar time of a moment, in UTC and in the PC's own time zone:
// win32/ and posix/ each define these, and the build takes one of the two.

#include <ctime>

namespace zul::platform {

std::tm UtcTime(std::time_t seconds);
std::tm LocalTime(std::time_t seconds);

}  // namespace zul::platform
