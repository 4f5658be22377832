#pragma once
// zulctl --all: one command on every camera found, all at once, each camera
// on a session and a handle of its own (CameraWalk.h). One result line per
// camera in the port's order, or one JSON array.

#include <optional>
#include <ostream>
#include <string>

#include "audit/AuditLog.h"
#include "cameradata/Outcome.h"
#include "cli/CameraWalk.h"
#include "cli/Options.h"
#include "cli/Secret.h"
#include "cli/StatusReport.h"
#include "cli/StorageLocator.h"
#include "devicelink/DevicePort.h"

namespace zul::cli {

// What became of one camera.
struct CameraOutcome {
  Outcome outcome;   // its message what the one-camera command would have said, on one line
  std::string word;  // as the line says it: "done", "refused", "unplugged", ...
  std::optional<CameraReport> report;  // status, when it was read
};

// Runs options.command (status or a set- command but set-password) on the
// camera the session holds, found by a walk (CameraWalk.h) that read its
// serial number, which a status readout then does not ask again; the outcome as
// --all reports it for that camera. With an audit log, the change leaves its
// line.
CameraOutcome WorkOnCamera(DeviceSession& session, const WalkedCamera& camera,
                           const Options& options, const Secret& password,
                           StorageLocator* storage = nullptr, AuditLog* audit = nullptr);

// Runs options.command (status or a set- command but set-password) on every
// camera of port; password is tried once on each camera that the command
// logs in to. Done when it was done on every camera; with one camera found,
// that camera's outcome; with none, NoCamera; otherwise NotAll. With an audit
// log, each camera's change leaves its line.
Outcome RunOnAllCameras(DevicePort& port, const Options& options, const Secret& password,
                        std::ostream& out, std::ostream& err, StorageLocator* storage = nullptr,
                        AuditLog* audit = nullptr);

}  // namespace zul::cli
