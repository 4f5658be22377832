#pragma once
// The login on the session's current connection, as the camera's own answer
// bytes: the verdict (1 user, 2 administrator, 0 refused) and the count of
// wrong attempts it reported.

#include <string_view>
#include <utility>

#include "cameradata/CameraOperations.h"

namespace zul::test {

inline std::pair<int, int> CheckPassword(DeviceSession& session, std::string_view password) {
  const LoginResult r = LogIn(session, password);
  switch (r.verdict) {
    case LoginVerdict::User:
      return {1, 0};
    case LoginVerdict::Administrator:
      return {2, 0};
    case LoginVerdict::Wrong:
    case LoginVerdict::Locked:
      return {0, r.wrongAttempts};
    case LoginVerdict::NoCamera:
    case LoginVerdict::NoAnswer:
      break;
  }
  return {-1, -1};
}

}  // namespace zul::test
