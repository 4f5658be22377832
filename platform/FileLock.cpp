#include "platform/FileLock.h"

#include "platform/SystemFiles.h"

namespace zul::platform {

FileLock::~FileLock() {
  Release();
  if (handle_ != -1) CloseSystemFile(handle_);
}

bool FileLock::Acquire(std::string& error) {
  if (held_) return true;
  if (handle_ == -1) {
    handle_ = OpenLockFile(path_, guarded_);
    if (handle_ == -1) {
      error = path_ + ": cannot be opened to lock (" + LastSystemError() + ")";
      return false;
    }
  }
  if (!LockFirstByte(handle_)) {
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
  if (!UnlockFirstByte(handle_)) {
    CloseSystemFile(handle_);
    handle_ = -1;
  }
}

}  // namespace zul::platform
