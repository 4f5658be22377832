// The program's entry point: reads the options, builds the device port, the
// session and the PC services, and runs the application object, which shows
// the main window until it is closed. With no options the program looks at
// the PC's own drives and nothing else changes.

#include <cstdlib>
#include <exception>
#include <optional>
#include <string>
#include <vector>

#include "Application.h"
#include "CommandLine.h"
#include "DeviceSession.h"
#include "SimulatedSystemServices.h"
#include "Startup.h"
#include "TracingPort.h"
#include "WinDefs.h"
#include "ZulVersion.h"
#include "win32/Win32SystemServices.h"
#include "win32/Win32VolumePort.h"
#include "win32/Win32WindowSystem.h"

namespace {

using namespace zul;

// A problem with the options: one message box, and a non-zero exit.
constexpr int kBadOptions = 2;
constexpr int kFailed = 3;

// --version: on the standard output when the program has one (a console, a
// pipe or a file it was started with), else in a message box.
int ShowVersion(ui::Win32SystemServices& pc) {
  const std::string line = ZUL_PRODUCT_NAME " " ZUL_VERSION_TEXT "\r\n";
  const HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
  DWORD written = 0;
  if (out && out != INVALID_HANDLE_VALUE && GetFileType(out) != FILE_TYPE_UNKNOWN &&
      WriteFile(out, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
      written == line.size()) {
    return 0;
  }
  pc.FrameworkMessageBox(line.substr(0, line.size() - 2), MB_OK | MB_ICONINFORMATION);
  return 0;
}

int Run(HINSTANCE instance, const app::Options& options, ui::Win32SystemServices& pc) {
  app::StartupParts parts;
  if (const std::string problem = app::PrepareStartup(options, parts); !problem.empty()) {
    pc.FrameworkMessageBox(problem, MB_OK | MB_ICONERROR);
    return kBadOptions;
  }

  Win32VolumePort pcDrives;
  DevicePort* port = options.simulate ? &parts.simulation.Port() : &pcDrives;
  std::optional<TracingPort> traced;
  if (parts.trace) port = &traced.emplace(*port, *parts.trace);
  DeviceSession session{*port};

  ui::SystemServices* services = &pc;
  std::optional<app::SimulatedSystemServices> simulated;
  if (options.simulate || parts.trace) {
    services = &simulated.emplace(pc, parts.trace.get(), /*execute=*/!options.simulate);
  }

  ui::Win32WindowSystem windows(instance);
  ui::CZUL_PC_TOOLApp application(windows, *services, session);
  application.InitInstance();
  session.ReleaseHandle();
  if (const std::string lost = parts.simulation.SaveError(); !lost.empty()) {
    pc.FrameworkMessageBox("The simulated camera's state was not saved: " + lost,
                           MB_OK | MB_ICONERROR);
    return kFailed;
  }
  return 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  ui::Win32SystemServices pc;
  try {
    const std::vector<std::string> args(__argv + (__argc > 0 ? 1 : 0), __argv + __argc);
    const app::ParsedCommandLine parsed = app::ParseCommandLine(args);
    if (!parsed.options) {
      pc.FrameworkMessageBox(parsed.error + "\n\n" + app::Usage(), MB_OK | MB_ICONERROR);
      return kBadOptions;
    }
    if (parsed.options->version) return ShowVersion(pc);
    return Run(instance, *parsed.options, pc);
  } catch (const std::exception& e) {
    pc.FrameworkMessageBox(std::string("The program stopped: ") + e.what(), MB_OK | MB_ICONERROR);
  } catch (...) {
    pc.FrameworkMessageBox("The program stopped.", MB_OK | MB_ICONERROR);
  }
  return kFailed;
}
