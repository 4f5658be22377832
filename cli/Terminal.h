#pragma once
// The terminal's half of zulctl that differs between systems: win32/ and
// posix/ each define these, and the build takes one of the two.

#include <cstdio>

namespace zul::cli {

// Echo off while one line is typed at a terminal (a console on Windows);
// nothing for pipes and files. Ctrl-C while it is off puts the echo back
// before the program ends.
class EchoOff {
 public:
  explicit EchoOff(std::FILE* in);
  ~EchoOff();
  EchoOff(const EchoOff&) = delete;
  EchoOff& operator=(const EchoOff&) = delete;

  // Whether in is a terminal whose echo is off now.
  bool terminal() const { return active_; }

 private:
  bool active_ = false;
};

// From CatchStop to ReleaseStop, what asks a long run to stop no longer ends
// the program but makes StopRequested() true: SIGINT (Ctrl-C), SIGTERM (a
// service manager's stop) and SIGHUP (the terminal closing; left alone when
// ignored, as under nohup); on Windows the console's Ctrl-C, Ctrl-Break and
// closing, and the system shutting down. Windows ends the process once the
// handler of a closing console returns: that handler holds on until the
// program ends by itself, within the few seconds Windows allows.
void CatchStop();
void ReleaseStop();
bool StopRequested();
// What those requests do, for a caller that asks itself (a test where the
// system sends no console events, as Wine without a console).
void RequestStop();

}  // namespace zul::cli
