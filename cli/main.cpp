// zulctl: the camera's login, settings and texts from the command line.

#include <cstdio>
#include <iostream>

#include "cli/ProgramConsole.h"
#include "cli/Zulctl.h"
#include "platform/DeviceSystem.h"

int main(int argc, char** argv) {
  // Unbuffered, so that no stdio buffer keeps a copy of a password line.
  std::setvbuf(stdin, nullptr, _IONBF, 0);
  const zul::cli::ProgramConsole console(argc, argv, std::cout, std::cerr);
  const std::unique_ptr<zul::cli::SystemDevices> system = zul::platform::OpenDeviceSystem();
  return zul::cli::RunZulctl(console.Count(), console.Arguments(), stdin, std::cout, std::cerr,
                             nullptr, system.get());
}
