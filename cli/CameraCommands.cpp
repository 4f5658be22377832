#include "cli/CameraCommands.h"

#include <ctime>
#include <optional>
#include <vector>

#include "cameradata/CameraStatus.h"
#include "cli/CameraWalk.h"
#include "cli/ExitCode.h"
#include "cli/Messages.h"
#include "devicelink/CommandCatalogue.h"
#include "devicelink/Discovery.h"

namespace zul::cli {

CameraClock LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm t{};
#if defined(_WIN32)
  localtime_s(&t, &now);
#else
  localtime_r(&now, &t);
#endif
  return {t.tm_year + 1900, t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec};
}

namespace {

// The texts a command writes, in the window's order; none for the settings.
std::vector<TextToWrite> TextsOf(const Options& o, const Secret* newPassword) {
  switch (o.command) {
    case Command::SetHint:
      return {{TEXT_HINT, o.hint}};
    case Command::SetReference: {
      std::vector<TextToWrite> given;  // the fields given
      if (o.officer) given.push_back({TEXT_OFFICER, *o.officer});
      if (o.department) given.push_back({TEXT_DEPARTMENT, *o.department});
      if (o.additional) given.push_back({TEXT_ADDITIONAL, *o.additional});
      return given;
    }
    case Command::SetPassword:
      return {{TEXT_NEW_PASSWORD, newPassword->text()}};
    default:
      return {};
  }
}

// The attempt a change command makes; readout: the camera's, or nullptr.
AuditEntry AttemptOf(const Options& o, std::span<const TextToWrite> texts,
                     const CameraStatus* readout) {
  switch (o.command) {
    case Command::SetResolution:
      return SettingAttempt(CMD_SET_RESOLUTION, o.resolutionIndex, readout);
    case Command::SetLoop:
      return SettingAttempt(CMD_SET_LOOP_RECORDING, o.loopRecordingIndex, readout);
    case Command::SetTime:
      return ClockAttempt(LocalNow());  // the reading sent replaces it
    default:
      return TextsAttempt(texts, readout);
  }
}

}  // namespace

AuditOutcome OutcomeOfExit(int exitCode) {
  switch (exitCode) {
    case kExitDone:
      return AuditOutcome::Done;
    case kExitNoCamera:
      return AuditOutcome::NoCamera;
    case kExitRefused:
      return AuditOutcome::Refused;
    case kExitLocked:
      return AuditOutcome::Locked;
    default:
      return AuditOutcome::NoAnswer;
  }
}

bool ReadWholeStatus(DeviceSession& session, CameraStatus& status,
                     const std::string* serialNumber) {
  session.failedTransfers = 0;
  return ReadHeldCameraStatus(session, status, serialNumber) && session.failedTransfers == 0;
}

void ExplainNotFound(const ScanReport& report, StorageLocator* storage, std::ostream& err) {
  for (const std::string& name : report.denied) err << name << ": " << kAccessDenied << "\n";
  if (storage && !report.denied.empty()) err << storage->AccessHelp();
  err << kDeviceNotConnected << "\n";
}

bool CameraCommands::Find() {
  ScanReport report;
  const bool found = drive_.empty() ? DiscoverCamera(session_, &report)
                                    : DiscoverCameraNamed(session_, drive_, &report);
  if (!found) ExplainNotFound(report, storage_, err_);
  return found;
}

std::vector<DeviceCandidate> CameraCommands::CandidatesToTry() {
  if (drive_.empty()) return session_.port.Candidates();
  if (const auto candidate = FindCandidate(session_.port, drive_)) return {*candidate};
  return {};
}

int CameraCommands::Failed(Exchange outcome) {
  if (outcome == Exchange::NoCamera) {
    err_ << kDeviceNotConnected << "\n";
    return kExitNoCamera;
  }
  err_ << kCameraDidNotAnswer << "\n";
  return kExitNoAnswer;
}

