#include "cli/PasswordFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace zul::cli {

FileHandle OpenPasswordFile(const std::string& path, std::string& error) {
  const int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    error = path + ": cannot be read (" + std::strerror(errno) + ")";
    return nullptr;
  }
  // The mode of what was opened, not of what the name points to by now.
  struct stat info {};
  if (fstat(fd, &info) != 0) {
    error = path + ": cannot be read (" + std::strerror(errno) + ")";
    close(fd);
    return nullptr;
  }
  if ((info.st_mode & 077) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(info.st_mode & 07777));
    error = path + ": others than its owner may read or write it (mode " + mode +
            "); make it the owner's alone (chmod 600 " + path + ")";
    close(fd);
    return nullptr;
  }
  FileHandle file(fdopen(fd, "r"));
  if (!file) {
    close(fd);
    error = path + ": cannot be read";
    return nullptr;
  }
  std::setvbuf(file.get(), nullptr, _IONBF, 0);
  return file;
}

}  // namespace zul::cli
