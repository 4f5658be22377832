#pragma once
// The camera found last: its open volume handle, device path and name. One
// per camera being worked on, owned by whoever talks to it (the window holds
// one for the whole process).
//
// Threads: a session is used by one thread at a time; sessions on different
// cameras may run on different threads at once over one port.

#include <string>

#include "devicelink/DevicePort.h"

namespace zul {

struct DeviceSession {
  explicit DeviceSession(DevicePort& port) : port(port) {}
  DeviceSession(const DeviceSession&) = delete;
  DeviceSession& operator=(const DeviceSession&) = delete;

  DevicePort& port;
  VolumeHandle handle = kNoHandle;  // opened only by discovery
  std::string devicePath;           // "\\.\F:" once a camera was found
  std::string deviceName;           // "F:": the name the operator knows it by
  // Vendor transfers whose system call failed, counted for the caller: the
  // text and status operations do not report every failure themselves, and a
  // flow must not report success after one. The camera operations reset it as
  // they start.
  unsigned failedTransfers = 0;
  // Vendor transfers that went through but did not bring the whole answer
  // back (a check condition, or fewer bytes than asked for). Most exchanges
  // take such an answer as it is; the login must not: the camera may not have
  // taken a password chunk that came back so. Reset with failedTransfers.
  unsigned incompleteTransfers = 0;
  DeviceError lastError;  // of the last transfer that failed

  // The drive name ("F:"), or empty before the first camera.
  std::string driveName() const { return deviceName; }

  // Closes the handle, if one is held, and sets it to none in the same step.
  void ReleaseHandle();
};

}  // namespace zul
