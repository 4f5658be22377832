#pragma once
// The camera found last: its open volume handle and device path. One per
// process, owned by the application and handed to whatever talks to the camera.

#include <string>

#include "DevicePort.h"

namespace zul {

struct DeviceSession {
  explicit DeviceSession(DevicePort& port) : port(port) {}
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;

  DevicePort& port;
  VolumeHandle handle = kNoHandle;  // opened only by DiscoverCamera
  char devicePath[10] = {};         // "\\.\F:" once a camera was found
  // Vendor transfers whose system call failed, counted for the caller: the
  // text and status operations do not report every failure themselves, and a
  // flow must not report success after one. Callers reset it as they start.
  unsigned failedTransfers = 0;

  // The drive letter and colon ("F:"), or empty before the first camera.
  std::string driveName() const;

  // Closes the handle, if one is held, and sets it to none in the same step.
  void ReleaseHandle();
};

}  // namespace zul
