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

// From CatchInterrupt to ReleaseInterrupt, Ctrl-C (SIGINT; on Windows the
// console's Ctrl-C or Ctrl-Break) no longer ends the program but makes
// Interrupted() true.
void CatchInterrupt();
void ReleaseInterrupt();
bool Interrupted();

// Reads in to its end past stdio, passing over what it holds, and returns.
void ReadToEnd(std::FILE* in);

}  // namespace zul::cli
