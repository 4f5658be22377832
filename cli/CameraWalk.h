#pragma once
// A walk over every camera docked: each candidate the port names, in the
// port's order (drive letters D: to Z:, sg nodes), the cameras among them
// held by the session one after another.

#include <functional>

#include "DeviceSession.h"
#include "Discovery.h"

namespace zul::cli {

// Tries each of the port's candidates (DiscoverCameraAt); for each one that
// answers as a camera, runs visit while the session holds it. Devices that
// are not cameras are passed over; report, when given, gathers what the scan
// met. Releases the handle at the end. Returns the number of cameras visited.
std::size_t VisitDockedCameras(DeviceSession& session, const std::function<void()>& visit,
                               ScanReport* report = nullptr);

}  // namespace zul::cli
