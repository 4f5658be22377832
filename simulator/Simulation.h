#pragma once
// The simulated drives a program runs against when asked to simulate: built
// from a scenario file (or the default scenario) and, when a state file is
// named, shared through that file (StateFile.h): read before and saved after
// every request.
//
// Threads: with a state file, Port() may be used by several threads at once
// (StateSavingPort). Without one, Port() is the drives themselves.

#include <functional>
#include <memory>
#include <string>

#include "devicelink/DevicePort.h"
#include "simulator/SimulatedDrives.h"
#include "simulator/StateFile.h"

namespace zul::sim {

class Simulation {
 public:
  // scenarioPath empty: the default scenario. statePath empty: every run
  // starts from the scenario. The scenario file is only ever read. Returns
  // false with one message in error when the scenario or the state is refused,
  // or when both paths name the same file.
  bool Open(const std::string& scenarioPath, const std::string& statePath, std::string& error);

  // The port to talk through: the drives, or the saving port over them.
  DevicePort& Port() { return saving_ ? static_cast<DevicePort&>(*saving_) : drives_; }
  // The drives themselves: not while threads use Port().
  SimulatedDrives& Drives() { return drives_; }

  // Runs step on the drives; with a state file, as one step with reading and
  // saving it (StateSavingPort::WithDrives), so that a change reaches the
  // other programs and what they changed is seen.
  void WithDrives(const std::function<void(SimulatedDrives&)>& step) {
    if (saving_) {
      saving_->WithDrives(step);
    } else {
      step(drives_);
    }
  }

  // The first failed read or save of the state file, or empty.
  std::string SaveError() const { return saving_ ? saving_->SaveError() : std::string(); }

 private:
  SimulatedDrives drives_;
  std::unique_ptr<StateSavingPort> saving_;
};

}  // namespace zul::sim
