#include "devicelink/linux/LinuxSysfs.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "platform/FilePath.h"

namespace zul {
namespace fs = std::filesystem;
namespace {

// The number after a name's prefix ("sg10" -> 10), or -1.
long NumberAfter(std::string_view name, std::string_view prefix) {
  if (name.substr(0, prefix.size()) != prefix || name.size() == prefix.size() ||
      name.size() > prefix.size() + 9) {
    return -1;
  }
  long n = 0;
  for (const char c : name.substr(prefix.size())) {
    if (!std::isdigit(static_cast<unsigned char>(c))) return -1;
    n = n * 10 + (c - '0');
  }
  return n;
}

std::string Trimmed(std::string text) {
  while (!text.empty() && std::isspace(static_cast<unsigned char>(text.back()))) text.pop_back();
  return text;
}

// The SCSI device directory behind an sg node, resolved; empty when none.
fs::path ScsiDeviceOf(const std::string& sysRoot, std::string_view sgNode) {
  std::error_code ec;
  const fs::path link = platform::PathFromUtf8(sysRoot) / "class" / "scsi_generic" /
                        platform::PathFromUtf8(sgNode) / "device";
  fs::path resolved = fs::canonical(link, ec);
  return ec ? fs::path() : resolved;
}

// A device path that passes through a USB bus ("usb1", "usb2"...).
bool OnUsb(const fs::path& device) {
  for (const fs::path& part : device) {
    if (NumberAfter(part.string(), "usb") >= 0) return true;
  }
  return false;
}

std::string BaseName(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

// Directory names of a folder, or none when it cannot be read.
std::vector<std::string> Entries(const fs::path& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
    names.push_back(it->path().filename().string());
  }
  return names;
}

std::string Unescaped(std::string_view field) {
  std::string text;
  for (std::size_t i = 0; i < field.size(); ++i) {
    if (field[i] == '\\' && i + 3 < field.size()) {
      const std::string_view digits = field.substr(i + 1, 3);
      if (std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '7'; })) {
        text += static_cast<char>(((digits[0] - '0') << 6) | ((digits[1] - '0') << 3) |
                                  (digits[2] - '0'));
        i += 3;
        continue;
      }
    }
    text += field[i];
  }
  return text;
}

}  // namespace

