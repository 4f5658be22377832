#include "cli/LinuxStorage.h"

#include <fcntl.h>

#include <algorithm>
#include <thread>

#include "devicelink/linux/LinuxSysfs.h"

namespace zul::cli {
namespace {

constexpr char kRulePath[] = "/etc/udev/rules.d/60-zul-camera.rules";

}  // namespace

std::string UdevRuleLine(const std::string& vendor, const std::string& product) {
  return "SUBSYSTEM==\"scsi_generic\", ATTRS{idVendor}==\"" + vendor + "\", ATTRS{idProduct}==\"" +
         product + "\", TAG+=\"uaccess\", GROUP=\"plugdev\", MODE=\"0660\"\n";
}

std::string LinuxStorage::DeviceFor(const std::string& drive) {
  if (drive.rfind("/dev/", 0) != 0 || !SgNodeName(drive).empty()) return drive;
  const std::string node = SgNodeOfBlock(sysRoot_, drive);
  return node.empty() ? drive : node;
}

StorageInfo LinuxStorage::Describe(const std::string& devicePath) {
  StorageInfo info;
  info.blockDevice = BlockDeviceOf(sysRoot_, devicePath);
  if (info.blockDevice.empty()) return info;
  const auto mounts = ReadTextFile(mountInfo_);
  if (mounts) info.mountPoints = MountPointsOf(sysRoot_, info.blockDevice, ParseMountInfo(*mounts));
  return info;
}

WaitClock WaitClock::Real() {
  return {[] { return std::chrono::steady_clock::now(); },
          [](std::chrono::milliseconds pause) { std::this_thread::sleep_for(pause); }};
}

bool LinuxStorage::WaitFor(const std::function<bool()>& done) {
  const auto deadline = clock_.now() + wait_;
  while (!done()) {
    if (clock_.now() >= deadline) return false;
    clock_.pause(std::chrono::milliseconds(200));
  }
  return true;
}

StorageRelease LinuxStorage::ReleaseStorage(const std::string& devicePath) {
  const std::string block = BlockDeviceOf(sysRoot_, devicePath);
  if (block.empty()) return {"Storage opened on " + devicePath};
  // An open makes the kernel look at a removable medium at once. A user
  // outside group disk may not open it: that is no fault, the kernel's media
  // polling (set up by udev's block rules) finds the medium within seconds.
  const int fd = system_.Open(block.c_str(), O_RDONLY | O_NONBLOCK);
  if (fd >= 0) {
    system_.RereadPartitions(fd);  // refused while mounted or without rights: the open did it
    system_.Close(fd);
  }
  if (!WaitFor([&] { return SectorsOf(sysRoot_, block).value_or(0) > 0; })) {
    return {"The camera's storage did not appear on " + block + " within " +
                std::to_string(std::chrono::duration_cast<std::chrono::seconds>(wait_).count()) +
                " seconds; the system has not looked at the medium again. Root can make it look "
                "with: blockdev --rereadpt " +
                block,
            false};
  }
  // The desktop's automounter needs a moment once the medium is there; the
  // wait ends at the first mount.
  StorageInfo info;
  WaitFor([&] {
    info = Describe(devicePath);
    return !info.mountPoints.empty();
  });
  const std::string line = "Storage opened on " + block;
  if (!info.mountPoints.empty()) return {line + " (mounted at " + info.mountPoints.front() + ")"};
  // The kernel has read the medium's partitions by now: the first holds the
  // file system, a medium without a partition table holds it itself.
  const std::vector<std::string> partitions = PartitionsOf(sysRoot_, block);
  return {line + "; mount it with: udisksctl mount -b " +
          (partitions.empty() ? block : partitions.front())};
}

std::string LinuxStorage::AccessHelp() {
  return std::string(
             "The udev rule that lets this user reach the camera is missing. Install it "
             "as root:\n  cp packaging/linux/60-zul-camera.rules ") +
         kRulePath +
         "\n  udevadm control --reload && udevadm trigger\n"
         "(or print a rule for the cameras docked here with: sudo zulctl udev-rule)\n";
}

std::string LinuxStorage::UdevRule(const std::vector<std::string>& devicePaths) {
  std::vector<UsbIds> seen;
  std::string rule;
  for (const std::string& path : devicePaths) {
    const std::optional<UsbIds> ids = UsbIdsOf(sysRoot_, path);
    if (!ids || std::find(seen.begin(), seen.end(), *ids) != seen.end()) continue;
    seen.push_back(*ids);
    rule += UdevRuleLine(ids->vendor, ids->product);
  }
  if (rule.empty()) return "";
  return "# " + std::string(kRulePath) +
         ": the camera's SCSI generic node for the logged-in user and the plugdev group\n" + rule;
}

}  // namespace zul::cli
