#include <windows.h>

#include "platform/FilePath.h"
#include "platform/SystemFiles.h"

namespace zul::platform {
namespace {

HANDLE AsHandle(std::intptr_t h) {
  return reinterpret_cast<HANDLE>(h);
}

}  // namespace

std::intptr_t OpenLockFile(const std::string& path, const std::string&) {
  // Shared in every way: the lock is the byte range below, not the open. A
  // user who may only read the file still locks it (LockFileEx takes a
  // handle opened for reading); the new file inherits the folder's rights.
  const std::wstring name = PathFromUtf8(path).wstring();
  HANDLE h = INVALID_HANDLE_VALUE;
  for (const DWORD access : {GENERIC_READ | GENERIC_WRITE, DWORD{GENERIC_READ}}) {
    h = CreateFileW(name.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h != INVALID_HANDLE_VALUE || GetLastError() != ERROR_ACCESS_DENIED) break;
  }
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

}  // namespace zul::platform
