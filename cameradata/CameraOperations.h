#pragma once
// Each exchange with the camera, written once: the window's flows, zulctl, the
// fuzz sessions and the tests all call these. Each works on the camera the
// session holds (found by the caller's scan; none held reads as no camera and
// sends nothing), resets the session's failed-transfer count as it starts, and
// reports how the exchange went. What the operator is told is the caller's.

#include <cstdint>
#include <span>
#include <string_view>

#include "cameradata/CameraStatus.h"
#include "cameradata/TextField.h"
#include "devicelink/DeviceSession.h"

namespace zul {

// How an exchange went: every transfer went through, there was no camera to
// send to, or a transfer failed (the camera did not answer).
enum class Exchange { Done, NoCamera, NoAnswer };

enum class LoginVerdict { User, Administrator, Wrong, Locked, NoCamera, NoAnswer };

inline constexpr unsigned kLoginChances = 6;  // wrong attempts before the camera locks

struct LoginResult {
  LoginVerdict verdict = LoginVerdict::NoAnswer;
  std::uint8_t wrongAttempts = 0;  // with Wrong and Locked: the camera's count
  bool LoggedIn() const {
    return verdict == LoginVerdict::User || verdict == LoginVerdict::Administrator;
  }
};

// The wrong passwords the camera still takes before it locks.
inline unsigned ChancesLeft(const LoginResult& result) {
  return result.wrongAttempts >= kLoginChances ? 0 : kLoginChances - result.wrongAttempts;
}

// Sends the password as login chunks, then the check with the reply to the
// last chunk as its arguments. A verdict of 1 or 2 is a login; any other is a
// wrong password, with the camera's count of wrong attempts (locked from six
// on). When a chunk fails, or comes back incomplete, no check is sent: it
// would carry a broken password and cost the operator an attempt. Password bytes and replies are
// wiped.
LoginResult LogIn(DeviceSession& session, std::string_view password);

// A reading of the PC's local clock.
struct CameraClock {
  int year, month, day, hour, minute, second;
};

// Sets the camera's date, then its time, from one reading; stops at the first
// failure (a time after a date that did not arrive would set the camera wrong).
Exchange SetClock(DeviceSession& session, const CameraClock& local);

// Sends a setting (CMD_SET_RESOLUTION, CMD_SET_LOOP_RECORDING) with value as
// its one argument byte. The camera's answer is not used.
Exchange SetSetting(DeviceSession& session, std::uint32_t code, int value);

struct TextToWrite {
  TextKind kind;
  std::string_view text;
};

// Writes the texts in order, each in chunks (WriteTextField). The replies are
// wiped: a password's may echo it.
Exchange WriteTexts(DeviceSession& session, std::span<const TextToWrite> texts);

// The readout as it stands once the camera took these texts, or this setting
// (CMD_SET_RESOLUTION, CMD_SET_LOOP_RECORDING).
void NoteTextsWritten(CameraStatus& status, std::span<const TextToWrite> texts);
void NoteSettingMade(CameraStatus& status, std::uint32_t code, int value);

// Tells the camera to open its storage to the PC (CMD_ALLOW_DISK_ACCESS).
Exchange AllowDiskAccess(DeviceSession& session);

}  // namespace zul
