#include "CameraCommands.h"

#include <algorithm>
#include <ctime>

#include "CameraStatus.h"
#include "Command.h"
#include "Discovery.h"
#include "ExitCode.h"
#include "Messages.h"
#include "SecureWipe.h"
#include "StatusReport.h"
#include "TextField.h"

namespace zul::cli {
namespace {

std::tm LocalNow() {
  const std::time_t now = std::time(nullptr);
  std::tm local{};
#if defined(_WIN32)
  localtime_s(&local, &now);
#else
  localtime_r(&now, &local);
#endif
  return local;
}

// Sends code with up to three argument bytes; the reply is not used.
void Send(DeviceSession& session, std::uint32_t code, std::initializer_list<int> args) {
  ReplyBlock block{};
  std::size_t i = 0;
  for (int a : args) block[i++] = static_cast<std::uint8_t>(a);
  IssueCommand(session, code, block);
}

}  // namespace

bool CameraCommands::Find() {
  const bool found = letter_ ? DiscoverCameraAt(session_, letter_) : DiscoverCamera(session_);
  if (!found) err_ << kDeviceNotConnected << "\n";
  watch_.Reset();  // drives that were not the camera do not count
  return found;
}

int CameraCommands::NoAnswer() {
  err_ << kNoAnswer << "\n";
  return kExitNoAnswer;
}

int CameraCommands::List() {
  bool any = false;
  bool allAnswered = true;
  for (char letter = 'D'; letter <= 'Z'; ++letter) {
    if (letter_ && letter != letter_) continue;
    if (!DiscoverCameraAt(session_, letter)) continue;
    any = true;
    watch_.Reset();
    CameraStatus status;
    const std::string drive = session_.driveName();
    if (ReadHeldCameraStatus(session_, status) && watch_.AllWentThrough()) {
      out_ << drive << "\t" << ShownText(status.serialNumber) << "\t"
           << ShownText(FirmwareVersion(status)) << "\n";
    } else {
      err_ << drive << " " << kNoAnswer << "\n";
      allAnswered = false;
    }
  }
  session_.ReleaseHandle();
  if (!any) {
    err_ << kDeviceNotConnected << "\n";
    return kExitNoCamera;
  }
  return allAnswered ? kExitDone : kExitNoAnswer;
}

int CameraCommands::Status(bool json) {
  if (!Find()) return kExitNoCamera;
  CameraReport report{session_.devicePath, session_.driveName(), {}};
  if (!ReadHeldCameraStatus(session_, report.status) || !watch_.AllWentThrough()) {
    return NoAnswer();
  }
  out_ << (json ? StatusJson(report) : StatusText(report));
  return kExitDone;
}

int CameraCommands::LogIn(const Secret& password, bool& administrator) {
  std::array<std::uint8_t, 8> lastChunk =
      WriteTextField(session_, TEXT_LOGIN_PASSWORD, password.text());
  // The check carries the reply to the last chunk back unchanged.
  ReplyBlock block{};
  std::copy(lastChunk.begin(), lastChunk.end(), block.begin());
  SecureWipe(lastChunk.data(), lastChunk.size());
  IssueCommand(session_, CMD_CHECK_PASSWORD, block);
  const int verdict = block[0];
  const int wrongAttempts = block[1];
  SecureWipe(block.data(), block.size());
  // An all-zero reply from a failed transfer is no verdict: it must not read
  // as a wrong password.
  if (!watch_.AllWentThrough()) return NoAnswer();
  if (verdict == 1 || verdict == 2) {
    administrator = verdict == 2;
    return kExitDone;
  }
  if (wrongAttempts < 6) {
    err_ << WrongPassword(wrongAttempts) << "\n";
    return kExitRefused;
  }
  err_ << kLockedOut << "\n";
  return kExitLocked;
}

int CameraCommands::Login(const Secret& password) {
  if (!Find()) return kExitNoCamera;
  bool administrator = false;
  if (const int rc = LogIn(password, administrator)) return rc;
  // As the window does after a login: the camera opens its storage, and the
  // drive is let go so that the system can use it.
  Send(session_, CMD_ALLOW_DISK_ACCESS, {});
  const std::string drive = session_.driveName();
  session_.ReleaseHandle();
  if (!watch_.AllWentThrough()) return NoAnswer();
  out_ << (administrator ? "Logged in as administrator." : "Logged in.") << "\n"
       << "Storage opened on " << drive << "\n";
  return kExitDone;
}

int CameraCommands::Change(const Options& o, const Secret& password, const Secret* newPassword) {
  if (!Find()) return kExitNoCamera;
  bool administrator = false;
  if (const int rc = LogIn(password, administrator)) return rc;
  std::string done;
  switch (o.command) {
    case Command::SetTime: {
      const std::tm now = LocalNow();  // one reading for the date and the time
      Send(session_, CMD_SET_DATE, {(now.tm_year + 1900) % 2000, now.tm_mon + 1, now.tm_mday});
      Send(session_, CMD_SET_TIME, {now.tm_hour, now.tm_min, now.tm_sec});
      done = kTimeSynced;
      break;
    }
    case Command::SetResolution:
      Send(session_, CMD_SET_RESOLUTION, {o.resolutionIndex});
      done = ResolutionChanged(o.resolutionIndex);
      break;
    case Command::SetLoop:
      Send(session_, CMD_SET_LOOP_RECORDING, {o.loopRecordingIndex});
      done = o.loopRecordingIndex == 1 ? kLoopOn : kLoopOff;
      break;
    case Command::SetHint:
      WriteTextField(session_, TEXT_HINT, o.hint);
      done = kHintUpdated;
      break;
    case Command::SetReference: {
      const std::pair<TextKind, const std::optional<std::string>*> fields[] = {
          {TEXT_OFFICER, &o.officer},
          {TEXT_DEPARTMENT, &o.department},
          {TEXT_ADDITIONAL, &o.additional}};
      for (const auto& [kind, text] : fields) {
        if (*text) WriteTextField(session_, kind, **text);
      }
      done = kReferenceUpdated;
      break;
    }
    case Command::SetPassword: {
      std::array<std::uint8_t, 8> reply =
          WriteTextField(session_, TEXT_NEW_PASSWORD, newPassword->text());
      SecureWipe(reply.data(), reply.size());
      done = kPasswordUpdated;
      break;
    }
    case Command::List:
    case Command::Status:
    case Command::Login:
      break;
  }
  if (!watch_.AllWentThrough()) return NoAnswer();
  out_ << done << "\n";
  return kExitDone;
}

}  // namespace zul::cli
