#include "SimulatedCamera.h"

namespace zul::sim {

std::array<std::uint8_t, 8> SimulatedCamera::Answer(std::uint32_t,
                                                    const std::array<std::uint8_t, 8>&) {
  return {};
}

}  // namespace zul::sim
