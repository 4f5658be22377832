#include "CommandLine.h"

namespace zul::app {

namespace {

ParsedCommandLine Fail(std::string error) {
  return {std::nullopt, std::move(error)};
}

// The file name of "--name FILE" or "--name=FILE" at args[i], moving i past it.
// A following option is not taken for a file name.
bool TakeFileName(std::span<const std::string> args, std::size_t& i, const std::string& name,
                  std::string& file) {
  const std::string& a = args[i];
  if (a == name) {
    if (i + 1 == args.size() || args[i + 1].starts_with("--")) return false;
    file = args[++i];
  } else {
    file = a.substr(name.size() + 1);
  }
  return !file.empty();
}

}  // namespace

std::string Usage() {
  return "Usage: ZUL_PC_TOOL [--simulate[=FILE] [--state FILE]] [--trace FILE] | --version";
}

ParsedCommandLine ParseCommandLine(std::span<const std::string> args) {
  Options o;
  bool traced = false;
  bool stated = false;
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
      if (!TakeFileName(args, i, "--trace", o.traceFile)) return Fail("--trace needs a file name.");
    } else if (a == "--state" || a.starts_with("--state=")) {
      if (stated) return Fail("--state is given more than once.");
      stated = true;
      if (!TakeFileName(args, i, "--state", o.stateFile)) return Fail("--state needs a file name.");
    } else if (a == "--version") {
      o.version = true;
    } else if (a.starts_with("-")) {
      return Fail("Unknown option: " + a);
    } else {
      return Fail("Unexpected argument: " + a + " (a scenario is given as --simulate=FILE)");
    }
  }
  if (stated && !o.simulate) return Fail("--state goes with --simulate only.");
  return {o, {}};
}

}  // namespace zul::app