std::vector<std::string> UsbSgNodes(const std::string& sysRoot) {
  std::vector<std::pair<long, std::string>> found;
  for (const std::string& name :
       Entries(platform::PathFromUtf8(sysRoot) / "class" / "scsi_generic")) {
    const long n = NumberAfter(name, "sg");
    if (n < 0) continue;
    if (IsUsbSgNode(sysRoot, name)) found.emplace_back(n, name);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> nodes;
  for (auto& f : found) nodes.push_back(std::move(f.second));
  return nodes;
}

bool IsUsbSgNode(const std::string& sysRoot, std::string_view sgNode) {
  const std::string name = SgNodeName(sgNode);
  if (name.empty()) return false;
  const fs::path device = ScsiDeviceOf(sysRoot, name);
  return !device.empty() && OnUsb(device);
}

std::string SgNodeName(std::string_view path) {
  const std::string name = BaseName(path);
  if (path.find('/') != std::string_view::npos && path.substr(0, 5) != "/dev/") return "";
  return NumberAfter(name, "sg") >= 0 ? name : "";
}

std::string BlockDeviceOf(const std::string& sysRoot, std::string_view sgNode) {
  const fs::path device = ScsiDeviceOf(sysRoot, SgNodeName(sgNode));
  if (device.empty()) return "";
  std::vector<std::string> blocks = Entries(device / "block");
  std::sort(blocks.begin(), blocks.end());
  return blocks.empty() ? "" : "/dev/" + blocks.front();
}

std::string SgNodeOfBlock(const std::string& sysRoot, std::string_view blockDevice) {
  if (blockDevice.substr(0, 5) != "/dev/") return "";
  const fs::path block = platform::PathFromUtf8(sysRoot) / "class" / "block" /
                         platform::PathFromUtf8(BaseName(blockDevice));
  std::error_code ec;
  fs::path disk = fs::canonical(block, ec);
  if (ec) return "";
  if (fs::exists(disk / "partition", ec)) disk = disk.parent_path();
  std::vector<std::string> nodes = Entries(disk / "device" / "scsi_generic");
  std::sort(nodes.begin(), nodes.end());
  return nodes.empty() ? "" : "/dev/" + nodes.front();
}

std::optional<std::uint64_t> SectorsOf(const std::string& sysRoot, std::string_view blockDevice) {
  if (blockDevice.substr(0, 5) != "/dev/") return std::nullopt;
  const auto text = ReadTextFile(sysRoot + "/class/block/" + BaseName(blockDevice) + "/size");
  if (!text) return std::nullopt;
  std::uint64_t sectors = 0;
  std::istringstream in(*text);
  if (!(in >> sectors)) return std::nullopt;
  return sectors;
}

std::vector<std::string> PartitionsOf(const std::string& sysRoot, std::string_view blockDevice) {
  const std::string disk = BaseName(blockDevice);
  const fs::path dir =
      platform::PathFromUtf8(sysRoot) / "class" / "block" / platform::PathFromUtf8(disk);
  std::vector<std::pair<long, std::string>> found;
  for (const std::string& name : Entries(dir)) {
    std::error_code ec;
    const long n = NumberAfter(name, disk);
    if (n >= 0 && fs::exists(dir / name / "partition", ec)) found.emplace_back(n, name);
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> partitions;
  for (const auto& f : found) partitions.push_back("/dev/" + f.second);
  return partitions;
}

std::vector<MountEntry> ParseMountInfo(std::string_view text) {
  // id parent major:minor root mount-point options [optional...] - type source super-options
  std::vector<MountEntry> mounts;
  std::istringstream lines{std::string(text)};
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::vector<std::string> fields;
    for (std::string w; words >> w;) fields.push_back(w);
    const auto dash = std::find(fields.begin(), fields.end(), "-");
    if (fields.size() < 6 || dash == fields.end() || dash - fields.begin() < 6 ||
        fields.end() - dash < 3) {
      continue;
    }
    mounts.push_back({fields[2], Unescaped(fields[4]), Unescaped(*(dash + 2))});
  }
  return mounts;
}

std::vector<std::string> MountPointsOf(const std::string& sysRoot, std::string_view blockDevice,
                                       const std::vector<MountEntry>& mounts) {
  std::vector<std::string> devices = PartitionsOf(sysRoot, blockDevice);
  devices.insert(devices.begin(), std::string(blockDevice));
  std::vector<std::string> numbers;
  for (const std::string& d : devices) {
    const auto dev = ReadTextFile(sysRoot + "/class/block/" + BaseName(d) + "/dev");
    if (dev) numbers.push_back(Trimmed(*dev));
  }
  std::vector<std::string> points;
  for (const MountEntry& m : mounts) {
    const bool byNumber = std::find(numbers.begin(), numbers.end(), m.majorMinor) != numbers.end();
    const bool byName = std::find(devices.begin(), devices.end(), m.source) != devices.end();
    if ((byNumber || byName) &&
        std::find(points.begin(), points.end(), m.mountPoint) == points.end()) {
      points.push_back(m.mountPoint);
    }
  }
  return points;
}

std::optional<std::string> ReadTextFile(const std::string& path) {
  std::ifstream in(platform::PathFromUtf8(path), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

std::optional<UsbIds> UsbIdsOf(const std::string& sysRoot, std::string_view sgNode) {
  const fs::path device = ScsiDeviceOf(sysRoot, SgNodeName(sgNode));
  const fs::path root = platform::PathFromUtf8(sysRoot);
  for (fs::path dir = device; !dir.empty() && dir != dir.parent_path() && dir != root;
       dir = dir.parent_path()) {
    const auto vendor = ReadTextFile((dir / "idVendor").string());
    const auto product = ReadTextFile((dir / "idProduct").string());
    if (vendor && product) return UsbIds{Trimmed(*vendor), Trimmed(*product)};
  }
  return std::nullopt;
}

}  // namespace zul
