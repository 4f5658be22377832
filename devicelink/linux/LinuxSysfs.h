#pragma once
// What sysfs and /proc/self/mountinfo say about the SCSI generic nodes: which
// sit on a USB bus, the block device of the same SCSI device, its partitions
// and where they are mounted. Every function takes the sysfs root ("/sys") so
// that the tests can give a tree of their own.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zul {

// "sg0", "sg10"...: the sg nodes whose device sits on a USB bus, in numeric
// order (sg10 after sg9).
std::vector<std::string> UsbSgNodes(const std::string& sysRoot);

// Whether one sg node ("/dev/sg2" or "sg2") is among UsbSgNodes, without
// looking at the others.
bool IsUsbSgNode(const std::string& sysRoot, std::string_view sgNode);

// "sg2" from "/dev/sg2" or "sg2"; empty when it names no sg node.
std::string SgNodeName(std::string_view path);

// "/dev/sdb" for the sg node's SCSI device, or empty when it has none.
std::string BlockDeviceOf(const std::string& sysRoot, std::string_view sgNode);

// The sg node ("/dev/sg2") of a block device or one of its partitions
// ("/dev/sdb", "/dev/sdb1"), or empty.
std::string SgNodeOfBlock(const std::string& sysRoot, std::string_view blockDevice);

// The size of the medium in a block device ("/dev/sdb"), in 512-byte sectors,
// as sysfs gives it: 0 while the kernel has seen no medium in it; nothing when
// sysfs has no such device.
std::optional<std::uint64_t> SectorsOf(const std::string& sysRoot, std::string_view blockDevice);

// "/dev/sdb1"... for the block device "/dev/sdb", in numeric order.
std::vector<std::string> PartitionsOf(const std::string& sysRoot, std::string_view blockDevice);

struct MountEntry {
  std::string majorMinor;  // "8:17"
  std::string mountPoint;  // unescaped
  std::string source;      // "/dev/sdb1", unescaped
};

// The lines of /proc/self/mountinfo; octal escapes (\040 for a space) decoded,
// lines that do not parse skipped.
std::vector<MountEntry> ParseMountInfo(std::string_view text);

// Where the block device and its partitions are mounted, by device number or
// by source name.
std::vector<std::string> MountPointsOf(const std::string& sysRoot, std::string_view blockDevice,
                                       const std::vector<MountEntry>& mounts);

// The whole text of a file, or nothing when it cannot be read.
std::optional<std::string> ReadTextFile(const std::string& path);

struct UsbIds {
  std::string vendor;  // "1d6b", as sysfs gives it
  std::string product;
  bool operator==(const UsbIds&) const = default;
};

// The USB vendor and product ids of the device the sg node sits on.
std::optional<UsbIds> UsbIdsOf(const std::string& sysRoot, std::string_view sgNode);

}  // namespace zul
