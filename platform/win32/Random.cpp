// rand_s: the system's random numbers, from the C runtime linked already. It
// must be asked for before the first header that declares the runtime.
#define _CRT_RAND_S

#include "platform/Random.h"

#include <cstdlib>

namespace zul::platform {

void RandomBytes(std::uint8_t* out, std::size_t n) {
  for (std::size_t i = 0; i < n; i += 4) {
    unsigned int word = 0;
    if (rand_s(&word) != 0) std::abort();  // no random numbers: nothing safe to go on with
    for (std::size_t j = 0; j < 4 && i + j < n; ++j) out[i + j] = std::uint8_t(word >> 8 * j);
  }
}

}  // namespace zul::platform
