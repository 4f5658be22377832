#pragma once
// The camera behind a simulated drive: what it answers to the identification
// request and to each vendor command.

#include <array>
#include <cstdint>

namespace zul::sim {

enum class AnswerForm { AA55, RIZ };

class SimulatedCamera {
 public:
  virtual ~SimulatedCamera() = default;

  // The 8 answer bytes to a vendor command with the given code and arguments.
  virtual std::array<std::uint8_t, 8> Answer(std::uint32_t code,
                                             const std::array<std::uint8_t, 8>& args);

  // A new connection to the camera (its volume was opened): a camera reports
  // the login of the current connection only.
  virtual void Connected() {}
};

}  // namespace zul::sim
