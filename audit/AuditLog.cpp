#include "audit/AuditLog.h"

#include <chrono>
#include <ctime>
#include <nlohmann/json.hpp>

#include "cameradata/CameraVocabulary.h"
#include "devicelink/CommandCatalogue.h"
#include "platform/AppendFile.h"
#include "platform/Clock.h"
#include "platform/FilePath.h"
#include "platform/Host.h"
#include "platform/Latin1.h"
#include "platform/SystemFiles.h"

namespace zul {
namespace {

std::string UtcNow() {
  const auto now = std::chrono::system_clock::now();
  const std::time_t seconds = std::chrono::system_clock::to_time_t(now);
  const auto ms =
      std::chrono::duration_cast<std::chrono::milliseconds>(now.time_since_epoch()).count() % 1000;
  const std::tm t = platform::UtcTime(seconds);
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", t.tm_year + 1900,
                t.tm_mon + 1, t.tm_mday, t.tm_hour, t.tm_min, t.tm_sec, static_cast<int>(ms));
  return text;
}

nlohmann::ordered_json TextOrNull(const std::string& text) {
  return text.empty() ? nlohmann::ordered_json() : nlohmann::ordered_json(text);
}

const char* TextName(TextKind kind) {
  switch (kind) {
    case TEXT_OFFICER:
      return "officer";
    case TEXT_DEPARTMENT:
      return "department";
    case TEXT_ADDITIONAL:
      return "additional";
    case TEXT_HINT:
      return "hint";
    case TEXT_LOGIN_PASSWORD:
    case TEXT_NEW_PASSWORD:
      break;
  }
  return "password";
}

// A setting's word for the audit; its number when the camera sent another.
std::string Choice(int value, const SettingChoice (&choices)[2]) {
  return value == 0 || value == 1 ? choices[value].word : std::to_string(value);
}

}  // namespace

AuditEntry LoginAttempt() {
  return {"login", {}, {}, {}, {}, AuditOutcome::NoAnswer, 0};
}

AuditEntry TextsAttempt(std::span<const TextToWrite> texts, const CameraStatus* readout) {
  AuditEntry e;
  e.action = "set-reference";
  for (const TextToWrite& t : texts) {
    if (t.kind == TEXT_NEW_PASSWORD || t.kind == TEXT_LOGIN_PASSWORD) {
      e.action = "set-password";  // and nothing of its value
      continue;
    }
    if (t.kind == TEXT_HINT) e.action = "set-hint";
    const std::string* old = readout ? TextOf(*readout, t.kind) : nullptr;
    e.changes.push_back(
        {TextName(t.kind), old ? std::optional(*old) : std::nullopt, std::string(t.text)});
  }
  return e;
}

AuditEntry SettingAttempt(std::uint32_t code, int value, const CameraStatus* r) {
  AuditEntry e;
  if (code == CMD_SET_RESOLUTION) {
    e.action = "set-resolution";
    e.changes.push_back(
        {"resolution",
         r ? std::optional(Choice(r->resolutionIndex, kResolutionChoices)) : std::nullopt,
         Choice(value, kResolutionChoices)});
  } else {
    e.action = "set-loop";
    e.changes.push_back(
        {"loopRecording",
         r ? std::optional(Choice(r->loopRecordingIndex, kLoopRecordingChoices)) : std::nullopt,
         Choice(value, kLoopRecordingChoices)});
  }
  return e;
}

AuditEntry ClockAttempt(const CameraClock& t) {
  char text[96];
  std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", t.year, t.month, t.day, t.hour,
                t.minute, t.second);
  AuditEntry e;
  e.action = "set-time";
  e.changes.push_back({"clock", std::nullopt, text});  // the camera's clock is not read
  return e;
}

void Locate(AuditEntry& e, const DeviceSession& session) {
  if (session.handle == kNoHandle) return;
  e.drive = session.deviceName;
  e.devicePath = session.devicePath;
}

