// Linux: the sg nodes on a USB bus, their storage from sysfs, udev's notices.

#include "platform/DeviceSystem.h"

#include "cli/LinuxStorage.h"
#include "devicelink/linux/LinuxSgPort.h"

namespace zul::platform {
namespace {

class LinuxDevices final : public cli::SystemDevices {
 public:
  DevicePort* Port() override { return &port_; }
  cli::StorageLocator* Storage() override { return &storage_; }
  std::unique_ptr<cli::DeviceNotices> OpenNotices(DevicePort& port, std::string& error) override {
    return cli::OpenSystemNotices(port, error);
  }
  cli::DeviceNaming Naming() const override { return {.paths = true}; }

 private:
  LinuxSgPort port_;
  cli::LinuxStorage storage_;
};

}  // namespace

std::unique_ptr<cli::SystemDevices> OpenDeviceSystem() {
  return std::make_unique<LinuxDevices>();
}

}  // namespace zul::platform
