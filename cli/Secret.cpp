#include "Secret.h"

#include "SecureWipe.h"

#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <termios.h>
#include <unistd.h>

#include <csignal>
#endif

namespace zul::cli {
namespace {

#if defined(_WIN32)

HANDLE consoleIn = INVALID_HANDLE_VALUE;
DWORD consoleMode = 0;

BOOL WINAPI RestoreOnBreak(DWORD) {
  SetConsoleMode(consoleIn, consoleMode);
  return FALSE;  // and let the default handler end the process
}

// Echo off while one line is typed at the console; nothing for pipes and files.
class EchoOff {
 public:
  explicit EchoOff(std::FILE* in) {
    HANDLE h = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(in)));
    DWORD mode = 0;
    if (h == INVALID_HANDLE_VALUE || !GetConsoleMode(h, &mode)) return;
    consoleIn = h;
    consoleMode = mode;
    SetConsoleCtrlHandler(RestoreOnBreak, TRUE);
    active_ = SetConsoleMode(h, mode & ~static_cast<DWORD>(ENABLE_ECHO_INPUT)) != 0;
  }
  ~EchoOff() {
    if (!active_) return;
    SetConsoleMode(consoleIn, consoleMode);
    SetConsoleCtrlHandler(RestoreOnBreak, FALSE);
  }
  bool terminal() const { return active_; }

 private:
  bool active_ = false;
};

#else

int terminalFd = -1;
termios terminalMode;

extern "C" void RestoreOnSignal(int signal) {
  tcsetattr(terminalFd, TCSANOW, &terminalMode);
  std::signal(signal, SIG_DFL);
  std::raise(signal);
}

class EchoOff {
 public:
  explicit EchoOff(std::FILE* in) {
    const int fd = fileno(in);
    termios mode;
    if (!isatty(fd) || tcgetattr(fd, &mode) != 0) return;
    terminalFd = fd;
    terminalMode = mode;
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT})
      previous_[Index(s)] = std::signal(s, RestoreOnSignal);
    mode.c_lflag &= ~static_cast<tcflag_t>(ECHO);
    active_ = tcsetattr(fd, TCSAFLUSH, &mode) == 0;
  }
  ~EchoOff() {
    if (terminalFd < 0) return;
    tcsetattr(terminalFd, TCSAFLUSH, &terminalMode);
    for (int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) std::signal(s, previous_[Index(s)]);
    terminalFd = -1;
  }
  bool terminal() const { return active_; }

 private:
  static int Index(int signal) {
    return signal == SIGINT ? 0 : signal == SIGTERM ? 1 : signal == SIGHUP ? 2 : 3;
  }
  void (*previous_[4])(int) = {};
  bool active_ = false;
};

#endif

}  // namespace

Secret::~Secret() {
  SecureWipe(buffer_, sizeof buffer_);
}

bool ReadSecretLine(std::FILE* in, const char* prompt, std::ostream& prompts, Secret& secret) {
  SecureWipe(secret.buffer_, sizeof secret.buffer_);
  secret.kept_ = secret.length_ = 0;
  EchoOff echoOff(in);
  if (echoOff.terminal()) prompts << prompt << std::flush;
  int c = EOF;
  bool any = false;
  bool pendingReturn = false;  // a carriage return held back until we know what follows
  while ((c = std::fgetc(in)) != EOF) {
    any = true;
    if (c == '\n') break;
    if (pendingReturn) {
      if (secret.kept_ < Secret::kKept) secret.buffer_[secret.kept_++] = '\r';
      ++secret.length_;
    }
    pendingReturn = c == '\r';
    if (pendingReturn) continue;
    if (secret.kept_ < Secret::kKept) secret.buffer_[secret.kept_++] = static_cast<char>(c);
    ++secret.length_;
  }
  if (echoOff.terminal()) prompts << "\n" << std::flush;  // the Enter that was not echoed
  return any;
}

}  // namespace zul::cli
