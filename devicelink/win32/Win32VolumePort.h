#pragma once
// The real volumes of a Windows PC.

#include "devicelink/DevicePort.h"

namespace zul {

class Win32VolumePort final : public DevicePort {
 public:
  std::vector<DeviceCandidate> Candidates() override { return DriveLetterCandidates(); }
  VolumeHandle OpenVolume(const char* devicePath) override;
  bool PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                   std::uint32_t outSize) override;
  void CloseVolume(VolumeHandle handle) override;
};

}  // namespace zul
