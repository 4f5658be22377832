#pragma once
// What zulctl tells the operator. Where the window has a text for the same
// situation, this is that text.

#include <string>

namespace zul::cli {

inline constexpr char kDeviceNotConnected[] = "Device not connected.";
inline constexpr char kNoAnswer[] =
    "The camera did not answer. Please check the USB connection and try again.";
inline constexpr char kPasswordTooShort[] = "Password must longer than 4 characters!";
inline constexpr char kPasswordTooLong[] = "Password must not be longer than 10 characters!";
inline constexpr char kPasswordZero[] = "Password must not hold a zero character!";
inline constexpr char kNoPassword[] =
    "No password on standard input (one a line: the current password first).";
// The window's lock-out text has a CR LF before the second line; a terminal
// gets a plain line break.
inline constexpr char kLockedOut[] =
    "Wrong password!  Please contact Marlowen\n"
    "                       + 1-800-555-0134";
inline constexpr char kNoDeviceAccess[] =
    "zulctl cannot reach the PC's drives on Linux yet. Use --simulate or --simulate=FILE to "
    "work with a simulated camera.";

inline constexpr char kTimeSynced[] = "Time sync completed!";
inline constexpr char kLoopOn[] = "Loop recording on!";
inline constexpr char kLoopOff[] = "Loop recording off!";
inline constexpr char kHintUpdated[] = "You've updated your hint!";
inline constexpr char kReferenceUpdated[] = "You've updated your reference data!";
inline constexpr char kPasswordUpdated[] = "You've updated your password!";

// "Wrong password!  You have N chances remaining." for a count below six.
inline std::string WrongPassword(int wrongAttempts) {
  return "Wrong password!  You have " + std::to_string(6 - wrongAttempts) + " chances remaining.";
}

inline std::string ResolutionChanged(int index) {
  return index == 0 ? "Change video resolution to 1080P." : "Change video resolution to 720P.";
}

}  // namespace zul::cli
