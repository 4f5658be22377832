#include "app/CommandLine.h"

#include <CLI/CLI.hpp>
#include <vector>

#include "runcontext/SharedOptions.h"

namespace zul::app {

namespace {

ParsedCommandLine Fail(std::string error) {
  return {std::nullopt, std::move(error)};
}

}  // namespace

std::string Usage() {
  return "Usage: ZUL_PC_TOOL [--simulate[=FILE] [--state FILE]] [--trace FILE] [--audit FILE] | "
         "--version";
}

ParsedCommandLine ParseCommandLine(std::span<const std::string> args) {
  Options o;
  CLI::App cli{"", "ZUL_PC_TOOL"};
  cli.set_help_flag();  // no --help: the program is a window
  cli.allow_extras();   // unknown words are named below, in the window's terms
  run::SharedOptions shared(cli, o, run::Grammar::Window);
  CLI::Option* version = cli.add_flag("--version");

  if (const std::string empty = shared.EmptyValue(args); !empty.empty()) {
    return Fail(empty == "--simulate" ? "--simulate= needs a scenario file name."
                                      : empty + " needs a file name.");
  }
  try {
    cli.parse(std::vector<std::string>(args.rbegin(), args.rend()));  // CLI11 takes them last first
  } catch (const CLI::ParseError& e) {
    return Fail(e.what());
  }
  if (const std::vector<std::string> extra = cli.remaining(); !extra.empty()) {
    if (extra.front().starts_with("-")) return Fail("Unknown option: " + extra.front());
    return Fail("Unexpected argument: " + extra.front() +
                " (a scenario is given as --simulate=FILE)");
  }
  if (std::string fault = shared.Take(); !fault.empty()) return Fail(std::move(fault));
  o.version = version->count() > 0;
  return {o, {}};
}

}  // namespace zul::app
