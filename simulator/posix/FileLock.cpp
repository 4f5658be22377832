#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

#include "FilePath.h"
#include "SystemFiles.h"

namespace zul::sim {

std::intptr_t OpenLockFile(const std::string& path) {
  return open(PathFromUtf8(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
}

bool LockFirstByte(std::intptr_t file) {
  int rc;
  while ((rc = flock(static_cast<int>(file), LOCK_EX)) != 0 && errno == EINTR) {
  }
  return rc == 0;
}

bool UnlockFirstByte(std::intptr_t file) {
  return flock(static_cast<int>(file), LOCK_UN) == 0;
}

void CloseSystemFile(std::intptr_t file) {
  close(static_cast<int>(file));
}

}  // namespace zul::sim
