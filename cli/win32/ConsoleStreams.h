#pragma once
// zulctl writes UTF-8. A console shows bytes in its own code page (the OEM
// one), so where standard output or error is a console, their text goes as
// characters through WriteConsoleW instead; redirected, it stays UTF-8.

#include <iosfwd>
#include <memory>

namespace zul::cli {

class ConsoleStreams {
 public:
  // Puts out and err on the console where their standard handles are one.
  ConsoleStreams(std::ostream& out, std::ostream& err);
  // Writes out what is left and gives the streams their own buffers back.
  ~ConsoleStreams();
  ConsoleStreams(const ConsoleStreams&) = delete;
  ConsoleStreams& operator=(const ConsoleStreams&) = delete;

 private:
  struct Redirect;
  std::unique_ptr<Redirect> out_, err_;
};

}  // namespace zul::cli
