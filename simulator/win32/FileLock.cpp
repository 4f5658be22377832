#include "FileLock.h"

#include <windows.h>

#include "FilePath.h"
#include "SystemFiles.h"

namespace zul::sim {
namespace {

HANDLE AsHandle(std::intptr_t h) {
  return reinterpret_cast<HANDLE>(h);
}

}  // namespace

FileLock::~FileLock() {
  Release();
  if (handle_ != -1) CloseHandle(AsHandle(handle_));
}

bool FileLock::Acquire(std::string& error) {
  if (held_) return true;
  if (handle_ == -1) {
    // Shared in every way: the lock is the byte range below, not the open.
    const HANDLE h = CreateFileW(PathFromUtf8(path_).c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      error = path_ + ": cannot be opened to lock (" + LastSystemError() + ")";
      return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
  }
  OVERLAPPED at{};  // the first byte; a lock may lie past the end of the file
  if (!LockFileEx(AsHandle(handle_), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
    error = path_ + ": cannot be locked (" + LastSystemError() + ")";
    return false;
  }
  held_ = true;
  return true;
}

void FileLock::Release() {
  if (!held_) return;
  held_ = false;
  // Should the unlock fail, closing the file lets the lock go all the same.
  OVERLAPPED at{};
  if (!UnlockFileEx(AsHandle(handle_), 0, 1, 0, &at)) {
    CloseHandle(AsHandle(handle_));
    handle_ = -1;
  }
}

}  // namespace zul::sim
