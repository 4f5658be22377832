#pragma once
// zulctl's commands, each one exchange with the camera: find it, log in when
// the command changes something, send, and report. Each returns the exit
// status; results go to out, faults to err.

#include <ostream>
#include <string>
#include <vector>

#include "audit/AuditLog.h"
#include "cameradata/CameraOperations.h"
#include "cameradata/CameraStatus.h"
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
void ExplainNotFound(const ScanReport& report, StorageLocator* storage, std::ostream& err);

// The exit status of a login: kExitDone when the camera took the password,
// else the fault's status with what the operator is told in message (the
// lock-out text's second line after lineBreak).
int LoginOutcome(const LoginResult& result, const char* lineBreak, std::string& message);

// What an audit line says of a command's exit status.
AuditOutcome OutcomeOfExit(int exitCode);

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

  // The same steps on the camera the session already holds (found by the
  // caller's scan), for zulctl --all.
  // The whole readout into report (the serial number not asked again when
  // given); kExitDone, or the failure's status with the fault told on err.
  int ReadReport(CameraReport& report, const std::string* serialNumber = nullptr);
  // Logs in and makes the change, as Change does after its scan.
  int ChangeHeld(const Options& options, const Secret& password, const Secret* newPassword);

  // With an audit log, Login and the changes each append one line to it
  // (threads may share the log). The camera's serial number, and for a change
  // the readout with the old values, are read first.
  void SetAudit(AuditLog* audit) { audit_ = audit; }

 private:
  bool Find();
  std::vector<DeviceCandidate> CandidatesToTry();
  int LogIn(const Secret& password, bool& administrator);
  int Failed(Exchange outcome);
  int SendChange(const Options& options, const Secret& password, std::span<const TextToWrite> texts,
                 AuditEntry& attempt);
  // Appends the attempt, its outcome told by rc, when there is an audit log;
  // returns rc, or kExitAuditLost for a done change whose line was not written.
  int Audited(AuditEntry attempt, int rc);

  DeviceSession& session_;
  std::string drive_;
  std::ostream& out_;
  std::ostream& err_;
  StorageLocator* storage_;
  AuditLog* audit_ = nullptr;
  unsigned chancesLeft_ = 0;  // after a refused login
};

}  // namespace zul::cli
