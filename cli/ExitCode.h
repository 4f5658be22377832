#pragma once
// zulctl's exit statuses, for scripts.

#include <algorithm>
#include <span>

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

// A command's status over several cameras, from each camera's own: with one
// camera, its status; with every camera done (or none), kExitDone; else
// kExitNotAll.
inline int DockExitStatus(std::span<const int> cameras) {
  if (cameras.size() == 1) return cameras.front();
  return std::all_of(cameras.begin(), cameras.end(), [](int rc) { return rc == kExitDone; })
             ? kExitDone
             : kExitNotAll;
}

}  // namespace zul::cli
