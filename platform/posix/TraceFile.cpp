#include "platform/TraceFile.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/FilePath.h"

namespace zul::platform {

std::FILE* OpenTraceFile(const std::string& path) {
  // fopen would create the file with the umask's mode.
  const int fd = open(PathFromUtf8(path).c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) return nullptr;
  std::FILE* file = fdopen(fd, "wb");
  if (!file) close(fd);
  return file;
}

}  // namespace zul::platform
