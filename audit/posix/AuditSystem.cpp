#include "AuditSystem.h"

#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>

#include <cerrno>

#include "FilePath.h"
#include "SystemFiles.h"

namespace zul::audit {

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) == 0) return name;
  return {};
}

std::string UserName() {
  const uid_t uid = geteuid();
  passwd entry{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found) return found->pw_name;
  return "uid " + std::to_string(uid);
}

std::tm UtcTime(std::time_t seconds) {
  std::tm t{};
  gmtime_r(&seconds, &t);
  return t;
}

std::intptr_t OpenForAppending(const std::string& path, std::string& error) {
  const int fd = open(PathFromUtf8(path).c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) {
    error = path + ": cannot be opened for appending (" + sim::LastSystemError() + ")";
    return -1;
  }
  return fd;
}

bool AppendBytes(std::intptr_t file, const std::string& bytes, std::string& error) {
  ssize_t written;
  while ((written = write(static_cast<int>(file), bytes.data(), bytes.size())) < 0 &&
         errno == EINTR) {
  }
  if (written == static_cast<ssize_t>(bytes.size())) return true;
  error = sim::LastSystemError();
  return false;
}

}  // namespace zul::audit
