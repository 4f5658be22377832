// A system the tool has no device access on: only simulated drives.

#include "platform/DeviceSystem.h"

namespace zul::platform {
namespace {

class NoDevices final : public cli::SystemDevices {
 public:
  DevicePort* Port() override { return nullptr; }
  cli::StorageLocator* Storage() override { return nullptr; }
  std::unique_ptr<cli::DeviceNotices> OpenNotices(DevicePort&, std::string& error) override {
    error = "this system gives no device notices";
    return nullptr;
  }
  cli::DeviceNaming Naming() const override { return {}; }
};

}  // namespace

std::unique_ptr<cli::SystemDevices> OpenDeviceSystem() {
  return std::make_unique<NoDevices>();
}

}  // namespace zul::platform
