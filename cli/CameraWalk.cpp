#include "cli/CameraWalk.h"

namespace zul::cli {

std::size_t VisitCameras(DeviceSession& session, const std::vector<DeviceCandidate>& candidates,
                         const std::function<void()>& visit, ScanReport* report) {
  std::size_t cameras = 0;
  for (const DeviceCandidate& candidate : candidates) {
    if (!DiscoverCameraAt(session, candidate, report)) continue;
    ++cameras;
    visit();
  }
  session.ReleaseHandle();
  return cameras;
}

}  // namespace zul::cli
