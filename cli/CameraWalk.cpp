#include "CameraWalk.h"

namespace zul::cli {

std::size_t VisitDockedCameras(DeviceSession& session, const std::function<void()>& visit,
                               ScanReport* report) {
  std::size_t cameras = 0;
  for (const DeviceCandidate& candidate : session.port.Candidates()) {
    if (!DiscoverCameraAt(session, candidate, report)) continue;
    ++cameras;
    visit();
  }
  session.ReleaseHandle();
  return cameras;
}

}  // namespace zul::cli
