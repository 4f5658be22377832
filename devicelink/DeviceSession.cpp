#include "DeviceSession.h"

#include <cstring>

namespace zul {

std::string DeviceSession::driveName() const {
  const std::size_t len = strnlen(devicePath, sizeof devicePath);
  return len > 4 ? std::string(devicePath + 4, len - 4) : std::string();
}

void DeviceSession::ReleaseHandle() {
  if (handle != kNoHandle) {
    port.CloseVolume(handle);
    handle = kNoHandle;
  }
}

}  // namespace zul
