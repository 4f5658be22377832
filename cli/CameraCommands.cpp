#include "cli/CameraCommands.h"

#include <ctime>
#include <optional>
#include <vector>

#include "cameradata/CameraStatus.h"
#include "platform/Clock.h"
#include "cli/CameraWalk.h"
#include "cli/ExitCode.h"
#include "cli/Messages.h"
#include "devicelink/CommandCatalogue.h"
#include "devicelink/Discovery.h"

namespace zul::cli {

CameraClock LocalNow() {
  const std::time_t now = std::time(nullptr);
  const std::tm t = platform::LocalTime(now);
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

AuditOutcome AuditOutcomeOf(OutcomeKind outcome) {
  switch (outcome) {
    case OutcomeKind::Done:
      return AuditOutcome::Done;
    case OutcomeKind::NoCamera:
      return AuditOutcome::NoCamera;
    case OutcomeKind::Refused:
      return AuditOutcome::Refused;
    case OutcomeKind::Locked:
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

Outcome NoCameraFound(const ScanReport& report, StorageLocator* storage) {
  std::string text;
  for (const std::string& name : report.denied) text += name + ": " + kAccessDenied + "\n";
  if (storage && !report.denied.empty()) text += storage->AccessHelp();
  return {OutcomeKind::NoCamera, text + kDeviceNotConnected, std::nullopt};
}

Outcome CameraCommands::Told(Outcome outcome) {
  err_ << outcome.message << "\n";
  return outcome;
}

Outcome CameraCommands::NotFound(const ScanReport& report) {
  return Told(NoCameraFound(report, storage_));
}

bool CameraCommands::Find() {
  ScanReport report;
  const bool found = drive_.empty() ? DiscoverCamera(session_, &report)
                                    : DiscoverCameraNamed(session_, drive_, &report);
  if (!found) notFound_ = NotFound(report);
  return found;
}

std::vector<DeviceCandidate> CameraCommands::CandidatesToTry() {
  if (drive_.empty()) return session_.port.Candidates();
  if (const auto candidate = FindCandidate(session_.port, drive_)) return {*candidate};
  return {};
}

Outcome CameraCommands::Failed(Exchange outcome) {
  if (outcome == Exchange::NoCamera) {
    return Told({OutcomeKind::NoCamera, kDeviceNotConnected, std::nullopt});
  }
  return Told({OutcomeKind::NoAnswer, kCameraDidNotAnswer, std::nullopt});
}

Outcome CameraCommands::List() {
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
  if (cameras == 0) return NotFound(report);
  if (!allAnswered) return {OutcomeKind::NoAnswer, kCameraDidNotAnswer, std::nullopt};
  return {};
}

Outcome CameraCommands::UdevRule() {
  std::vector<std::string> cameras;
  ScanReport report;
  WalkCameras(
      session_.port, CandidatesToTry(), {},
      [&](std::size_t, DeviceSession&, const WalkedCamera& camera) {
        cameras.push_back(camera.candidate.path);
      },
      &report);
  const std::string rule = cameras.empty() || !storage_ ? "" : storage_->UdevRule(cameras);
  if (rule.empty()) return NotFound(report);
  out_ << rule;
  return {};
}

Outcome CameraCommands::Status(bool json) {
  if (!Find()) return notFound_;
  CameraReport report;
  Outcome outcome = ReadReport(report);
  if (outcome.done()) out_ << (json ? StatusJson(report) : StatusText(report));
  return outcome;
}

Outcome CameraCommands::ReadReport(CameraReport& report, const std::string* serialNumber) {
  report = {session_.devicePath, session_.deviceName, {}, std::nullopt};
  if (!ReadWholeStatus(session_, report.status, serialNumber)) return Failed(Exchange::NoAnswer);
  if (storage_) report.storage = storage_->Describe(session_.devicePath);
  return {};
}

Outcome LoginOutcome(const LoginResult& result, const char* lineBreak) {
  switch (result.verdict) {
    case LoginVerdict::User:
    case LoginVerdict::Administrator:
      return {};
    case LoginVerdict::NoCamera:
      return {OutcomeKind::NoCamera, kDeviceNotConnected, std::nullopt};
    case LoginVerdict::NoAnswer:
      // An all-zero reply from a failed transfer is no verdict.
      return {OutcomeKind::NoAnswer, kCameraDidNotAnswer, std::nullopt};
    case LoginVerdict::Wrong:
    case LoginVerdict::Locked:
      break;
  }
  return {result.verdict == LoginVerdict::Locked ? OutcomeKind::Locked : OutcomeKind::Refused,
          WrongPasswordText(result.wrongAttempts, lineBreak), result.wrongAttempts};
}

Outcome CameraCommands::LogIn(const Secret& password, bool& administrator) {
  const LoginResult result = zul::LogIn(session_, password.text());
  chancesLeft_ = ChancesLeft(result);
  administrator = result.verdict == LoginVerdict::Administrator;
  Outcome outcome = LoginOutcome(result, "\n");
  return outcome.done() ? outcome : Told(std::move(outcome));
}

Outcome CameraCommands::Login(const Secret& password) {
  AuditEntry attempt = LoginAttempt();
  attempt.drive = drive_;  // the one asked for, until a camera is found
  if (!Find()) return Audited(std::move(attempt), notFound_);
  Locate(attempt, session_);
  if (audit_) ReadSerialNumber(session_, attempt.serialNumber);
  bool administrator = false;
  if (Outcome refused = LogIn(password, administrator); !refused.done()) {
    return Audited(std::move(attempt), std::move(refused));
  }
  // As the window does after a login: the camera opens its storage, and the
  // drive is let go so that the system can use it.
  const Exchange opened = AllowDiskAccess(session_);
  const std::string drive = session_.deviceName;
  const std::string path = session_.devicePath;
  session_.ReleaseHandle();
  if (opened != Exchange::Done) return Audited(std::move(attempt), Failed(opened));
  const char* loggedIn = administrator ? "Logged in as administrator." : "Logged in.";
  out_ << loggedIn << "\n";
  // On Linux the system is asked to look at the medium again; there the
  // storage shows up as a block device of its own.
  // The login is done even when the storage does not show up: the exit status
  // says so, the line on standard error says what is missing.
  const StorageRelease storage =
      storage_ ? storage_->ReleaseStorage(path) : StorageRelease{"Storage opened on " + drive};
  (storage.ready ? out_ : err_) << storage.line << "\n";
  return Audited(std::move(attempt), {OutcomeKind::Done, loggedIn, std::nullopt});
}

Outcome CameraCommands::Change(const Options& o, const Secret& password,
                               const Secret* newPassword) {
  if (!Find()) {
    AuditEntry attempt = AttemptOf(o, TextsOf(o, newPassword), nullptr);
    attempt.drive = drive_;  // the one asked for, if any
    return Audited(std::move(attempt), notFound_);
  }
  return ChangeHeld(o, password, newPassword);
}

Outcome CameraCommands::ChangeHeld(const Options& o, const Secret& password,
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
  Outcome outcome = SendChange(o, password, texts, attempt);
  return Audited(std::move(attempt), std::move(outcome));
}

// attempt: the audit line's values, the clock's as sent.
Outcome CameraCommands::SendChange(const Options& o, const Secret& password,
                                   std::span<const TextToWrite> texts, AuditEntry& attempt) {
  bool administrator = false;
  if (Outcome refused = LogIn(password, administrator); !refused.done()) return refused;
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
  return {OutcomeKind::Done, done, std::nullopt};
}

Outcome CameraCommands::Audited(AuditEntry attempt, Outcome outcome) {
  if (!audit_) return outcome;
  attempt.outcome = AuditOutcomeOf(outcome.kind);
  if (attempt.outcome == AuditOutcome::Refused) attempt.chancesLeft = chancesLeft_;
  std::string error;
  if (!audit_->Append(attempt, error)) {
    const std::string lost = audit_->NotWritten(attempt, error);
    err_ << lost << "\n";
    if (outcome.done()) {
      outcome = {OutcomeKind::AuditLost, lost, std::nullopt};
    } else {
      outcome.message += "\n" + lost;
    }
  }
  return outcome;
}

}  // namespace zul::cli
