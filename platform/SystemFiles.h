#pragma once
// The operating system's half of FileText and FileLock: win32/ and posix/
// each define these, and the build takes one of the two.

#include <cstdint>
#include <string>

namespace zul::platform {

// The last failed call's error as text (GetLastError or errno).
std::string LastSystemError();

// This process's number, which keeps the temporary names of two writers apart.
unsigned long CurrentProcessNumber();

// path + ".tmp-", the process and a count: a name no other writer, in this
// process or another, is using (defined once, in FileText.cpp).
std::string TemporaryName(const std::string& path);

// A new temporary file beside path (its name in name) holding text, readable
// by its owner only; false with a message in error, and nothing left behind.
bool WriteTemporary(const std::string& path, const std::string& text, std::string& name,
                    std::string& error);

// Renames from over to in one step; false with a message in error, and from
// removed.
bool RenameOver(const std::string& from, const std::string& to, std::string& error);

// The lock file at path for FileLock: opened for reading and writing, or for
// reading only when this user may not write it; created when missing with the
// mode of the file it guards (owner-only when that is missing too). A
// descriptor or a handle, -1 when it cannot be opened.
std::intptr_t OpenLockFile(const std::string& path, const std::string& guarded);
// Waits for the exclusive lock on the file (flock on POSIX; on Windows its
// first byte, which may lie past the file's end); false when it fails.
bool LockFirstByte(std::intptr_t file);
bool UnlockFirstByte(std::intptr_t file);
// Closes a descriptor or handle from OpenLockFile or audit's OpenForAppending.
void CloseSystemFile(std::intptr_t file);

}  // namespace zul::platform
