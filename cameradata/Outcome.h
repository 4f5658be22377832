#pragma once
// How an operation on a camera ended, as data that travels up to whoever
// reports it: what became of it, what the operator is told, and with a
// refused or locked login the camera's count of wrong attempts. zulctl makes
// its exit status from it in one place (cli/ExitCode.h).

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace zul {

enum class OutcomeKind : std::uint8_t {
  Done,
  NoCamera,   // no camera found (or no access to the devices)
  NoAnswer,   // a transfer of the exchange failed
  Refused,    // the camera refused the password
  Locked,     // it refused it and counts six or more wrong attempts
  Usage,      // a command line, input or file that cannot be used
  NotAll,     // done on some cameras, not on all
  AuditLost,  // done, but its audit line could not be written
};

struct Outcome {
  OutcomeKind kind = OutcomeKind::Done;
  // What the operator is told of it, lines broken by "\n"; may be empty.
  std::string message;
  // With Refused and Locked: the camera's count of wrong attempts.
  std::optional<std::uint8_t> wrongAttempts;

  bool done() const { return kind == OutcomeKind::Done; }
  bool operator==(const Outcome&) const = default;
};

// One outcome over several cameras, from each camera's own: with one camera,
// its outcome; with every camera done (or none), Done; else NotAll.
inline OutcomeKind OverCameras(std::span<const OutcomeKind> cameras) {
  if (cameras.size() == 1) return cameras.front();
  return std::all_of(cameras.begin(), cameras.end(),
                     [](OutcomeKind k) { return k == OutcomeKind::Done; })
             ? OutcomeKind::Done
             : OutcomeKind::NotAll;
}

}  // namespace zul
