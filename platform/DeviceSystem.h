#pragma once
// The factory of the system's devices: one implementation per system
// (linux/, win32/, and other/ for a system the tool reaches no devices on),
// chosen by the build, so that no portable file asks which system it is on.
// The ports themselves live in devicelink/<system>/, zulctl's storage locator
// and notice sources in cli/.

#include <memory>

#include "cli/SystemDevices.h"

namespace zul::platform {

// The port, the storage locator, the device notices and the command line's
// device names of the system the program runs on.
std::unique_ptr<cli::SystemDevices> OpenDeviceSystem();

}  // namespace zul::platform
