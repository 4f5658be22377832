#include "LinuxStorage.h"

#include <fcntl.h>

#include <algorithm>
#include <thread>

#include "linux/LinuxSysfs.h"

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

std::string LinuxStorage::ReleaseStorage(const std::string& devicePath) {
  const std::string before = BlockDeviceOf(sysRoot_, devicePath);
  if (!before.empty()) {
    const int fd = system_.Open(before.c_str(), O_RDONLY | O_NONBLOCK);
    if (fd >= 0) {
      system_.RereadPartitions(fd);  // refused while mounted or without rights: the open did it
      system_.Close(fd);
    }
  }
  // The desktop's automounter needs a moment; the wait ends at the first mount.
  const auto deadline = std::chrono::steady_clock::now() + wait_;
  StorageInfo info = Describe(devicePath);
  while (info.mountPoints.empty() && std::chrono::steady_clock::now() < deadline) {
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    info = Describe(devicePath);
  }
  if (info.blockDevice.empty()) return "Storage opened on " + devicePath;
  std::string line = "Storage opened on " + info.blockDevice;
  if (!info.mountPoints.empty()) return line + " (mounted at " + info.mountPoints.front() + ")";
  const std::vector<std::string> partitions = PartitionsOf(sysRoot_, info.blockDevice);
  return line + "; mount it with: udisksctl mount -b " +
         (partitions.empty() ? info.blockDevice : partitions.front());
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