int CameraCommands::List() {
  bool allAnswered = true;
  ScanReport report;
  const std::size_t cameras = WalkCameras(
      session_.port, CandidatesToTry(), {},
      [&](std::size_t, DeviceSession& session, const WalkedCamera& camera) {
        CameraStatus status;
        if (!ReadWholeStatus(session, status)) {
          err_ << camera.candidate.name << " " << kCameraDidNotAnswer << "\n";
          allAnswered = false;
          return;
        }
        out_ << camera.candidate.name << "\t";
        if (storage_) {
          const StorageInfo info = storage_->Describe(camera.candidate.path);
          out_ << (info.blockDevice.empty() ? "-" : info.blockDevice) << "\t";
          out_ << ShownText(status.serialNumber) << "\t" << ShownText(FirmwareVersion(status))
               << "\t" << (info.mountPoints.empty() ? "-" : Printable(info.mountPoints.front()))
               << "\n";
        } else {
          out_ << ShownText(status.serialNumber) << "\t" << ShownText(FirmwareVersion(status))
               << "\n";
        }
      },
      &report);
  if (cameras == 0) {
    ExplainNotFound(report, storage_, err_);
    return kExitNoCamera;
  }
  return allAnswered ? kExitDone : kExitNoAnswer;
}

int CameraCommands::UdevRule() {
  std::vector<std::string> cameras;
  ScanReport report;
  WalkCameras(
      session_.port, CandidatesToTry(), {},
      [&](std::size_t, DeviceSession&, const WalkedCamera& camera) {
        cameras.push_back(camera.candidate.path);
      },
      &report);
  const std::string rule = cameras.empty() || !storage_ ? "" : storage_->UdevRule(cameras);
  if (rule.empty()) {
    ExplainNotFound(report, storage_, err_);
    return kExitNoCamera;
  }
  out_ << rule;
  return kExitDone;
}

int CameraCommands::Status(bool json) {
  if (!Find()) return kExitNoCamera;
  CameraReport report;
  if (const int rc = ReadReport(report)) return rc;
  out_ << (json ? StatusJson(report) : StatusText(report));
  return kExitDone;
}

int CameraCommands::ReadReport(CameraReport& report, const std::string* serialNumber) {
  report = {session_.devicePath, session_.deviceName, {}, std::nullopt};
  if (!ReadWholeStatus(session_, report.status, serialNumber)) return Failed(Exchange::NoAnswer);
  if (storage_) report.storage = storage_->Describe(session_.devicePath);
  return kExitDone;
}

int LoginOutcome(const LoginResult& result, const char* lineBreak, std::string& message) {
  switch (result.verdict) {
    case LoginVerdict::User:
    case LoginVerdict::Administrator:
      return kExitDone;
    case LoginVerdict::NoCamera:
      message = kDeviceNotConnected;
      return kExitNoCamera;
    case LoginVerdict::NoAnswer:
      // An all-zero reply from a failed transfer is no verdict.
      message = kCameraDidNotAnswer;
      return kExitNoAnswer;
    case LoginVerdict::Wrong:
    case LoginVerdict::Locked:
      break;
  }
  message = WrongPasswordText(result.wrongAttempts, lineBreak);
  return result.verdict == LoginVerdict::Locked ? kExitLocked : kExitRefused;
}

int CameraCommands::LogIn(const Secret& password, bool& administrator) {
  const LoginResult result = zul::LogIn(session_, password.text());
  chancesLeft_ = ChancesLeft(result);
  administrator = result.verdict == LoginVerdict::Administrator;
  std::string message;
  const int rc = LoginOutcome(result, "\n", message);
  if (rc != kExitDone) err_ << message << "\n";
  return rc;
}

