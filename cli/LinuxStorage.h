#pragma once
// The storage of the cameras behind the kernel's sg nodes, from sysfs and
// /proc/self/mountinfo.

#include <chrono>
#include <functional>
#include <string>

#include "cli/StorageLocator.h"
#include "devicelink/linux/LinuxSystem.h"

namespace zul::cli {

// The clock and the pause of LinuxStorage's waits; a test gives its own, so
// that five seconds pass without sleeping.
struct WaitClock {
  std::function<std::chrono::steady_clock::time_point()> now;
  std::function<void(std::chrono::milliseconds)> pause;
  static WaitClock Real();
};

class LinuxStorage final : public StorageLocator {
 public:
  LinuxStorage(LinuxSystem& system = RealLinuxSystem(), std::string sysRoot = "/sys",
               std::string mountInfo = "/proc/self/mountinfo",
               std::chrono::milliseconds wait = std::chrono::seconds(5),
               WaitClock clock = WaitClock::Real())
      : system_(system),
        sysRoot_(std::move(sysRoot)),
        mountInfo_(std::move(mountInfo)),
        wait_(wait),
        clock_(std::move(clock)) {}

  std::string DeviceFor(const std::string& drive) override;
  StorageInfo Describe(const std::string& devicePath) override;
  // Reopens the block device and asks the kernel to read its partitions again
  // (allowed to fail: an open alone makes the kernel look at a removable
  // medium, and a user without access leaves it to the kernel's media
  // polling), waits up to the bound for the medium (a size in sysfs), then up
  // to the bound again for a mount. Never repairs a file system.
  StorageRelease ReleaseStorage(const std::string& devicePath) override;
  std::string AccessHelp() override;
  std::string UdevRule(const std::vector<std::string>& devicePaths) override;

 private:
  // Asks DONE every 200 ms until it holds or the wait's bound has passed.
  bool WaitFor(const std::function<bool()>& done);

  LinuxSystem& system_;
  std::string sysRoot_;
  std::string mountInfo_;
  std::chrono::milliseconds wait_;
  WaitClock clock_;
};

// The udev rule giving the logged-in user and the plugdev group the sg node of
// a USB device with these ids ("1209", "0001"), and nothing else.
std::string UdevRuleLine(const std::string& vendor, const std::string& product);

}  // namespace zul::cli
