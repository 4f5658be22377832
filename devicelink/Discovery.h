#pragma once
// Finding the camera among the devices the platform names (the drive letters
// D: to Z: on Windows).

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "devicelink/DeviceSession.h"

namespace zul {

// What a scan met on its way, for a caller that explains an empty result.
struct ScanReport {
  std::vector<std::string> denied;  // names of devices this user may not open
};

// Closes the handle the session holds, then tries the port's candidates in
// order: open the volume, INQUIRY, and for a device whose INQUIRY data byte 3
// is 0x01 the identification request. The first device that answers AA 55
// (bytes 0-1) or "RIZ" (bytes 9-11) is the camera: its handle, path and name
// go into the session and the result is true. Otherwise false, no handle
// held, path and name unchanged. Every handle opened for another device is
// closed before the next one. report, when given, gathers what the scan met.
bool DiscoverCamera(DeviceSession& session, ScanReport* report = nullptr);

// The same step for one candidate only: closes the handle the session holds,
// then opens, asks and identifies that device alone. Same result and session
// contract as DiscoverCamera.
bool DiscoverCameraAt(DeviceSession& session, const DeviceCandidate& candidate,
                      ScanReport* report = nullptr);

// The first step of DiscoverCameraAt on its own: opens the candidate's device
// and returns its handle, or kNoHandle with the reason in LastDeviceError()
// (and the name in report when this user may not open it).
VolumeHandle OpenCandidate(DevicePort& port, const DeviceCandidate& candidate,
                           ScanReport* report = nullptr);

// The rest of DiscoverCameraAt, on a handle OpenCandidate gave for candidate:
// closes the handle the session holds, then INQUIRY and identification on the
// new one. True with the camera held as DiscoverCameraAt holds it; otherwise
// the new handle is closed.
bool IdentifyCameraOn(DeviceSession& session, const DeviceCandidate& candidate,
                      VolumeHandle handle);

// DiscoverCameraAt for the candidate that name designates (FindCandidate);
// a name the port does not know finds nothing, the session's handle closed all
// the same.
bool DiscoverCameraNamed(DeviceSession& session, std::string_view name,
                         ScanReport* report = nullptr);

// The port's candidate that name designates: its name or its path, letters
// in either case, a drive letter with or without its colon ("f", "F:").
std::optional<DeviceCandidate> FindCandidate(DevicePort& port, std::string_view name);

}  // namespace zul
