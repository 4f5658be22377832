#include "devicelink/linux/LinuxSystem.h"

#include <fcntl.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>

namespace zul {
namespace {

class Kernel final : public LinuxSystem {
 public:
  int Open(const char* path, int flags) override {
    const int fd = ::open(path, flags | O_CLOEXEC);
    return fd >= 0 ? fd : -errno;
  }
  int SgIo(int fd, sg_io_hdr_t& request) override {
    return ::ioctl(fd, SG_IO, &request) == 0 ? 0 : -errno;
  }
  int RereadPartitions(int fd) override { return ::ioctl(fd, BLKRRPART) == 0 ? 0 : -errno; }
  void Close(int fd) override { ::close(fd); }
};

}  // namespace

LinuxSystem& RealLinuxSystem() {
  static Kernel kernel;
  return kernel;
}

}  // namespace zul
