#pragma once
// A walk over the cameras among some of the port's candidates, in their
// order (drive letters D: to Z:, sg nodes), held by one session one after
// another: what list, udev-rule and apply go through.

#include <functional>
#include <vector>

#include "devicelink/DeviceSession.h"
#include "devicelink/Discovery.h"

namespace zul::cli {

// Tries each candidate (DiscoverCameraAt); for each one that answers as a
// camera, runs visit while the session holds it. Devices that are not
// cameras are passed over; report, when given, gathers what the scan met.
// Releases the handle at the end. Returns the number of cameras visited.
std::size_t VisitCameras(DeviceSession& session, const std::vector<DeviceCandidate>& candidates,
                         const std::function<void()>& visit, ScanReport* report = nullptr);

// VisitCameras over every candidate the port names.
inline std::size_t VisitDockedCameras(DeviceSession& session, const std::function<void()>& visit,
                                      ScanReport* report = nullptr) {
  return VisitCameras(session, session.port.Candidates(), visit, report);
}

}  // namespace zul::cli
