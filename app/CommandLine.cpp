#include "CommandLine.h"

namespace zul::app {

namespace {

ParsedCommandLine Fail(std::string error) {
  return {std::nullopt, std::move(error)};
}

}  // namespace

std::string Usage() {
  return "Usage: ZUL_PC_TOOL [--simulate[=FILE]] [--trace FILE]";
}

ParsedCommandLine ParseCommandLine(std::span<const std::string> args) {
  Options o;
  bool traced = false;
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--simulate" || a.starts_with("--simulate=")) {
      if (o.simulate) return Fail("--simulate is given more than once.");
      o.simulate = true;
      if (a.size() > 10) {
        o.scenarioFile = a.substr(11);
        if (o.scenarioFile.empty()) return Fail("--simulate= needs a scenario file name.");
      }
    } else if (a == "--trace" || a.starts_with("--trace=")) {
      if (traced) return Fail("--trace is given more than once.");
      traced = true;
      if (a == "--trace") {
        // A following option is not taken for a file name.
        if (i + 1 == args.size() || args[i + 1].starts_with("--"))
          return Fail("--trace needs a file name.");
        o.traceFile = args[++i];
      } else {
        o.traceFile = a.substr(8);
      }
      if (o.traceFile.empty()) return Fail("--trace needs a file name.");
    } else if (a.starts_with("-")) {
      return Fail("Unknown option: " + a);
    } else {
      return Fail("Unexpected argument: " + a + " (a scenario is given as --simulate=FILE)");
    }
  }
  return {o, {}};
}

}  // namespace zul::app
