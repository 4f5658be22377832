#pragma once
// The camera through the kernel's SCSI generic driver: one /dev/sgN node per
// SCSI device, one SG_IO request per pass-through. The candidates are the sg
// nodes of devices on a USB bus.

#include <string>

#include "devicelink/DevicePort.h"
#include "devicelink/linux/LinuxSystem.h"

namespace zul {

class LinuxSgPort final : public DevicePort {
 public:
  // sysRoot: where sysfs is mounted ("/sys"); the tests give a tree of their own.
  explicit LinuxSgPort(LinuxSystem& system = RealLinuxSystem(), std::string sysRoot = "/sys")
      : system_(system), sysRoot_(std::move(sysRoot)) {}

  std::vector<DeviceCandidate> Candidates() override;
  // Read-write, so that a user without CAP_SYS_RAWIO may send vendor
  // operation codes; non-blocking, so that a busy node never holds the scan.
  VolumeHandle OpenVolume(const char* devicePath) override;
  // Maps the pass-through header onto one SG_IO request and writes back what
  // the Windows system would: ScsiStatus, SenseInfoLength, DataTransferLength
  // (bytes moved), the data and sense bytes, nothing outside those areas. A
  // check condition is a completed request; a transport failure (device gone,
  // time-out, reset) is false.
  bool PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                   std::uint32_t outSize) override;
  void CloseVolume(VolumeHandle handle) override;

 private:
  LinuxSystem& system_;
  std::string sysRoot_;
};

}  // namespace zul
