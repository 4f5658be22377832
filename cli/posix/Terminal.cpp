#include "cli/Terminal.h"

#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <iterator>

namespace zul::cli {
namespace {

constexpr int kEndingSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT};

int terminalFd = -1;
termios terminalMode;
void (*previousHandlers[std::size(kEndingSignals)])(int) = {};

extern "C" void RestoreOnSignal(int signal) {
  tcsetattr(terminalFd, TCSANOW, &terminalMode);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

// Set from a signal handler: lock-free.
std::atomic<bool> stopRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free);

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};
struct sigaction previousStop[std::size(kStopSignals)];

void OnStop(int) {
  stopRequested = true;
}

}  // namespace

EchoOff::EchoOff(std::FILE* in) {
  const int fd = fileno(in);
  termios mode;
  if (!isatty(fd) || tcgetattr(fd, &mode) != 0) return;
  terminalFd = fd;
  terminalMode = mode;
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
    previousHandlers[i] = std::signal(kEndingSignals[i], RestoreOnSignal);
  mode.c_lflag &= ~static_cast<tcflag_t>(ECHO);
  active_ = tcsetattr(fd, TCSAFLUSH, &mode) == 0;
}

EchoOff::~EchoOff() {
  if (terminalFd < 0) return;
  tcsetattr(terminalFd, TCSAFLUSH, &terminalMode);
  for (std::size_t i = 0; i < std::size(kEndingSignals); ++i)
    std::signal(kEndingSignals[i], previousHandlers[i]);
  terminalFd = -1;
}

void CatchStop() {
  stopRequested = false;
  struct sigaction action {};
  action.sa_handler = &OnStop;
  // Calls that may be restarted are (the state file's lock among them); a
  // wait on the notices returns early and the watch sees the flag.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  for (std::size_t i = 0; i < std::size(kStopSignals); ++i) {
    sigaction(kStopSignals[i], nullptr, &previousStop[i]);
    // An ignored hang-up (nohup) stays ignored.
    if (kStopSignals[i] == SIGHUP && previousStop[i].sa_handler == SIG_IGN) continue;
    sigaction(kStopSignals[i], &action, nullptr);
  }
}

void ReleaseStop() {
  for (std::size_t i = 0; i < std::size(kStopSignals); ++i)
    sigaction(kStopSignals[i], &previousStop[i], nullptr);
}

bool StopRequested() {
  return stopRequested;
}

void RequestStop() {
  stopRequested = true;
}

}  // namespace zul::cli
