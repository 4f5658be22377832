#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FilePath.h"
#include "platform/SystemFiles.h"

namespace zul::platform {

std::intptr_t OpenLockFile(const std::string& path, const std::string& guarded) {
  const auto name = PathFromUtf8(path);
  int fd = open(name.c_str(), O_RDWR | O_CLOEXEC);
  if (fd < 0 && errno == ENOENT) {
    struct stat of {};
    const bool known = stat(PathFromUtf8(guarded).c_str(), &of) == 0;
    const mode_t mode = known ? (of.st_mode & 0666) : mode_t{0600};
    fd = open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, mode);
    if (fd >= 0) {
      // The guarded file's mode and group whatever this process's umask and
      // groups: whoever shares that file must be able to lock it too.
      if (known && fchown(fd, static_cast<uid_t>(-1), of.st_gid) != 0) {
        // Not one of this user's groups: the folder's group (setgid) must do.
      }
      if (fchmod(fd, mode) != 0) {
        // Left with the umask's mode: other users may still open it to read.
      }
    } else if (errno == EEXIST) {
      fd = open(name.c_str(), O_RDWR | O_CLOEXEC);  // another program made it meanwhile
    }
  }
  // flock holds on a descriptor open for reading only.
  if (fd < 0 && errno == EACCES) fd = open(name.c_str(), O_RDONLY | O_CLOEXEC);
  return fd;
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

}  // namespace zul::platform
