#pragma once
// What zulctl tells the operator. Where the window has a text for the same
// situation, it is that text (OperatorTexts.h).

#include "cameradata/OperatorTexts.h"

namespace zul::cli {

inline constexpr char kPasswordTooLong[] = "Password must not be longer than 10 characters!";
inline constexpr char kPasswordZero[] = "Password must not hold a zero character!";
inline constexpr char kNoPassword[] =
    "No password on standard input (one a line: the current password first).";
inline constexpr char kNoPasswordInFile[] =
    "holds no password (one a line: the current password first, then for set-password the new "
    "one)";
inline constexpr char kAccessDenied[] =
    "access denied: this user may not use the drive (try again as a user who may)";
inline constexpr char kNoDeviceAccess[] =
    "zulctl cannot reach this system's drives. Use --simulate or --simulate=FILE to work with a "
    "simulated camera.";
inline constexpr char kUdevRuleNeedsDevices[] =
    "zulctl: udev-rule reads the cameras docked on this Linux PC; it has nothing to say about "
    "simulated drives.";
// A camera's outcome (--all, apply, watch) when its change was made but its
// audit line could not be written.
inline constexpr char kNotAudited[] = "not audited";

}  // namespace zul::cli
