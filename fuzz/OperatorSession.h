#pragma once
// One operator's session with whatever answers behind a checked port: two
// scans, the status readout, every text kind read on its own, a login as the
// window runs it and a hint write. Each step is checked against a model of the
// protocol replayed from the port's log, so an answer that makes the tool send
// the wrong request, keep a handle, overrun a text or touch a member it must
// not touch aborts.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "fuzz/CheckedPort.h"

namespace zul::fuzz {

// The operator's side of the session, taken from the first kConfigSize bytes
// of an input (zeros past its end); the rest is the camera's side.
struct SessionConfig {
  static constexpr std::size_t kConfigSize = 61;

  bool loggedIn = false;  // flags the window holds before the readout
  bool administrator = false;
  bool connected = false;
  std::string password = "1234";  // 4 to 10 characters, no zero
  std::string hint;               // 0 to 48 characters

  static SessionConfig Decode(const std::uint8_t* data, std::size_t size);
  std::array<std::uint8_t, kConfigSize> Encode() const;
};

void RunOperatorSession(CheckedPort& port, const SessionConfig& config);

}  // namespace zul::fuzz
