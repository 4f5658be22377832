#include "platform/SecureWipe.h"

namespace zul::platform {

void SecureWipe(void* p, std::size_t n) {
  volatile unsigned char* bytes = static_cast<volatile unsigned char*>(p);
  while (n--) *bytes++ = 0;
}

}  // namespace zul::platform
