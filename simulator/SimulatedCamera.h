#pragma once
// The camera behind a simulated drive: what it answers to the identification
// request and to each vendor command. It keeps its texts, passwords, settings
// and clock in a CameraState, counts wrong passwords and locks after six, and
// reports the login of the current connection only. A connection lasts from
// plugging the camera in until it is pulled out; opening its volume is the PC's
// business and not seen by the camera.

#include <array>
#include <cstdint>
#include <string>

#include "simulator/CameraState.h"

namespace zul::sim {

enum class AnswerForm { AA55, RIZ };

class SimulatedCamera {
 public:
  using Bytes = std::array<std::uint8_t, 8>;

  SimulatedCamera() = default;
  explicit SimulatedCamera(CameraState initial) : state(std::move(initial)) {}
  SimulatedCamera(const SimulatedCamera&) = default;
  SimulatedCamera& operator=(const SimulatedCamera&) = default;
  virtual ~SimulatedCamera();

  // The 8 answer bytes to a vendor command with the given code and arguments.
  // Unknown commands are answered with zeros.
  virtual Bytes Answer(std::uint32_t code, const Bytes& args);

  // A new connection to the camera (it was plugged in): logged out, its
  // storage closed until the next login opens it, and any text half sent is
  // dropped.
  virtual void Connected();

  // The login of the current connection.
  bool LoggedIn() const { return state.loggedIn; }
  bool Administrator() const { return state.administrator; }

  CameraState state;

 private:
  static constexpr int kKinds = 7;  // text kinds 0 to 6

  Bytes WriteChunk(const Bytes& args);
  Bytes ReadChunk(const Bytes& args) const;
  Bytes CheckPassword();
  void Finish(std::uint8_t kind);
  void Forget(std::uint8_t kind);

  // Texts being received, one per kind; the login password waits here for the
  // check, and is wiped as soon as it has been used.
  std::array<std::array<char, 41>, kKinds> pending_ = {};
  bool loginComplete_ = false;
};

}  // namespace zul::sim
