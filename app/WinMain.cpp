// The program's entry point: reads the options and hands the Windows parts
// (windows, PC services, drives) to the program, which shows the main window
// until it is closed. With no options the program looks at the PC's own
// drives and nothing else changes.

#include <fcntl.h>
#include <io.h>

#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>

#include "ZulVersion.h"
#include "app/CommandLine.h"
#include "app/Program.h"
#include "devicelink/win32/Win32VolumePort.h"
#include "platform/win32/WideText.h"
#include "ui/framework/win32/SystemHeaders.h"
#include "ui/framework/win32/Win32SystemServices.h"
#include "ui/framework/win32/Win32WindowSystem.h"

using namespace zul;

// --version: on the standard output when the program has one (a console, a
// pipe or a file it was started with), else in a message box.
static int ShowVersion(ui::Win32SystemServices& pc) {
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

namespace {

// Where a simulation says what it would have run: standard error, or for a
// window program started from a console's shell, which gets none, that
// console; nowhere when there is neither.
std::FILE* SimulationReport() {
  const HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
  if (err && err != INVALID_HANDLE_VALUE && GetFileType(err) != FILE_TYPE_UNKNOWN) return stderr;
  // Windows attaches a window program to no console; Wine to its parent's.
  if (!AttachConsole(ATTACH_PARENT_PROCESS) && GetLastError() != ERROR_ACCESS_DENIED) {
    return nullptr;
  }
  const HANDLE console =
      CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                  nullptr, OPEN_EXISTING, 0, nullptr);
  if (console == INVALID_HANDLE_VALUE) return nullptr;
  const int fd = _open_osfhandle(reinterpret_cast<std::intptr_t>(console), _O_TEXT);
  if (fd < 0) {
    CloseHandle(console);
    return nullptr;
  }
  std::FILE* report = _fdopen(fd, "w");
  if (!report) _close(fd);
  return report;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  ui::Win32SystemServices pc;
  try {
    // File names travel as UTF-8, taken from the UTF-16 command line: the
    // ANSI one has lost whatever the PC's code page cannot hold.
    const app::ParsedCommandLine parsed = app::ParseCommandLine(platform::Utf8Arguments());
    if (!parsed.options) {
      pc.FrameworkMessageBox(parsed.error + "\n\n" + app::Usage(), MB_OK | MB_ICONERROR);
      return app::kExitBadOptions;
    }
    if (parsed.options->version) return ShowVersion(pc);
    std::FILE* report = parsed.options->simulate ? SimulationReport() : nullptr;
    ui::Win32WindowSystem windows(instance);
    Win32VolumePort pcDrives;
    return app::RunProgram(*parsed.options, {windows, pc, pcDrives, report});
  } catch (const std::exception& e) {
    pc.FrameworkMessageBox(std::string("The program stopped: ") + e.what(), MB_OK | MB_ICONERROR);
  } catch (...) {
    pc.FrameworkMessageBox("The program stopped.", MB_OK | MB_ICONERROR);
  }
  return app::kExitFailed;
}
