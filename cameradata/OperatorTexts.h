#pragma once
// What the operator is told about an exchange with the camera, the same words
// in the window and in zulctl.

#include <string>

#include "cameradata/CameraOperations.h"

namespace zul {

inline constexpr char kDeviceNotConnected[] = "Device not connected.";
inline constexpr char kCameraDidNotAnswer[] =
    "The camera did not answer. Please check the USB connection and try again.";
inline constexpr char kPasswordTooShort[] = "Password must longer than 4 characters!";

inline constexpr char kTimeSynced[] = "Time sync completed!";
inline constexpr char kLoopOn[] = "Loop recording on!";
inline constexpr char kLoopOff[] = "Loop recording off!";
inline constexpr char kHintUpdated[] = "You've updated your hint!";
inline constexpr char kReferenceUpdated[] = "You've updated your reference data!";
inline constexpr char kPasswordUpdated[] = "You've updated your password!";

inline std::string ResolutionChanged(int index) {
  return index == 0 ? "Change video resolution to 1080P." : "Change video resolution to 720P.";
}

inline std::string LoopChanged(int index) {
  return index == 1 ? kLoopOn : kLoopOff;
}

// The refused password's text: the chances left, or from six wrong attempts
// on the lock-out text, whose second line starts after lineBreak ("\r\n" in a
// message box, "\n" on a terminal).
inline std::string WrongPasswordText(unsigned wrongAttempts, const char* lineBreak) {
  if (wrongAttempts >= kLoginChances) {
    return "Wrong password!  Please contact Marlowen" + std::string(lineBreak) +
           std::string(23, ' ') + "+ 1-800-555-0134";
  }
  return "Wrong password!  You have " + std::to_string(kLoginChances - wrongAttempts) +
         " chances remaining.";
}

}  // namespace zul
