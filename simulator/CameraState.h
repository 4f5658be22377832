#pragma once
// What a simulated camera keeps: its texts, password digests, wrong-attempt
// count, firmware and serial number, settings, the clock it was last given,
// and the login of its current connection.
// A plain value: tests and scenarios read and set it directly.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "cameradata/CameraVocabulary.h"
#include "simulator/PasswordDigest.h"

namespace zul::sim {

inline constexpr std::size_t kMaxFirmwarePart = 8;
inline constexpr std::size_t kMaxSerial = 8;
inline constexpr std::uint8_t kLockAfterWrongAttempts = 6;

inline constexpr char kDefaultUserPassword[] = "1234";
inline constexpr char kDefaultAdminPassword[] = "888888";

// The default passwords' digests are salted once per run, so that states left
// at their defaults compare equal.
inline const PasswordDigest& DefaultUserDigest() {
  static const PasswordDigest digest = DigestOfPassword(kDefaultUserPassword);
  return digest;
}
inline const PasswordDigest& DefaultAdminDigest() {
  static const PasswordDigest digest = DigestOfPassword(kDefaultAdminPassword);
  return digest;
}

struct CameraState {
  std::string officer;
  std::string department;
  std::string additional;
  std::string hint;
  PasswordDigest userPassword = DefaultUserDigest();
  PasswordDigest adminPassword = DefaultAdminDigest();
  std::uint8_t wrongAttempts = 0;  // locked from kLockAfterWrongAttempts on
  std::array<std::string, 3> firmware = {"V1.6", ".2024", "1201"};
  std::string serial = "A1234567";
  std::uint8_t resolution = 0;
  std::uint8_t loopRecording = 0;
  std::uint8_t query0D = 0;
  std::array<std::uint8_t, 3> time = {};  // hour, minute, second as last set
  std::array<std::uint8_t, 3> date = {};  // year - 2000, month, day as last set
  bool diskAccess = false;                // storage opened to the PC on this connection
  // The login of the current connection, which lasts while the camera stays
  // plugged in.
  bool loggedIn = false;
  bool administrator = false;

  bool operator==(const CameraState&) const = default;
};

}  // namespace zul::sim
