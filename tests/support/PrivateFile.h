#pragma once
// A file written with an owner-only mode (POSIX 0600; on Windows an access
// list of its own granting its owner alone), or with others allowed to read
// it (0644; Everyone may read), for what refuses files others can read.

#include <filesystem>
#include <string>

#include "tests/support/Files.h"
#include "tests/support/win32/FileAccess.h"

namespace zul::test {

inline void WriteFileWithAccess(const std::filesystem::path& path, const std::string& bytes,
                                bool othersMayRead) {
#if defined(_WIN32)
  WriteFileWithAccessList(path, bytes, othersMayRead);
#else
  WriteFileBytes(path, bytes);
  using std::filesystem::perms;
  std::filesystem::permissions(path, othersMayRead ? perms(0644) : perms(0600));
#endif
}

}  // namespace zul::test
