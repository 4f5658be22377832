#pragma once
// The program once its options are read: the drives it talks to, the trace,
// which of the PC's services may act, and the window until it closes. The
// entry point hands it the real window system, services and drives; the tests
// hand it headless ones.

#include <cstdio>

#include "app/CommandLine.h"
#include "devicelink/DevicePort.h"
#include "runcontext/RunContext.h"
#include "ui/framework/DialogHost.h"
#include "ui/framework/SystemServices.h"

namespace zul::app {

inline constexpr int kExitBadOptions = 2;  // a message box said what is wrong
inline constexpr int kExitFailed = 3;      // the program stopped, or lost the state

struct SystemParts {
  ui::WindowSystem& windows;
  ui::SystemServices& pc;  // the PC's message boxes, clocks, programs and shell
  DevicePort& pcDrives;    // the PC's own drives
  std::FILE* report;       // where a simulation says what it would have run
};

// Opens run as options ask, over the PC's drives unless simulating (the
// scenario's drives, carried on in the state file when one is named), with
// the trace and audit files. Returns what is wrong, for the operator, or an
// empty text.
std::string OpenRun(const Options& options, DevicePort& pcDrives, run::RunContext& run);

// Runs the program as options ask; returns its exit code. Simulating, nothing
// is started or opened on the PC: the report and the trace say what would
// have been.
int RunProgram(const Options& options, const SystemParts& system);

}  // namespace zul::app
