#pragma once
// A file that only grows, a line at a time (the audit file): win32/ and
// posix/ each define these, and the build takes one of the two.

#include <cstdint>
#include <string>

namespace zul::platform {

// A file opened for appending only, so that every write lands at its end,
// created readable by its owner only when missing (an existing file keeps its
// mode); -1 with a message in error when it cannot be opened.
std::intptr_t OpenForAppending(const std::string& path, std::string& error);
// All of bytes at the end of the file at path, open as file, in as many
// writes as it takes. When they cannot all go (a full disk, a size limit),
// the file is cut back to its size before, so no part of a line stays for the
// next line to be glued to; false with the failing call's error in error.
// Call under the file's lock: no other writer may append meanwhile.
// (Closed with CloseSystemFile.)
bool AppendBytes(std::intptr_t file, const std::string& path, const std::string& bytes,
                 std::string& error);

}  // namespace zul::platform
