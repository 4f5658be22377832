#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <system_error>

#include "platform/FilePath.h"
#include "platform/SystemFiles.h"

namespace zul::platform {

std::string LastSystemError() {
  return std::error_code(errno, std::generic_category()).message();
}

unsigned long CurrentProcessNumber() {
  return static_cast<unsigned long>(getpid());
}

bool WriteTemporary(const std::string& path, const std::string& text, std::string& name,
                    std::string& error) {
  int fd = -1;
  for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
    name = TemporaryName(path);
    fd = open(PathFromUtf8(name).c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) {
    error = name + ": cannot be created (" + LastSystemError() + ")";
    return false;
  }
  std::size_t done = 0;
  bool written = true;
  while (done < text.size()) {
    const ssize_t n = write(fd, text.data() + done, text.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      written = false;
      break;
    }
    done += static_cast<std::size_t>(n);
  }
  const std::string why = written ? std::string() : LastSystemError();
  if (close(fd) != 0 || !written) {
    error = name + ": cannot be written (" + (written ? LastSystemError() : why) + ")";
    unlink(PathFromUtf8(name).c_str());
    return false;
  }
  return true;
}

bool RenameOver(const std::string& from, const std::string& to, std::string& error) {
  if (std::rename(PathFromUtf8(from).c_str(), PathFromUtf8(to).c_str()) == 0) return true;
  error = to + ": cannot be replaced (" + LastSystemError() + ")";
  unlink(PathFromUtf8(from).c_str());
  return false;
}

}  // namespace zul::platform