int CameraCommands::Login(const Secret& password) {
  AuditEntry attempt = LoginAttempt();
  attempt.drive = drive_;  // the one asked for, until a camera is found
  if (!Find()) return Audited(std::move(attempt), kExitNoCamera);
  Locate(attempt, session_);
  if (audit_) ReadSerialNumber(session_, attempt.serialNumber);
  bool administrator = false;
  if (const int rc = LogIn(password, administrator)) return Audited(std::move(attempt), rc);
  // As the window does after a login: the camera opens its storage, and the
  // drive is let go so that the system can use it.
  const Exchange outcome = AllowDiskAccess(session_);
  const std::string drive = session_.deviceName;
  const std::string path = session_.devicePath;
  session_.ReleaseHandle();
  if (outcome != Exchange::Done) return Audited(std::move(attempt), Failed(outcome));
  out_ << (administrator ? "Logged in as administrator." : "Logged in.") << "\n";
  // On Linux the system is asked to look at the medium again; there the
  // storage shows up as a block device of its own.
  // The login is done even when the storage does not show up: the exit status
  // says so, the line on standard error says what is missing.
  const StorageRelease storage =
      storage_ ? storage_->ReleaseStorage(path) : StorageRelease{"Storage opened on " + drive};
  (storage.ready ? out_ : err_) << storage.line << "\n";
  return Audited(std::move(attempt), kExitDone);
}

int CameraCommands::Change(const Options& o, const Secret& password, const Secret* newPassword) {
  if (!Find()) {
    AuditEntry attempt = AttemptOf(o, TextsOf(o, newPassword), nullptr);
    attempt.drive = drive_;  // the one asked for, if any
    return Audited(std::move(attempt), kExitNoCamera);
  }
  return ChangeHeld(o, password, newPassword);
}

int CameraCommands::ChangeHeld(const Options& o, const Secret& password,
                               const Secret* newPassword) {
  const std::vector<TextToWrite> texts = TextsOf(o, newPassword);
  std::optional<CameraStatus> readout;  // for the audit: serial number and old values
  if (audit_) {
    CameraStatus status;
    if (ReadWholeStatus(session_, status)) readout = std::move(status);
  }
  AuditEntry attempt = AttemptOf(o, texts, readout ? &*readout : nullptr);
  Locate(attempt, session_);
  if (readout) attempt.serialNumber = readout->serialNumber;
  const int rc = SendChange(o, password, texts, attempt);
  return Audited(std::move(attempt), rc);
}

// attempt: the audit line's values, the clock's as sent.
int CameraCommands::SendChange(const Options& o, const Secret& password,
                               std::span<const TextToWrite> texts, AuditEntry& attempt) {
  bool administrator = false;
  if (const int rc = LogIn(password, administrator)) return rc;
  Exchange outcome = Exchange::Done;
  std::string done;
  switch (o.command) {
    case Command::SetTime: {
      const CameraClock now = LocalNow();
      attempt.changes = ClockAttempt(now).changes;
      outcome = SetClock(session_, now);
      done = kTimeSynced;
      break;
    }
    case Command::SetResolution:
      outcome = SetSetting(session_, CMD_SET_RESOLUTION, o.resolutionIndex);
      done = ResolutionChanged(o.resolutionIndex);
      break;
    case Command::SetLoop:
      outcome = SetSetting(session_, CMD_SET_LOOP_RECORDING, o.loopRecordingIndex);
      done = LoopChanged(o.loopRecordingIndex);
      break;
    case Command::SetHint:
      outcome = WriteTexts(session_, texts);
      done = kHintUpdated;
      break;
    case Command::SetReference:
      outcome = WriteTexts(session_, texts);
      done = kReferenceUpdated;
      break;
    case Command::SetPassword:
      outcome = WriteTexts(session_, texts);
      done = kPasswordUpdated;
      break;
    case Command::List:
    case Command::Status:
    case Command::Login:
    case Command::UdevRule:
    case Command::Apply:
    case Command::Watch:
    case Command::Plug:
    case Command::Unplug:
      break;
  }
  if (outcome != Exchange::Done) return Failed(outcome);
  out_ << done << "\n";
  return kExitDone;
}

int CameraCommands::Audited(AuditEntry attempt, int rc) {
  if (!audit_) return rc;
  attempt.outcome = OutcomeOfExit(rc);
  if (attempt.outcome == AuditOutcome::Refused) attempt.chancesLeft = chancesLeft_;
  std::string error;
  if (!audit_->Append(attempt, error)) {
    err_ << audit_->NotWritten(attempt, error) << "\n";
    if (rc == kExitDone) rc = kExitAuditLost;
  }
  return rc;
}

}  // namespace zul::cli
