#pragma once
// zulctl as a whole: the command line, the drives it talks to (simulated or
// the PC's), the trace, the passwords, and the command.

#include <cstdio>
#include <ostream>

namespace zul::cli {

// Runs zulctl; passwords come from in (one a line), results go to out, faults
// to err. Returns the exit status (ExitCode.h).
int RunZulctl(int argc, const char* const* argv, std::FILE* in, std::ostream& out,
              std::ostream& err);

}  // namespace zul::cli
