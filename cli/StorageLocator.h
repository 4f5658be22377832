#pragma once
// What the platform knows about a camera's storage beyond its device path,
// where it has more to say than the drive letter: on Linux the block device
// of the camera's sg node, its mount points, and the storage release after a
// login. zulctl has none on Windows and with simulated drives.

#include <string>
#include <vector>

#include "devicelink/DevicePort.h"

namespace zul::cli {

struct StorageInfo {
  std::string blockDevice;               // "/dev/sdb", or empty when there is none
  std::vector<std::string> mountPoints;  // of the device and its partitions
};

// Where a login left the storage: the line for the operator, and whether the
// storage is there to use (when not, the line says so, on standard error).
struct StorageRelease {
  std::string line;
  bool ready = true;
};

class StorageLocator {
 public:
  virtual ~StorageLocator() = default;
  // The device a --drive value designates: a block device becomes its sg node.
  virtual std::string DeviceFor(const std::string& drive) = 0;
  virtual StorageInfo Describe(const std::string& devicePath) = 0;
  // After the camera opened its storage: asks the system to look at the medium
  // again, waits a bounded time, and says where the storage is.
  virtual StorageRelease ReleaseStorage(const std::string& devicePath) = 0;
  // What to tell the operator when the scan found nodes this user may not open.
  virtual std::string AccessHelp() = 0;
  // The udev rule for the cameras at these device paths; empty when none of
  // them sits on a USB device.
  virtual std::string UdevRule(const std::vector<std::string>& devicePaths) = 0;
};

}  // namespace zul::cli
