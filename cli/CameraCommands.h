#pragma once
// zulctl's commands, each one exchange with the camera: find it, log in when
// the command changes something, send, and report. Each returns its outcome
// (the message in it is what it told); results go to out, faults to err.

#include <ostream>
#include <string>
#include <vector>

#include "audit/AuditLog.h"
#include "cameradata/CameraOperations.h"
#include "cameradata/CameraStatus.h"
#include "cameradata/Outcome.h"
#include "cli/Options.h"
#include "cli/Secret.h"
#include "cli/StatusReport.h"
#include "cli/StorageLocator.h"
#include "devicelink/DeviceSession.h"
#include "devicelink/Discovery.h"

namespace zul::cli {

// The PC's local time, as set-time gives it to the camera.
CameraClock LocalNow();

// The whole readout of the camera the session holds; false when any of its
// transfers failed, the login state included. serialNumber: the camera's, when
// read already on this session.
bool ReadWholeStatus(DeviceSession& session, CameraStatus& status,
                     const std::string* serialNumber = nullptr);

// Why a scan found no camera: the devices this user may not open, with the
// platform's help for that, then "Device not connected.".
Outcome NoCameraFound(const ScanReport& report, StorageLocator* storage);

// The outcome of a login: done when the camera took the password, else the
// fault with what the operator is told (the lock-out text's second line
// after lineBreak) and, refused or locked, the camera's count.
Outcome LoginOutcome(const LoginResult& result, const char* lineBreak);

// What an audit line says of an outcome (NoAnswer for those it has no word of).
AuditOutcome AuditOutcomeOf(OutcomeKind outcome);

class CameraCommands {
 public:
  // drive: the only device to try (a name or path the port knows, "F:"), or
  // empty for the first camera the scan finds. storage: the platform's view of
  // the cameras' storage, or nullptr where the device name says it all.
  CameraCommands(DeviceSession& session, std::string drive, std::ostream& out, std::ostream& err,
                 StorageLocator* storage = nullptr)
      : session_(session), drive_(std::move(drive)), out_(out), err_(err), storage_(storage) {}

  Outcome List();
  Outcome Status(bool json);
  // Logs in and, once the camera accepts, tells it to open its storage and
  // lets go of the drive.
  Outcome Login(const Secret& password);
  // Logs in, then makes the change the options name (newPassword for
  // set-password only).
  Outcome Change(const Options& options, const Secret& password, const Secret* newPassword);
  // The udev rule for the cameras found (needs a storage locator).
  Outcome UdevRule();

  // The same steps on the camera the session already holds (found by the
  // caller's scan), for zulctl --all.
  // The whole readout into report (the serial number not asked again when
  // given); done, or the failure with the fault told on err.
  Outcome ReadReport(CameraReport& report, const std::string* serialNumber = nullptr);
  // Logs in and makes the change, as Change does after its scan.
  Outcome ChangeHeld(const Options& options, const Secret& password, const Secret* newPassword);

  // With an audit log, Login and the changes each append one line to it
  // (threads may share the log). The camera's serial number, and for a change
  // the readout with the old values, are read first.
  void SetAudit(AuditLog* audit) { audit_ = audit; }

 private:
  bool Find();
  Outcome NotFound(const ScanReport& report);
  std::vector<DeviceCandidate> CandidatesToTry();
  Outcome LogIn(const Secret& password, bool& administrator);
  Outcome Failed(Exchange outcome);
  Outcome Told(Outcome outcome);
  Outcome SendChange(const Options& options, const Secret& password,
                     std::span<const TextToWrite> texts, AuditEntry& attempt);
  // Appends the attempt, as outcome ended, when there is an audit log; returns
  // outcome, AuditLost for a done change whose line was not written, the
  // line's fault added to its message.
  Outcome Audited(AuditEntry attempt, Outcome outcome);

  DeviceSession& session_;
  std::string drive_;
  std::ostream& out_;
  std::ostream& err_;
  StorageLocator* storage_;
  AuditLog* audit_ = nullptr;
  unsigned chancesLeft_ = 0;  // after a refused login
  Outcome notFound_;          // what Find told when it found none
};

}  // namespace zul::cli
