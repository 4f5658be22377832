#pragma once
// zulctl's commands, each one exchange with the camera: find it, log in when
// the command changes something, send, and report. Each returns the exit
// status; results go to out, faults to err.

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "AuditLog.h"
#include "CameraOperations.h"
#include "DeviceSession.h"
#include "Discovery.h"
#include "Options.h"
#include "Secret.h"
#include "StorageLocator.h"

namespace zul::cli {

class CameraCommands {
 public:
  // drive: the only device to try (a name or path the port knows, "F:"), or
  // empty for the first camera the scan finds. storage: the platform's view of
  // the cameras' storage, or nullptr where the device name says it all.
  CameraCommands(DeviceSession& session, std::string drive, std::ostream& out, std::ostream& err,
                 StorageLocator* storage = nullptr)
      : session_(session), drive_(std::move(drive)), out_(out), err_(err), storage_(storage) {}

  int List();
  int Status(bool json);
  // Logs in and, once the camera accepts, tells it to open its storage and
  // lets go of the drive.
  int Login(const Secret& password);
  // Logs in, then makes the change the options name (newPassword for
  // set-password only).
  int Change(const Options& options, const Secret& password, const Secret* newPassword);
  // The udev rule for the cameras found (needs a storage locator).
  int UdevRule();
  // With an audit log, Login and Change each append one line to it; the
  // camera's readout is then read first, for its serial number and old values.
  void SetAudit(AuditLog* audit) { audit_ = audit; }

 private:
  bool Find();
  std::vector<DeviceCandidate> CandidatesToTry();
  void ExplainNotFound(const ScanReport& report);
  int LogIn(const Secret& password, bool& administrator);
  int Failed(Exchange outcome);
  bool FindForChange();
  int ChangeCamera(const Options& options, const Secret& password, const Secret* newPassword,
                   AuditEntry& attempt);
  int Audited(AuditEntry attempt, int rc);

  DeviceSession& session_;
  std::string drive_;
  std::ostream& out_;
  std::ostream& err_;
  StorageLocator* storage_;
  AuditLog* audit_ = nullptr;
  std::optional<CameraStatus> readout_;  // with an audit log, once read
  LoginResult lastLogin_;
};

}  // namespace zul::cli
