#include "cli/linux/UdevNotices.h"

#include <libudev.h>
#include <poll.h>

#include <cerrno>
#include <cstring>

#include "devicelink/linux/LinuxSysfs.h"

namespace zul::cli {

std::optional<DeviceNotice> UdevEventNotice(const UdevEvent& event) {
  if (event.devnode.empty()) return std::nullopt;
  const DeviceCandidate node{event.devnode, event.devnode};  // as LinuxSgPort names it
  if (event.action == "remove") return DeviceNotice{DeviceNotice::Change::Removed, node};
  if (event.action != "add" || !event.onUsb) return std::nullopt;
  return DeviceNotice{DeviceNotice::Change::Arrived, node};
}

namespace {

class UdevNotices final : public DeviceNotices {
 public:
  UdevNotices() = default;
  ~UdevNotices() override {
    if (monitor_) udev_monitor_unref(monitor_);
    if (udev_) udev_unref(udev_);
  }

  bool Open(std::string& error) {
    udev_ = udev_new();
    // "udev": events once udev has handled them, so the node is there and usable.
    monitor_ = udev_ ? udev_monitor_new_from_netlink(udev_, "udev") : nullptr;
    if (!monitor_ ||
        udev_monitor_filter_add_match_subsystem_devtype(monitor_, "scsi_generic", nullptr) < 0 ||
        udev_monitor_enable_receiving(monitor_) < 0) {
      error = std::string("udev's monitor cannot be opened: ") + std::strerror(errno);
      return false;
    }
    return true;
  }

  bool Wait(std::chrono::milliseconds timeout, std::vector<DeviceNotice>& notices,
            std::string& error) override {
    pollfd p{udev_monitor_get_fd(monitor_), POLLIN, 0};
    const int ready = poll(&p, 1, static_cast<int>(timeout.count()));
    if (ready < 0 && errno != EINTR) {
      error = std::string("udev's monitor failed: ") + std::strerror(errno);
      return false;
    }
    if (ready <= 0) return true;
    // Everything that has come, without waiting for more (the socket does not block).
    while (udev_device* device = udev_monitor_receive_device(monitor_)) {
      const char* action = udev_device_get_action(device);
      const char* node = udev_device_get_devnode(device);
      UdevEvent event{action ? action : "", node ? node : ""};
      udev_device_unref(device);
      // The arrived node alone is looked at, not every node again.
      event.onUsb = event.action == "add" && IsUsbSgNode("/sys", event.devnode);
      if (auto notice = UdevEventNotice(event)) notices.push_back(std::move(*notice));
    }
    return true;
  }

 private:
  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
};

}  // namespace

std::unique_ptr<DeviceNotices> OpenSystemNotices(DevicePort&, std::string& error) {
  auto notices = std::make_unique<UdevNotices>();
  if (!notices->Open(error)) return nullptr;
  return notices;
}

}  // namespace zul::cli
