#pragma once
// zulctl apply: every docked camera brought in line with a roster.

#include <ostream>

#include "audit/AuditLog.h"
#include "cameradata/Outcome.h"
#include "cli/Roster.h"
#include "cli/Secret.h"
#include "cli/StorageLocator.h"
#include "devicelink/DeviceSession.h"

namespace zul::cli {

// For each docked camera (WalkCameras, one after another) whose serial number the roster
// holds, writes the roster's texts that differ from the camera's readout,
// after a login with password; with no password (a dry run) shows what it
// would write and sends nothing that changes the camera. One line per camera
// and per roster row whose camera is not docked, tab-separated: drive, serial
// number, outcome, detail; outcomes "changed", "unchanged", "would change",
// "not in roster", "not docked" ("not docked or not read" when a camera's
// readout failed) on out, "refused" and "failed" on err.
// Done when every camera in the roster was done or needed nothing, NoCamera
// when no camera is docked, the camera's own outcome when the one camera in
// the roster failed, else NotAll. With an audit
// log, each camera written to leaves a line (action "apply"); a dry run none.
Outcome ApplyRoster(DeviceSession& session, const Roster& roster, const Secret* password,
                    std::ostream& out, std::ostream& err, StorageLocator* storage = nullptr,
                    AuditLog* audit = nullptr);

}  // namespace zul::cli
