#pragma once
// The program's options. With none, it looks at the PC's own drives, exactly
// as before; the options only add to that.

#include <optional>
#include <span>
#include <string>

#include "runcontext/RunOptions.h"

namespace zul::app {

// The shared options (simulation, state, trace, audit), and the window's own.
struct Options : run::RunOptions {
  bool version = false;  // --version: say the program's version and stop
};

struct ParsedCommandLine {
  std::optional<Options> options;  // nothing when the command line is wrong
  std::string error;               // then: what is wrong, for the operator
};

// args: the arguments after the program name.
//   --simulate  --simulate=FILE  --state FILE  --state=FILE  --trace FILE  --trace=FILE
//   --audit FILE  --audit=FILE
//   --version
// --state only goes with --simulate.
ParsedCommandLine ParseCommandLine(std::span<const std::string> args);

// One line on how to call the program.
std::string Usage();

}  // namespace zul::app
