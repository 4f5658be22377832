#pragma once
// The login's traffic on the session's current connection: the password in
// chunks, then the check with the reply to the last chunk as its arguments.

#include <algorithm>
#include <string_view>
#include <utility>

#include "Command.h"
#include "TextField.h"

namespace zul::test {

// Returns the verdict (reply byte 0) and the wrong-attempt count (byte 1).
inline std::pair<int, int> CheckPassword(DeviceSession& session, std::string_view password) {
  const auto reply = WriteTextField(session, TEXT_LOGIN_PASSWORD, password);
  ReplyBlock block{};
  std::copy(reply.begin(), reply.end(), block.begin());
  IssueCommand(session, CMD_CHECK_PASSWORD, block);
  return {block[0], block[1]};
}

}  // namespace zul::test
