#pragma once
// The few system calls the Linux port makes, behind one interface so that the
// tests can stand in for the kernel. Each returns what the system returns,
// with the error number negated instead of left in errno.

#include <scsi/sg.h>

namespace zul {

class LinuxSystem {
 public:
  virtual ~LinuxSystem() = default;
  // open(2): a descriptor, or -errno.
  virtual int Open(const char* path, int flags) = 0;
  // ioctl(fd, SG_IO, &request): 0, or -errno.
  virtual int SgIo(int fd, sg_io_hdr_t& request) = 0;
  // ioctl(fd, BLKRRPART): 0, or -errno.
  virtual int RereadPartitions(int fd) = 0;
  virtual void Close(int fd) = 0;
};

// The kernel itself.
LinuxSystem& RealLinuxSystem();

}  // namespace zul
