#include "platform/AppendFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "platform/FilePath.h"
#include "platform/SystemFiles.h"

namespace zul::platform {

std::intptr_t OpenForAppending(const std::string& path, std::string& error) {
  const int fd = open(PathFromUtf8(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = path + ": cannot be opened for appending (" + platform::LastSystemError() + ")";
    return -1;
  }
  return fd;
}

bool AppendBytes(std::intptr_t file, const std::string&, const std::string& bytes,
                 std::string& error) {
  const int fd = static_cast<int>(file);
  struct stat before {};
  if (fstat(fd, &before) != 0) {
    error = platform::LastSystemError();
    return false;
  }
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n > 0) {
      done += static_cast<std::size_t>(n);
    } else if (n < 0 && errno == EINTR) {
      continue;
    } else {
      // The error of this call, before anything else can change errno.
      error = n < 0 ? platform::LastSystemError() : "nothing could be written";
      break;
    }
  }
  if (done == bytes.size()) return true;
  if (done > 0 && ftruncate(fd, before.st_size) != 0) {
    error += "; the part written could not be taken back (" + platform::LastSystemError() + ")";
  }
  return false;
}

}  // namespace zul::platform
