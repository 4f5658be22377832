#pragma once
// File names travel through the programs as UTF-8 text (the command line is
// converted once, at the entry point) and become a std::filesystem::path only
// where a file is opened, so that names outside the PC's ANSI code page reach
// the system intact on Windows.

#include <filesystem>
#include <string>
#include <string_view>

namespace zul::platform {

inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string text = path.u8string();
  return std::string(text.begin(), text.end());
}

// Whether two names lead to one file. Both existing: one file (device and
// inode on POSIX, so hard and symbolic links count; volume serial number and
// file index on Windows). Neither existing yet: one place, the names made
// absolute and normalised (on POSIX through the folders' symbolic links and a
// link to a file still to come; on Windows as GetFullPathNameW gives them,
// case ignored). One existing and one not: never. The system's half is in
// posix/ or win32/ FileIdentity.cpp.
bool SameFile(std::string_view a, std::string_view b);

}  // namespace zul::platform