const char* OutcomeName(AuditOutcome outcome) {
  switch (outcome) {
    case AuditOutcome::Done:
      return "done";
    case AuditOutcome::Refused:
      return "refused";
    case AuditOutcome::Locked:
      return "locked";
    case AuditOutcome::NoCamera:
      return "no camera";
    case AuditOutcome::NoAnswer:
      break;
  }
  return "no answer";
}

void Conclude(AuditEntry& e, const DeviceSession& session, Exchange outcome) {
  Locate(e, session);
  e.outcome = outcome == Exchange::Done       ? AuditOutcome::Done
              : outcome == Exchange::NoCamera ? AuditOutcome::NoCamera
                                              : AuditOutcome::NoAnswer;
}

void Conclude(AuditEntry& e, const DeviceSession& session, const LoginResult& result) {
  Locate(e, session);
  switch (result.verdict) {
    case LoginVerdict::User:
    case LoginVerdict::Administrator:
      e.outcome = AuditOutcome::Done;
      break;
    case LoginVerdict::Wrong:
      e.outcome = AuditOutcome::Refused;
      e.chancesLeft = ChancesLeft(result);
      break;
    case LoginVerdict::Locked:
      e.outcome = AuditOutcome::Locked;
      break;
    case LoginVerdict::NoCamera:
      e.outcome = AuditOutcome::NoCamera;
      break;
    case LoginVerdict::NoAnswer:
      e.outcome = AuditOutcome::NoAnswer;
      break;
  }
}

std::string AuditLine(const AuditEntry& e, const std::string& program) {
  using Json = nlohmann::ordered_json;
  Json j;
  j["time"] = UtcNow();
  j["host"] = platform::HostName();
  j["user"] = platform::UserName();
  j["program"] = program;
  j["drive"] = TextOrNull(e.drive);
  j["devicePath"] = TextOrNull(e.devicePath);
  j["serialNumber"] = TextOrNull(platform::Latin1ToUtf8(e.serialNumber));
  j["action"] = e.action;
  if (!e.changes.empty()) {
    Json& before = j["old"] = Json::object();
    Json& after = j["new"] = Json::object();
    for (const AuditChange& c : e.changes) {
      before[c.field] = c.oldValue ? Json(platform::Latin1ToUtf8(*c.oldValue)) : Json();
      after[c.field] = platform::Latin1ToUtf8(c.newValue);
    }
  }
  j["outcome"] = OutcomeName(e.outcome);
  if (e.outcome == AuditOutcome::Refused) j["chancesLeft"] = e.chancesLeft;
  // A host or user name that is not UTF-8 must not stop the line.
  return j.dump(-1, ' ', false, Json::error_handler_t::replace);
}

AuditLog::AuditLog(std::string path, std::string program)
    : path_(std::move(path)), program_(std::move(program)), lock_(path_ + ".lock", path_) {}

AuditLog::~AuditLog() {
  if (handle_ != -1) platform::CloseSystemFile(handle_);
}

bool AuditLog::Open(std::string& error) {
  const std::lock_guard<std::mutex> guard(mutex_);
  if (handle_ == -1) {
    handle_ = platform::OpenForAppending(path_, error);
    if (handle_ == -1) return false;
  }
  const platform::FileLockHold hold(lock_, error);
  return hold.held();
}

bool AuditLog::Append(const AuditEntry& entry, std::string& error) {
  const std::string line = AuditLine(entry, program_) + "\n";
  const std::lock_guard<std::mutex> guard(mutex_);
  if (handle_ == -1) {
    error = "not open";
    return false;
  }
  const platform::FileLockHold hold(lock_, error);
  if (!hold.held()) return false;
  return platform::AppendBytes(handle_, path_, line, error);
}

std::string AuditLog::NotWritten(const AuditEntry& entry, const std::string& error) const {
  const std::string lost = "audit line could not be written to " + path_ + ": " + error;
  if (entry.outcome != AuditOutcome::Done) return "The " + lost;
  if (entry.action == "login") return "The camera took the login, but its " + lost;
  return "The camera was changed, but its " + lost;
}

}  // namespace zul
