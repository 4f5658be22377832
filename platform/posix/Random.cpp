#include "platform/Random.h"

#include <sys/random.h>

#include <cerrno>
#include <cstdlib>

namespace zul::platform {

void RandomBytes(std::uint8_t* out, std::size_t n) {
  for (std::size_t done = 0; done < n;) {
    const ssize_t got = getrandom(out + done, n - done, 0);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) std::abort();  // no random numbers: nothing safe to go on with
    done += static_cast<std::size_t>(got);
  }
}

}  // namespace zul::platform
