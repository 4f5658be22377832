#include "platform/Clock.h"

namespace zul::platform {

std::tm UtcTime(std::time_t seconds) {
  std::tm t{};
  gmtime_s(&t, &seconds);
  return t;
}

std::tm LocalTime(std::time_t seconds) {
  std::tm t{};
  localtime_s(&t, &seconds);
  return t;
}

}  // namespace zul::platform
