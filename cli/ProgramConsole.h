#pragma once
// zulctl's arguments and console as the system has them: the arguments as
// UTF-8 (on Windows taken from the UTF-16 command line, as the ANSI one has
// lost whatever the PC's code page cannot hold), and standard output and
// error set up to show UTF-8 for as long as the object lives.

#include <iosfwd>
#include <memory>
#include <string>
#include <vector>

namespace zul::cli {

class ProgramConsole {
 public:
  ProgramConsole(int argc, char** argv, std::ostream& out, std::ostream& err);
  ProgramConsole(const ProgramConsole&) = delete;
  ProgramConsole& operator=(const ProgramConsole&) = delete;

  int Count() const { return static_cast<int>(argv_.size()) - 1; }
  const char* const* Arguments() const { return argv_.data(); }

 private:
  std::vector<std::string> args_;
  std::vector<const char*> argv_;  // args_, then nullptr
  std::shared_ptr<void> console_;  // what the system keeps for the console, if anything
};

}  // namespace zul::cli
