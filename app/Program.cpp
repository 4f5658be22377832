#include "app/Program.h"

#include <optional>

#include "app/SimulatedSystemServices.h"
#include "app/Startup.h"
#include "devicelink/DeviceSession.h"
#include "devicelink/TracingPort.h"
#include "ui/Application.h"

namespace zul::app {

int RunProgram(const Options& options, const SystemParts& system) {
  StartupParts parts;
  if (const std::string problem = PrepareStartup(options, parts); !problem.empty()) {
    system.pc.FrameworkMessageBox(problem, win::kMbOk | win::kMbIconError);
    return kExitBadOptions;
  }

  DevicePort* port = options.simulate ? &parts.simulation.Port() : &system.pcDrives;
  std::optional<TracingPort> traced;
  if (parts.trace) port = &traced.emplace(*port, *parts.trace);
  DeviceSession session{*port};

  // A simulated drive letter may be a real drive of the PC: nothing may act on it.
  ui::SystemServices* services = &system.pc;
  std::optional<SimulatedSystemServices> simulated;
  if (options.simulate || parts.trace) {
    services = &simulated.emplace(system.pc, parts.trace.get(), /*execute=*/!options.simulate,
                                  system.report);
  }

  ui::CZUL_PC_TOOLApp application(system.windows, *services, session, parts.audit.get());
  application.InitInstance();
  session.ReleaseHandle();
  if (const std::string lost = parts.simulation.SaveError(); !lost.empty()) {
    system.pc.FrameworkMessageBox("The simulated camera's state was not saved: " + lost,
                                  win::kMbOk | win::kMbIconError);
    return kExitFailed;
  }
  return 0;
}

}  // namespace zul::app
