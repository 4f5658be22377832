// Windows: the volumes D: to Z:, their notices through a window; a drive
// letter says where a camera's storage is.

#include "platform/DeviceSystem.h"

#include "devicelink/win32/Win32VolumePort.h"

namespace zul::platform {
namespace {

class Win32Devices final : public cli::SystemDevices {
 public:
  DevicePort* Port() override { return &port_; }
  cli::StorageLocator* Storage() override { return nullptr; }
  std::unique_ptr<cli::DeviceNotices> OpenNotices(DevicePort& port, std::string& error) override {
    return cli::OpenSystemNotices(port, error);
  }
  cli::DeviceNaming Naming() const override { return {}; }

 private:
  Win32VolumePort port_;
};

}  // namespace

std::unique_ptr<cli::SystemDevices> OpenDeviceSystem() {
  return std::make_unique<Win32Devices>();
}

}  // namespace zul::platform
