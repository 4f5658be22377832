#pragma once
// zulctl's exit statuses, for scripts.

namespace zul::cli {

enum ExitCode : int {
  kExitDone = 0,
  kExitUsage = 1,     // bad command line or input, or a file that cannot be used
  kExitNoCamera = 2,  // no camera found (or no access to the drives)
  kExitNoAnswer = 3,  // a transfer of the command's exchange failed
  kExitRefused = 4,   // the camera refused the password
  kExitLocked = 5,    // the camera refused it and counts six or more wrong attempts
  kExitNotAll = 6,    // done on some cameras, not on all (--all, apply)
};

}  // namespace zul::cli
