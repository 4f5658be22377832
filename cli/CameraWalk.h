#pragma once
// The one walk over the cameras among some of the port's candidates: each
// device is opened once, asked INQUIRY and identification on that handle, and
// a camera found may have its serial number read once; then the caller's work
// runs on the session holding it. One camera after another (list, udev-rule,
// apply), or all at once, each on a thread and a session of its own (--all,
// watch): cameras are independent devices, so a dock of sixteen takes about
// as long as one.

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
struct WalkedCamera {
  DeviceCandidate candidate;
  // As the camera gave it (8-bit); nothing when that request failed or was
  // not asked for.
  std::optional<std::string> serialNumber;
};

struct WalkPlan {
  enum class Pace { OneByOne, AllAtOnce };
  Pace pace = Pace::OneByOne;
  bool readSerial = false;  // ask each camera found its serial number first
};

// visit(index, session, camera): index is the candidate's place in candidates;
// the session holds the camera, and its handle is closed after visit returns.
using CameraVisit = std::function<void(std::size_t, DeviceSession&, const WalkedCamera&)>;

// Calls visit for each candidate that answers as a camera, in the candidates'
// order one by one, or all at once (each on its own thread; visit must then be
// safe to run alongside itself) returning when every thread is done. A device
// that does not open costs no thread. report, when given, gathers what the
// walk met, in the candidates' order. Returns the number of cameras visited.
std::size_t WalkCameras(DevicePort& port, const std::vector<DeviceCandidate>& candidates,
                        WalkPlan plan, const CameraVisit& visit, ScanReport* report = nullptr);

template <typename Result>
struct CameraResult {
  WalkedCamera camera;
  Result result;
};

// Runs work(session, camera) on every camera of the port at once, each
// camera's serial number read first, and returns the cameras with work's
// results in the port's order.
template <typename Work>
auto WorkOnAllCameras(DevicePort& port, Work work, ScanReport* report = nullptr) {
  using Result = std::invoke_result_t<Work&, DeviceSession&, const WalkedCamera&>;
  const std::vector<DeviceCandidate> candidates = port.Candidates();
  std::vector<std::optional<CameraResult<Result>>> slots(candidates.size());
  WalkCameras(
      port, candidates, {WalkPlan::Pace::AllAtOnce, true},
      [&](std::size_t i, DeviceSession& session, const WalkedCamera& camera) {
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
