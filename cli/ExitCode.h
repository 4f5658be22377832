#pragma once
// zulctl's exit statuses, for scripts: made from the run's outcome at the end
// of the run (RunZulctl), and nowhere else.

#include "cameradata/Outcome.h"

namespace zul::cli {

enum ExitCode : int {
  kExitDone = 0,
  kExitUsage = 1,      // bad command line or input, or a file that cannot be used
  kExitNoCamera = 2,   // no camera found (or no access to the drives)
  kExitNoAnswer = 3,   // a transfer of the command's exchange failed
  kExitRefused = 4,    // the camera refused the password
  kExitLocked = 5,     // the camera refused it and counts six or more wrong attempts
  kExitNotAll = 6,     // done on some cameras, not on all (--all, apply)
  kExitAuditLost = 7,  // the change was made, but its audit line could not be written
};

inline int ExitStatus(OutcomeKind outcome) {
  switch (outcome) {
    case OutcomeKind::Done:
      return kExitDone;
    case OutcomeKind::NoCamera:
      return kExitNoCamera;
    case OutcomeKind::NoAnswer:
      return kExitNoAnswer;
    case OutcomeKind::Refused:
      return kExitRefused;
    case OutcomeKind::Locked:
      return kExitLocked;
    case OutcomeKind::Usage:
      return kExitUsage;
    case OutcomeKind::NotAll:
      return kExitNotAll;
    case OutcomeKind::AuditLost:
      return kExitAuditLost;
  }
  return kExitUsage;
}

}  // namespace zul::cli
