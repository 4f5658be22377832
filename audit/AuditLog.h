#pragma once
// The audit file: one JSON line per attempt to change a camera (login,
// password, hint, reference texts, clock, resolution, loop recording), with
// who, where, which camera, the old and new values and how it went. Several
// programs may share the file: each line is appended whole (or not at all),
// under the lock on FILE.lock beside it. Passwords never reach it, nor their length.

#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cameradata/CameraOperations.h"
#include "cameradata/CameraStatus.h"
#include "platform/FileLock.h"

namespace zul {

enum class AuditOutcome { Done, Refused, Locked, NoCamera, NoAnswer };

// "done", "refused", "locked", "no camera", "no answer".
const char* OutcomeName(AuditOutcome outcome);

// One text or setting: old value from the readout (nothing when unknown), and
// the value sent, both as the camera keeps them (single-byte texts).
struct AuditChange {
  std::string field;
  std::optional<std::string> oldValue;
  std::string newValue;
};

struct AuditEntry {
  std::string action;  // login, set-password, set-hint, set-reference, set-time, ...
  std::vector<AuditChange> changes;
  std::string drive, devicePath, serialNumber;  // empty: unknown
  AuditOutcome outcome = AuditOutcome::NoAnswer;
  unsigned chancesLeft = 0;  // with Refused
};

// The attempts, built the same way by every program. readout: the camera's
// last readout, or nullptr when there is none.
AuditEntry LoginAttempt();
// The passwords' texts make a set-password attempt that says nothing of them.
AuditEntry TextsAttempt(std::span<const TextToWrite> texts, const CameraStatus* readout);
AuditEntry SettingAttempt(std::uint32_t code, int value, const CameraStatus* readout);
AuditEntry ClockAttempt(const CameraClock& sent);

// The drive the session holds; none when the scan found no camera (the
// session keeps the name of the last one found).
void Locate(AuditEntry& entry, const DeviceSession& session);
// Where and how: the drive the session holds, and the exchange's outcome.
void Conclude(AuditEntry& entry, const DeviceSession& session, Exchange outcome);
void Conclude(AuditEntry& entry, const DeviceSession& session, const LoginResult& result);

// The entry as one JSON line (no line break), texts read as Latin-1.
std::string AuditLine(const AuditEntry& entry, const std::string& program);

class AuditLog {
 public:
  AuditLog(std::string path, std::string program);
  ~AuditLog();
  AuditLog(const AuditLog&) = delete;
  AuditLog& operator=(const AuditLog&) = delete;

  // Opens the file for appending (creating it) and tries its lock; false with
  // the reason in error. Call before anything is sent to a camera.
  bool Open(std::string& error);
  // Appends the entry's line whole, or leaves the file as it was; false with
  // the reason in error. Threads may share one log.
  bool Append(const AuditEntry& entry, std::string& error);
  // What the operator is told when Append failed with error: for a change
  // that was made (outcome done), that the camera was changed all the same.
  std::string NotWritten(const AuditEntry& entry, const std::string& error) const;

  const std::string& path() const { return path_; }

 private:
  std::string path_, program_;
  platform::FileLock lock_;
  std::intptr_t handle_ = -1;
  std::mutex mutex_;
};

}  // namespace zul
