#include "app/Program.h"

#include <cstring>
#include <optional>

#include "app/SimulatedSystemServices.h"
#include "devicelink/DeviceSession.h"
#include "ui/Application.h"

namespace zul::app {

std::string OpenRun(const Options& options, DevicePort& pcDrives, run::RunContext& run) {
  const run::RunFault fault = run.Open(options, &pcDrives);
  switch (fault.step) {
    case run::RunFault::Step::FileClash:
      return "The " + fault.role + " file cannot be used.\n" + fault.message;
    case run::RunFault::Step::Simulation:
      return "The simulation was not started.\n" + fault.message;
    case run::RunFault::Step::Trace:
      return "The trace file cannot be opened: " + options.tracePath +
             (fault.systemError ? std::string(" (") + std::strerror(fault.systemError) + ")"
                                : std::string());
    case run::RunFault::Step::Audit:
      return "The audit file cannot be used.\n" + fault.message;
    case run::RunFault::Step::NoDevices:  // the window is always given the PC's drives
    case run::RunFault::Step::None:
      break;
  }
  return {};
}

int RunProgram(const Options& options, const SystemParts& system) {
  run::RunContext run("ZUL_PC_TOOL");
  if (const std::string problem = OpenRun(options, system.pcDrives, run); !problem.empty()) {
    system.pc.FrameworkMessageBox(problem, win::kMbOk | win::kMbIconError);
    return kExitBadOptions;
  }
  DeviceSession session{run.Port()};

  // A simulated drive letter may be a real drive of the PC: nothing may act on it.
  ui::SystemServices* services = &system.pc;
  std::optional<SimulatedSystemServices> simulated;
  if (options.simulate || run.Trace()) {
    services =
        &simulated.emplace(system.pc, run.Trace(), /*execute=*/!options.simulate, system.report);
  }

  ui::CZUL_PC_TOOLApp application(system.windows, *services, session, run.Audit());
  application.InitInstance();
  session.ReleaseHandle();
  if (const std::string lost = run.SaveError(); !lost.empty()) {
    system.pc.FrameworkMessageBox("The simulated camera's state was not saved: " + lost,
                                  win::kMbOk | win::kMbIconError);
    return kExitFailed;
  }
  return 0;
}

}  // namespace zul::app
