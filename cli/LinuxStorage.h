#pragma once
// The storage of the cameras behind the kernel's sg nodes, from sysfs and
// /proc/self/mountinfo.

#include <chrono>
#include <string>

#include "StorageLocator.h"
#include "linux/LinuxSystem.h"

namespace zul::cli {

class LinuxStorage final : public StorageLocator {
 public:
  LinuxStorage(LinuxSystem& system = RealLinuxSystem(), std::string sysRoot = "/sys",
               std::string mountInfo = "/proc/self/mountinfo",
               std::chrono::milliseconds wait = std::chrono::seconds(5))
      : system_(system),
        sysRoot_(std::move(sysRoot)),
        mountInfo_(std::move(mountInfo)),
        wait_(wait) {}

  std::string DeviceFor(const std::string& drive) override;
  StorageInfo Describe(const std::string& devicePath) override;
  // Reopens the block device and asks the kernel to read its partitions again
  // (allowed to fail: an open alone makes the kernel look at a removable
  // medium), then waits for a mount. Never repairs a file system.
  std::string ReleaseStorage(const std::string& devicePath) override;
  std::string AccessHelp() override;
  std::string UdevRule(const std::vector<std::string>& devicePaths) override;

 private:
  LinuxSystem& system_;
  std::string sysRoot_;
  std::string mountInfo_;
  std::chrono::milliseconds wait_;
};

// The udev rule giving the logged-in user and the plugdev group the sg node of
// a USB device with these ids ("1209", "0001"), and nothing else.
std::string UdevRuleLine(const std::string& vendor, const std::string& product);

}  // namespace zul::cli
