#include "CameraCommands.h"

#include <ctime>
#include <vector>

#include "CameraStatus.h"
#include "CommandCatalogue.h"
#include "Discovery.h"
#include "ExitCode.h"
#include "Messages.h"
#include "StatusReport.h"

namespace zul::cli {
namespace {

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

// The whole readout of the camera the session holds; false when any of its
// transfers failed, the login state included.
bool ReadWholeStatus(DeviceSession& session, CameraStatus& status) {
  session.failedTransfers = 0;
  return ReadHeldCameraStatus(session, status) && session.failedTransfers == 0;
}

}  // namespace

bool CameraCommands::Find() {
  ScanReport report;
  const bool found = drive_.empty() ? DiscoverCamera(session_, &report)
                                    : DiscoverCameraNamed(session_, drive_, &report);
  if (!found) ExplainNotFound(report);
  return found;
}

void CameraCommands::ExplainNotFound(const ScanReport& report) {
  for (const std::string& name : report.denied) err_ << name << ": " << kAccessDenied << "\n";
  if (storage_ && !report.denied.empty()) err_ << storage_->AccessHelp();
  err_ << kDeviceNotConnected << "\n";
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
  bool any = false;
  bool allAnswered = true;
  ScanReport report;
  for (const DeviceCandidate& candidate : CandidatesToTry()) {
    if (!DiscoverCameraAt(session_, candidate, &report)) continue;
    any = true;
    CameraStatus status;
    if (ReadWholeStatus(session_, status)) {
      out_ << session_.deviceName << "\t";
      if (storage_) {
        const StorageInfo info = storage_->Describe(session_.devicePath);
        out_ << (info.blockDevice.empty() ? "-" : info.blockDevice) << "\t";
        out_ << ShownText(status.serialNumber) << "\t" << ShownText(FirmwareVersion(status)) << "\t"
             << (info.mountPoints.empty() ? "-" : Printable(info.mountPoints.front())) << "\n";
      } else {
        out_ << ShownText(status.serialNumber) << "\t" << ShownText(FirmwareVersion(status))
             << "\n";
      }
    } else {
      err_ << session_.deviceName << " " << kCameraDidNotAnswer << "\n";
      allAnswered = false;
    }
  }
  session_.ReleaseHandle();
  if (!any) {
    ExplainNotFound(report);
    return kExitNoCamera;
  }
  return allAnswered ? kExitDone : kExitNoAnswer;
}

int CameraCommands::UdevRule() {
  std::vector<std::string> cameras;
  ScanReport report;
  for (const DeviceCandidate& candidate : CandidatesToTry()) {
    if (DiscoverCameraAt(session_, candidate, &report)) cameras.push_back(session_.devicePath);
  }
  session_.ReleaseHandle();
  const std::string rule = cameras.empty() || !storage_ ? "" : storage_->UdevRule(cameras);
  if (rule.empty()) {
    ExplainNotFound(report);
    return kExitNoCamera;
  }
  out_ << rule;
  return kExitDone;
}

int CameraCommands::Status(bool json) {
  if (!Find()) return kExitNoCamera;
  CameraReport report{session_.devicePath, session_.deviceName, {}, std::nullopt};
  if (!ReadWholeStatus(session_, report.status)) return Failed(Exchange::NoAnswer);
  if (storage_) report.storage = storage_->Describe(session_.devicePath);
  out_ << (json ? StatusJson(report) : StatusText(report));
  return kExitDone;
}

int CameraCommands::LogIn(const Secret& password, bool& administrator) {
  const LoginResult result = lastLogin_ = zul::LogIn(session_, password.text());
  switch (result.verdict) {
    case LoginVerdict::User:
    case LoginVerdict::Administrator:
      administrator = result.verdict == LoginVerdict::Administrator;
      return kExitDone;
    case LoginVerdict::NoCamera:
      return Failed(Exchange::NoCamera);
    case LoginVerdict::NoAnswer:
      // An all-zero reply from a failed transfer is no verdict.
      return Failed(Exchange::NoAnswer);
    case LoginVerdict::Wrong:
    case LoginVerdict::Locked:
      break;
  }
  err_ << WrongPasswordText(result.wrongAttempts, "\n") << "\n";
  return result.verdict == LoginVerdict::Locked ? kExitLocked : kExitRefused;
}

bool CameraCommands::FindForChange() {
  lastLogin_ = {};
  if (!Find()) return false;
  if (audit_) {
    CameraStatus status;
    if (ReadWholeStatus(session_, status)) readout_ = status;
  }
  return true;
}

int CameraCommands::Audited(AuditEntry attempt, int rc) {
  if (!audit_) return rc;
  attempt.drive = session_.deviceName.empty() ? drive_ : session_.deviceName;
  attempt.devicePath = session_.devicePath;
  if (readout_) attempt.serialNumber = readout_->serialNumber;
  switch (rc) {
    case kExitDone:
      attempt.outcome = AuditOutcome::Done;
      break;
    case kExitNoCamera:
      attempt.outcome = AuditOutcome::NoCamera;
      break;
    case kExitRefused:
      attempt.outcome = AuditOutcome::Refused;
      attempt.chancesLeft = kLoginChances - lastLogin_.wrongAttempts;
      break;
    case kExitLocked:
      attempt.outcome = AuditOutcome::Locked;
      break;
    default:
      attempt.outcome = AuditOutcome::NoAnswer;
      break;
  }
  std::string error;
  if (!audit_->Append(attempt, error)) {
    err_ << "zulctl: " << error << "\n";
    if (rc == kExitDone) rc = kExitUsage;
  }
  return rc;
}

int CameraCommands::Login(const Secret& password) {
  AuditEntry attempt = LoginAttempt();
  return Audited(attempt, [&] {
    if (!FindForChange()) return int(kExitNoCamera);
    bool administrator = false;
    if (const int rc = LogIn(password, administrator)) return rc;
    // As the window does after a login: the camera opens its storage, and the
    // drive is let go so that the system can use it.
    const Exchange outcome = AllowDiskAccess(session_);
    const std::string drive = session_.deviceName;
    const std::string path = session_.devicePath;
    session_.ReleaseHandle();
    if (outcome != Exchange::Done) return Failed(outcome);
    out_ << (administrator ? "Logged in as administrator." : "Logged in.") << "\n";
    // On Linux the system is asked to look at the medium again; there the
    // storage shows up as a block device of its own.
    out_ << (storage_ ? storage_->ReleaseStorage(path) : "Storage opened on " + drive) << "\n";
    return int(kExitDone);
  }());
}

int CameraCommands::Change(const Options& o, const Secret& password, const Secret* newPassword) {
  AuditEntry attempt;
  const int rc = ChangeCamera(o, password, newPassword, attempt);
  return Audited(std::move(attempt), rc);
}

// attempt: what the audit line says was tried, filled as soon as it is known.
int CameraCommands::ChangeCamera(const Options& o, const Secret& password,
                                 const Secret* newPassword, AuditEntry& attempt) {
  const std::vector<TextToWrite> texts = [&]() -> std::vector<TextToWrite> {
    switch (o.command) {
      case Command::SetHint:
        return {{TEXT_HINT, o.hint}};
      case Command::SetReference: {
        std::vector<TextToWrite> given;  // the fields given, in the window's order
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
  }();
  // The attempt as far as it is known: before the scan without old values,
  // after it with the readout's.
  const auto record = [&] {
    const CameraStatus* readout = readout_ ? &*readout_ : nullptr;
    if (o.command == Command::SetResolution) {
      attempt = SettingAttempt(CMD_SET_RESOLUTION, o.resolutionIndex, readout);
    } else if (o.command == Command::SetLoop) {
      attempt = SettingAttempt(CMD_SET_LOOP_RECORDING, o.loopRecordingIndex, readout);
    } else if (o.command == Command::SetTime) {
      attempt = ClockAttempt(LocalNow());  // replaced by the reading sent
    } else {
      attempt = TextsAttempt(texts, readout);
    }
  };
  record();
  if (!FindForChange()) return kExitNoCamera;
  record();  // now with the readout's old values
  bool administrator = false;
  if (const int rc = LogIn(password, administrator)) return rc;
  Exchange outcome = Exchange::Done;
  std::string done;
  switch (o.command) {
    case Command::SetTime: {
      const CameraClock now = LocalNow();
      attempt = ClockAttempt(now);
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
    case Command::SetHint: {
      outcome = WriteTexts(session_, texts);
      done = kHintUpdated;
      break;
    }
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
      break;
  }
  if (outcome != Exchange::Done) return Failed(outcome);
  out_ << done << "\n";
  return kExitDone;
}

}  // namespace zul::cli
