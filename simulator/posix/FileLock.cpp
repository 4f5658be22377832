#include "FileLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "FilePath.h"
#include "SystemFiles.h"

namespace zul::sim {

FileLock::~FileLock() {
  Release();
  if (handle_ != -1) close(static_cast<int>(handle_));
}

bool FileLock::Acquire(std::string& error) {
  if (held_) return true;
  if (handle_ == -1) {
    const int fd = open(PathFromUtf8(path_).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
      error = path_ + ": cannot be opened to lock (" + LastSystemError() + ")";
      return false;
    }
    handle_ = fd;
  }
  int rc;
  while ((rc = flock(static_cast<int>(handle_), LOCK_EX)) != 0 && errno == EINTR) {
  }
  if (rc != 0) {
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
  if (flock(static_cast<int>(handle_), LOCK_UN) != 0) {
    close(static_cast<int>(handle_));
    handle_ = -1;
  }
}

}  // namespace zul::sim
