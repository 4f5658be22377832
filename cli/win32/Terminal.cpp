// clang-format off
#include <windows.h>
#include <io.h>
// clang-format on

#include "cli/Terminal.h"

#include <atomic>

namespace zul::cli {
namespace {

HANDLE consoleIn = INVALID_HANDLE_VALUE;
DWORD consoleMode = 0;

BOOL WINAPI RestoreOnBreak(DWORD) {
  SetConsoleMode(consoleIn, consoleMode);
  return FALSE;  // and let the default handler end the process
}

// Set from the console's handler thread: lock-free.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

BOOL WINAPI OnConsoleControl(DWORD event) {
  switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
      stopRequested = true;
      return TRUE;
    case CTRL_CLOSE_EVENT:
    case CTRL_SHUTDOWN_EVENT:
      // Windows ends the process as soon as this returns: hold on, so that
      // the camera at hand is finished and the program ends with its status.
      stopRequested = true;
      Sleep(INFINITE);
      return TRUE;
    default:
      // A user logging off (any user, for a task that runs without one):
      // the default, as before.
      return FALSE;
  }
}

HANDLE HandleOf(std::FILE* in) {
  return reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(in)));
}

}  // namespace

EchoOff::EchoOff(std::FILE* in) {
  const HANDLE h = HandleOf(in);
  DWORD mode = 0;
  if (h == INVALID_HANDLE_VALUE || !GetConsoleMode(h, &mode)) return;
  consoleIn = h;
  consoleMode = mode;
  SetConsoleCtrlHandler(RestoreOnBreak, TRUE);
  active_ = SetConsoleMode(h, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
}

EchoOff::~EchoOff() {
  if (!active_) return;
  SetConsoleMode(consoleIn, consoleMode);
  SetConsoleCtrlHandler(RestoreOnBreak, FALSE);
}

void CatchStop() {
  stopRequested = false;
  SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
}

void ReleaseStop() {
  SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
}

bool StopRequested() {
  return stopRequested;
}

void RequestStop() {
  stopRequested = true;
}

}  // namespace zul::cli
