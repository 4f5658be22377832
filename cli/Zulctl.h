#pragma once
// zulctl as a whole: the command line, the drives it talks to (simulated or
// the PC's), the trace, the passwords, and the command.

#include <cstdio>
#include <ostream>

#include "devicelink/DevicePort.h"

namespace zul::cli {

class SystemDevices;

// Runs zulctl; passwords come from in (one a line), results go to out, faults
// to err. Returns the exit status (ExitCode.h). drives: the drives to talk to
// in place of the PC's or the simulation's, so a test can run a command in the
// process against drives it controls (--trace still applies). system: the
// system's devices (platform/DeviceSystem.h); without them, and without
// --simulate or drives, there is no device to reach.
int RunZulctl(int argc, const char* const* argv, std::FILE* in, std::ostream& out,
              std::ostream& err, DevicePort* drives = nullptr, SystemDevices* system = nullptr);

}  // namespace zul::cli
