// clang-format off
#include <windows.h>
#include <io.h>
// clang-format on

#include "Terminal.h"

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
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  interrupted = true;
  return TRUE;
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

void CatchInterrupt() {
  interrupted = false;
  SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
}

void ReleaseInterrupt() {
  SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
}

bool Interrupted() {
  return interrupted;
}

// Straight from the handle, past the C runtime, whose lock on the stream
// would hold the program's exit while a thread waits in it.
void ReadToEnd(std::FILE* in) {
  const HANDLE handle = HandleOf(in);
  char chunk[256];
  DWORD n = 0;
  while (handle != INVALID_HANDLE_VALUE && ReadFile(handle, chunk, sizeof chunk, &n, nullptr) &&
         n > 0) {
  }
}

}  // namespace zul::cli
