#include "CameraCommands.h"

#include <ctime>
#include <vector>

#include "CameraStatus.h"
#include "CameraWalk.h"
#include "CommandCatalogue.h"
#include "Discovery.h"
#include "ExitCode.h"
#include "Messages.h"

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

bool ReadWholeStatus(DeviceSession& session, CameraStatus& status) {
  session.failedTransfers = 0;
  return ReadHeldCameraStatus(session, status) && session.failedTransfers == 0;
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
  const std::size_t cameras = VisitCameras(
      session_, CandidatesToTry(),
      [&] {
        CameraStatus status;
        if (!ReadWholeStatus(session_, status)) {
          err_ << session_.deviceName << " " << kCameraDidNotAnswer << "\n";
          allAnswered = false;
          return;
        }
        out_ << session_.deviceName << "\t";
        if (storage_) {
          const StorageInfo info = storage_->Describe(session_.devicePath);
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
  VisitCameras(
      session_, CandidatesToTry(), [&] { cameras.push_back(session_.devicePath); }, &report);
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

int CameraCommands::ReadReport(CameraReport& report) {
  report = {session_.devicePath, session_.deviceName, {}, std::nullopt};
  if (!ReadWholeStatus(session_, report.status)) return Failed(Exchange::NoAnswer);
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
  administrator = result.verdict == LoginVerdict::Administrator;
  std::string message;
  const int rc = LoginOutcome(result, "\n", message);
  if (rc != kExitDone) err_ << message << "\n";
  return rc;
}

int CameraCommands::Login(const Secret& password) {
  if (!Find()) return kExitNoCamera;
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
  return kExitDone;
}

int CameraCommands::Change(const Options& o, const Secret& password, const Secret* newPassword) {
  if (!Find()) return kExitNoCamera;
  return ChangeHeld(o, password, newPassword);
}

int CameraCommands::ChangeHeld(const Options& o, const Secret& password,
                               const Secret* newPassword) {
  bool administrator = false;
  if (const int rc = LogIn(password, administrator)) return rc;
  Exchange outcome = Exchange::Done;
  std::string done;
  switch (o.command) {
    case Command::SetTime:
      outcome = SetClock(session_, LocalNow());
      done = kTimeSynced;
      break;
    case Command::SetResolution:
      outcome = SetSetting(session_, CMD_SET_RESOLUTION, o.resolutionIndex);
      done = ResolutionChanged(o.resolutionIndex);
      break;
    case Command::SetLoop:
      outcome = SetSetting(session_, CMD_SET_LOOP_RECORDING, o.loopRecordingIndex);
      done = LoopChanged(o.loopRecordingIndex);
      break;
    case Command::SetHint: {
      const TextToWrite text[] = {{TEXT_HINT, o.hint}};
      outcome = WriteTexts(session_, text);
      done = kHintUpdated;
      break;
    }
    case Command::SetReference: {
      std::vector<TextToWrite> texts;  // the fields given, in the window's order
      if (o.officer) texts.push_back({TEXT_OFFICER, *o.officer});
      if (o.department) texts.push_back({TEXT_DEPARTMENT, *o.department});
      if (o.additional) texts.push_back({TEXT_ADDITIONAL, *o.additional});
      outcome = WriteTexts(session_, texts);
      done = kReferenceUpdated;
      break;
    }
    case Command::SetPassword: {
      const TextToWrite text[] = {{TEXT_NEW_PASSWORD, newPassword->text()}};
      outcome = WriteTexts(session_, text);
      done = kPasswordUpdated;
      break;
    }
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

}  // namespace zul::cli
