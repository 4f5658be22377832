#include "platform/Clock.h"

namespace zul::platform {

std::tm UtcTime(std::time_t seconds) {
  std::tm t{};
  gmtime_r(&seconds, &t);
  return t;
}

std::tm LocalTime(std::time_t seconds) {
  std::tm t{};
  localtime_r(&seconds, &t);
  return t;
}

}  // namespace zul::platform
