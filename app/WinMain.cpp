// The program's entry point: reads the options and hands the Windows parts
// (windows, PC services, drives) to the program, which shows the main window
// until it is closed. With no options the program looks at the PC's own
// drives and nothing else changes.

#include <cstdio>
#include <exception>
#include <string>

#include "CommandLine.h"
#include "Program.h"
#include "WinDefs.h"
#include "win32/WideText.h"
#include "win32/Win32SystemServices.h"
#include "win32/Win32VolumePort.h"
#include "win32/Win32WindowSystem.h"

using namespace zul;

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  ui::Win32SystemServices pc;
  try {
    // File names travel as UTF-8, taken from the UTF-16 command line: the
    // ANSI one has lost whatever the PC's code page cannot hold.
    const app::ParsedCommandLine parsed = app::ParseCommandLine(Utf8Arguments());
    if (!parsed.options) {
      pc.FrameworkMessageBox(parsed.error + "\n\n" + app::Usage(), MB_OK | MB_ICONERROR);
      return app::kExitBadOptions;
    }
    ui::Win32WindowSystem windows(instance);
    Win32VolumePort pcDrives;
    return app::RunProgram(*parsed.options, {windows, pc, pcDrives, stderr});
  } catch (const std::exception& e) {
    pc.FrameworkMessageBox(std::string("The program stopped: ") + e.what(), MB_OK | MB_ICONERROR);
  } catch (...) {
    pc.FrameworkMessageBox("The program stopped.", MB_OK | MB_ICONERROR);
  }
  return app::kExitFailed;
}
