#include "DockWalk.h"

#include <thread>

#include "CameraStatus.h"

namespace zul::cli {

void WalkCameras(DevicePort& port, const std::vector<DeviceCandidate>& candidates,
                 const std::function<void(std::size_t, DeviceSession&, const DockedCamera&)>& found,
                 ScanReport* report) {
  std::vector<ScanReport> reports(candidates.size());
  {
    std::vector<std::jthread> threads;
    threads.reserve(candidates.size());
    for (std::size_t i = 0; i < candidates.size(); ++i) {
      threads.emplace_back([&, i] {
        DeviceSession session{port};
        if (DiscoverCameraAt(session, candidates[i], &reports[i])) {
          DockedCamera camera{candidates[i], std::nullopt};
          std::string serial;
          if (ReadSerialNumber(session, serial)) camera.serialNumber = std::move(serial);
          found(i, session, camera);
        }
        session.ReleaseHandle();
      });
    }
  }  // every thread joined here
  if (!report) return;
  for (ScanReport& r : reports) {
    report->denied.insert(report->denied.end(), r.denied.begin(), r.denied.end());
  }
}

std::vector<DockedCamera> FindAllCameras(DevicePort& port, ScanReport* report) {
  std::vector<DockedCamera> cameras;
  for (auto& found :
       ForEachCamera(port, [](DeviceSession&, const DockedCamera&) { return 0; }, report)) {
    cameras.push_back(std::move(found.camera));
  }
  return cameras;
}

bool CameraGone(DevicePort& port, const DeviceCandidate& candidate) {
  const VolumeHandle h = port.OpenVolume(candidate.path.c_str());
  if (h != kNoHandle) {
    port.CloseVolume(h);
    return false;
  }
  return LastDeviceError().failure == DeviceFailure::NotFound;
}

}  // namespace zul::cli
