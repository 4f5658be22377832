#include "cli/ProgramConsole.h"

namespace zul::cli {

// The arguments are UTF-8 already, and so is the terminal.
ProgramConsole::ProgramConsole(int argc, char** argv, std::ostream&, std::ostream&)
    : args_(argv, argv + argc) {
  for (const std::string& a : args_) argv_.push_back(a.c_str());
  argv_.push_back(nullptr);
}

}  // namespace zul::cli
