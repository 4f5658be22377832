#include "platform/Host.h"

#include <pwd.h>
#include <unistd.h>

#include <string>

namespace zul::platform {

std::string HostName() {
  char name[256] = {};
  if (gethostname(name, sizeof name - 1) == 0) return name;
  return {};
}

std::string UserName() {
  const uid_t uid = geteuid();
  passwd entry{};
  passwd* found = nullptr;
  char buffer[4096];
  if (getpwuid_r(uid, &entry, buffer, sizeof buffer, &found) == 0 && found) return found->pw_name;
  return "uid " + std::to_string(uid);
}

}  // namespace zul::platform
