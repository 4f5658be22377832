#pragma once
// What tells zulctl watch that devices came or went: one small interface with
// a source per platform (a window registered for volume notices on Windows,
// udev's monitor on Linux) and one for the simulated drives shared through a
// state file. A notice carries the candidate itself, as the port names it
// ("\\.\F:" and "F:", "/dev/sg2"), so the watcher tries that device alone;
// whether a camera is there is for the watcher's walk to say.

#include <chrono>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "cameradata/Outcome.h"
#include "cli/Options.h"
#include "devicelink/DevicePort.h"

namespace zul::sim {
class Simulation;
}

namespace zul::cli {

struct DeviceNotice {
  enum class Change { Arrived, Removed };
  Change change = Change::Arrived;
  DeviceCandidate candidate;
  bool operator==(const DeviceNotice&) const = default;
};

class DeviceNotices {
 public:
  virtual ~DeviceNotices() = default;
  // Waits up to timeout for notices and appends them to notices, in the order
  // they came; returns early once there is one. Returns false when notices
  // can no longer be had, with the reason in error.
  virtual bool Wait(std::chrono::milliseconds timeout, std::vector<DeviceNotice>& notices,
                    std::string& error) = 0;
};

// The platform's source: Windows volume notices, udev on Linux (whose
// arrivals are the nodes on a USB bus, as the port's candidates are). nullptr
// with error when it cannot be set up.
std::unique_ptr<DeviceNotices> OpenSystemNotices(DevicePort& port, std::string& error);

// Drives plugged in and pulled out of a simulation by other programs sharing
// its state file (zulctl plug, unplug): the drives are looked at every
// interval, under the state file's lock.
std::unique_ptr<DeviceNotices> OpenSimulatedNotices(
    sim::Simulation& simulation,
    std::chrono::milliseconds interval = std::chrono::milliseconds(100));

// The other end of the simulated notices, zulctl plug and unplug: the drive
// at options.plugDrive plugged in or pulled out, through the state file.
Outcome PlugSimulatedDrive(sim::Simulation& simulation, const Options& options, std::ostream& out,
                           std::ostream& err);

}  // namespace zul::cli
