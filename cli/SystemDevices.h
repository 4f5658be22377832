#pragma once
// What the system gives zulctl for reaching cameras: its devices (the port,
// whose Candidates() are the scan's list), where the storage of a camera
// lies, the notices of devices coming and going, and what the command line
// may name. platform/DeviceSystem.h makes one for the system zulctl is built
// for; tests and simulations do without.

#include <memory>
#include <string>

#include "cli/DeviceNotices.h"
#include "cli/Options.h"
#include "cli/StorageLocator.h"
#include "devicelink/DevicePort.h"

namespace zul::cli {

class SystemDevices {
 public:
  virtual ~SystemDevices() = default;
  // The system's devices; nullptr where this build reaches none.
  virtual DevicePort* Port() = 0;
  // Where the storage of a camera lies beyond its drive letter; nullptr where
  // the letter says all.
  virtual StorageLocator* Storage() = 0;
  // The system's notices of devices among port's candidates coming and going;
  // nullptr with error when they cannot be had.
  virtual std::unique_ptr<DeviceNotices> OpenNotices(DevicePort& port, std::string& error) = 0;
  virtual DeviceNaming Naming() const = 0;
};

}  // namespace zul::cli
