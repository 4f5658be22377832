#include <windows.h>

#include "FilePath.h"
#include "SystemFiles.h"

namespace zul::sim {
namespace {

HANDLE AsHandle(std::intptr_t h) {
  return reinterpret_cast<HANDLE>(h);
}

}  // namespace

std::intptr_t OpenLockFile(const std::string& path) {
  // Shared in every way: the lock is the byte range below, not the open.
  const HANDLE h = CreateFileW(PathFromUtf8(path).c_str(), GENERIC_READ | GENERIC_WRITE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return h == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(h);
}

bool LockFirstByte(std::intptr_t file) {
  OVERLAPPED at{};  // the first byte; a lock may lie past the end of the file
  return LockFileEx(AsHandle(file), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at) != 0;
}

bool UnlockFirstByte(std::intptr_t file) {
  OVERLAPPED at{};
  return UnlockFileEx(AsHandle(file), 0, 1, 0, &at) != 0;
}

void CloseSystemFile(std::intptr_t file) {
  CloseHandle(AsHandle(file));
}

}  // namespace zul::sim
