#pragma once
// zulctl watch: the cameras as they arrive and go, one line each, and with a
// command, that command run on each camera as it arrives (as --all runs it
// on one camera of a dock).

#include <functional>
#include <ostream>

#include "audit/AuditLog.h"
#include "cameradata/Outcome.h"
#include "cli/DeviceNotices.h"
#include "cli/Options.h"
#include "cli/Secret.h"
#include "cli/StorageLocator.h"
#include "devicelink/DevicePort.h"

namespace zul::sim {
class Simulation;
}

namespace zul::cli {

// Takes the cameras docked at the start as arrived ("docked"), says on err
// that it watches, then waits on
// notices until stopped() says so (asked between waits of at most a fifth of
// a second). One line per event on out, flushed, tab-separated:
//
//   TIME  DRIVE  SERIAL  docked|arrived|removed
//   TIME  DRIVE  SERIAL  OUTCOME  MESSAGE        (the command's, as --all says it)
//
// TIME is the PC's local time "YYYY-MM-DD HH:MM:SS", SERIAL "-" when the
// camera did not give it. A camera that refused the password is not tried
// again when it comes back ("skipped"). At the end, "Cameras handled: N" (and
// with a command, on how many it was done).
//
// Done when the command was done on every camera that came (or there is no
// command, or none came); that camera's outcome when one came; otherwise
// NotAll. NoCamera when the notices failed. With an audit log, each change
// the command makes leaves its line.
Outcome WatchCameras(DevicePort& port, DeviceNotices& notices, const Options& options,
                     const Secret& password, const std::function<bool()>& stopped,
                     std::ostream& out, std::ostream& err, StorageLocator* storage = nullptr,
                     AuditLog* audit = nullptr);

// zulctl watch as run from the command line: the notices of the simulation
// when there is one (else the system's), until asked to stop (WatchStop.h).
Outcome RunWatch(DevicePort& port, sim::Simulation* simulation, const Options& options,
                 const Secret& password, std::ostream& out, std::ostream& err,
                 StorageLocator* storage = nullptr, AuditLog* audit = nullptr);

}  // namespace zul::cli
