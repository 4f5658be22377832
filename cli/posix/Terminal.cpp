#include "Terminal.h"

#include <termios.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
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
std::atomic<bool> interrupted{false};
static_assert(std::atomic<bool>::is_always_lock_free);

struct sigaction previousInterrupt;

void OnInterrupt(int) {
  interrupted = true;
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

void CatchInterrupt() {
  interrupted = false;
  struct sigaction action {};
  action.sa_handler = &OnInterrupt;
  // Calls that may be restarted are (the state file's lock among them); a
  // wait on the notices returns early and the watch sees the flag.
  action.sa_flags = SA_RESTART;
  sigemptyset(&action.sa_mask);
  sigaction(SIGINT, &action, &previousInterrupt);
}

void ReleaseInterrupt() {
  sigaction(SIGINT, &previousInterrupt, nullptr);
}

bool Interrupted() {
  return interrupted;
}

void ReadToEnd(std::FILE* in) {
  const int fd = fileno(in);
  char chunk[256];
  for (;;) {
    const ssize_t n = read(fd, chunk, sizeof chunk);
    if (n == 0 || (n < 0 && errno != EINTR)) return;
  }
}

}  // namespace zul::cli
