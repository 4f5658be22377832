#include "FileLock.h"

#include <system_error>

#include "FilePath.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>
#endif

namespace zul::sim {
namespace {

#if defined(_WIN32)

HANDLE AsHandle(std::intptr_t h) {
  return reinterpret_cast<HANDLE>(h);
}
std::string LastError() {
  return std::error_code(static_cast<int>(GetLastError()), std::system_category()).message();
}

#else

std::string LastError() {
  return std::error_code(errno, std::generic_category()).message();
}

#endif

}  // namespace

FileLock::~FileLock() {
  Release();
#if defined(_WIN32)
  if (handle_ != -1) CloseHandle(AsHandle(handle_));
#else
  if (handle_ != -1) close(static_cast<int>(handle_));
#endif
}

bool FileLock::Acquire(std::string& error) {
  if (held_) return true;
#if defined(_WIN32)
  if (handle_ == -1) {
    // Shared in every way: the lock is the byte range below, not the open.
    const HANDLE h = CreateFileW(PathFromUtf8(path_).c_str(), GENERIC_READ | GENERIC_WRITE,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
      error = path_ + ": cannot be opened to lock (" + LastError() + ")";
      return false;
    }
    handle_ = reinterpret_cast<std::intptr_t>(h);
  }
  OVERLAPPED at{};  // the first byte; a lock may lie past the end of the file
  if (!LockFileEx(AsHandle(handle_), LOCKFILE_EXCLUSIVE_LOCK, 0, 1, 0, &at)) {
    error = path_ + ": cannot be locked (" + LastError() + ")";
    return false;
  }
#else
  if (handle_ == -1) {
    const int fd = open(PathFromUtf8(path_).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
      error = path_ + ": cannot be opened to lock (" + LastError() + ")";
      return false;
    }
    handle_ = fd;
  }
  int rc;
  while ((rc = flock(static_cast<int>(handle_), LOCK_EX)) != 0 && errno == EINTR) {
  }
  if (rc != 0) {
    error = path_ + ": cannot be locked (" + LastError() + ")";
    return false;
  }
#endif
  held_ = true;
  return true;
}

void FileLock::Release() {
  if (!held_) return;
  held_ = false;
  // Should the unlock fail, closing the file lets the lock go all the same.
#if defined(_WIN32)
  OVERLAPPED at{};
  if (!UnlockFileEx(AsHandle(handle_), 0, 1, 0, &at)) {
    CloseHandle(AsHandle(handle_));
    handle_ = -1;
  }
#else
  if (flock(static_cast<int>(handle_), LOCK_UN) != 0) {
    close(static_cast<int>(handle_));
    handle_ = -1;
  }
#endif
}

}  // namespace zul::sim
