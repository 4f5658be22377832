#include "WatchStop.h"

#include <cerrno>
#include <csignal>

#if defined(_WIN32)
// clang-format off
#include <windows.h>
#include <io.h>
// clang-format on
#else
#include <unistd.h>
#endif

namespace zul::cli {
namespace {

// Set from a signal handler (or the console's handler thread): lock-free.
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

#if defined(_WIN32)

BOOL WINAPI OnConsoleControl(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  interrupted = true;
  return TRUE;
}

// Straight from the handle, past the C runtime, whose lock on the stream
// would hold the program's exit while this thread waits in it.
void ReadToEnd(std::FILE* in) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(in)));
  char chunk[256];
  DWORD n = 0;
  while (handle != INVALID_HANDLE_VALUE && ReadFile(handle, chunk, sizeof chunk, &n, nullptr) &&
         n > 0) {
  }
}

#else

struct sigaction previous;

void OnInterrupt(int) {
  interrupted = true;
}

void ReadToEnd(std::FILE* in) {
  const int fd = fileno(in);
  char chunk[256];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n == 0 || (n < 0 && errno != EINTR)) return;
  }
}

#endif

}  // namespace

WatchStop::WatchStop(std::FILE* in) {
  interrupted = false;
#if defined(_WIN32)
  SetConsoleCtrlHandler(&OnConsoleControl, TRUE);
#else
  struct sigaction action {};
  action.sa_handler = &OnInterrupt;
  // Calls that may be restarted are (the state file's lock among them); a
  // wait on the notices returns early and the watch sees the flag.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previous);
#endif
  reader_ = std::thread([ended = inputEnded_, in] {
    ReadToEnd(in);
    *ended = true;
  });
}

WatchStop::~WatchStop() {
#if defined(_WIN32)
  SetConsoleCtrlHandler(&OnConsoleControl, FALSE);
#else
  sigaction(SIGINT, &previous, nullptr);
#endif
  if (*inputEnded_) {
    reader_.join();
  } else {
    reader_.detach();
  }
}

bool WatchStop::Requested() const {
  return interrupted || *inputEnded_;
}

}  // namespace zul::cli
