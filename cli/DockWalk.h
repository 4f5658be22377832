#pragma once
// Every camera of a dock at once: each candidate the port names is tried on a
// thread and a session of its own (the same scan step as for one camera,
// DiscoverCameraAt), a camera found has its serial number read, and the
// caller's work runs on that session, on that thread. Cameras are
// independent devices, so a dock of sixteen takes about as long as one.

#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "devicelink/DeviceSession.h"
#include "devicelink/Discovery.h"

namespace zul::cli {

// A camera the walk found.
struct DockedCamera {
  DeviceCandidate candidate;
  // As the camera gave it (8-bit); nothing when that request failed.
  std::optional<std::string> serialNumber;
};

// The walk itself: calls found(index, session, camera) for each candidate
// that answers as a camera, index being the candidate's place in candidates;
// all candidates at once, one thread each, and returns when every thread is
// done. found runs on the candidate's thread, with the session holding the
// camera; the session's handle is closed after it returns. report, when
// given, gathers what the scan met, in the candidates' order.
void WalkCameras(DevicePort& port, const std::vector<DeviceCandidate>& candidates,
                 const std::function<void(std::size_t, DeviceSession&, const DockedCamera&)>& found,
                 ScanReport* report = nullptr);

template <typename Result>
struct CameraResult {
  DockedCamera camera;
  Result result;
};

// Runs work(session, camera) on every camera of the port at once (WalkCameras)
// and returns the cameras with work's results in the port's order.
template <typename Work>
auto ForEachCamera(DevicePort& port, Work work, ScanReport* report = nullptr) {
  using Result = std::invoke_result_t<Work&, DeviceSession&, const DockedCamera&>;
  const std::vector<DeviceCandidate> candidates = port.Candidates();
  std::vector<std::optional<CameraResult<Result>>> slots(candidates.size());
  WalkCameras(
      port, candidates,
      [&](std::size_t i, DeviceSession& session, const DockedCamera& camera) {
        slots[i].emplace(CameraResult<Result>{camera, work(session, camera)});
      },
      report);
  std::vector<CameraResult<Result>> results;
  for (auto& slot : slots) {
    if (slot) results.push_back(std::move(*slot));
  }
  return results;
}

// After a failed exchange: true when the camera's device no longer opens as
// a device that is there (pulled out), false when it is there but did not
// answer.
bool CameraGone(DevicePort& port, const DeviceCandidate& candidate);

}  // namespace zul::cli
