#include "cli/linux/UdevNotices.h"

#include <libudev.h>
#include <poll.h>

#include <cerrno>
#include <cstring>

namespace zul::cli {

std::optional<DeviceNotice> UdevEventNotice(const UdevEvent& event,
                                            const std::vector<DeviceCandidate>& candidates) {
  if (event.devnode.empty()) return std::nullopt;
  if (event.action == "remove") return DeviceNotice{DeviceNotice::Change::Removed, event.devnode};
  if (event.action != "add") return std::nullopt;
  for (const DeviceCandidate& c : candidates) {
    if (c.path == event.devnode) return DeviceNotice{DeviceNotice::Change::Arrived, c.name};
  }
  return std::nullopt;
}

namespace {

class UdevNotices final : public DeviceNotices {
 public:
  explicit UdevNotices(DevicePort& port) : port_(port) {}
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
      const UdevEvent event{action ? action : "", node ? node : ""};
      udev_device_unref(device);
      const std::vector<DeviceCandidate> candidates =
          event.action == "add" ? port_.Candidates() : std::vector<DeviceCandidate>();
      if (auto notice = UdevEventNotice(event, candidates)) notices.push_back(std::move(*notice));
    }
    return true;
  }

 private:
  DevicePort& port_;
  udev* udev_ = nullptr;
  udev_monitor* monitor_ = nullptr;
};

}  // namespace

std::unique_ptr<DeviceNotices> OpenSystemNotices(DevicePort& port, std::string& error) {
  auto notices = std::make_unique<UdevNotices>(port);
  if (!notices->Open(error)) return nullptr;
  return notices;
}

}  // namespace zul::cli
