#pragma once
// A device port that notes every request whose system call failed, so that a
// command can tell whether its whole exchange went through. The operations
// below it (text writes, the login state) do not report every failure, and a
// command line tool must not report success after one.

#include "DevicePort.h"

namespace zul::cli {

class TransferWatch final : public DevicePort {
 public:
  explicit TransferWatch(DevicePort& inner) : inner_(inner) {}

  VolumeHandle OpenVolume(const char* devicePath) override { return inner_.OpenVolume(devicePath); }
  bool PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                   std::uint32_t outSize) override {
    const bool ok = inner_.PassThrough(handle, buffer, inSize, outSize);
    if (!ok) ++failures_;
    return ok;
  }
  void CloseVolume(VolumeHandle handle) override { inner_.CloseVolume(handle); }

  // Starts a new exchange: the scan's failures (drives that are not the
  // camera) do not count against the command.
  void Reset() { failures_ = 0; }
  bool AllWentThrough() const { return failures_ == 0; }

 private:
  DevicePort& inner_;
  int failures_ = 0;
};

}  // namespace zul::cli
