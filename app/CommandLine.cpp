#include "app/CommandLine.h"

#include <CLI/CLI.hpp>
#include <vector>

namespace zul::app {

namespace {

ParsedCommandLine Fail(std::string error) {
  return {std::nullopt, std::move(error)};
}

// What a bare --simulate gives: its flag default. No file name is this.
constexpr char kDefaultScenario[] = "\x01";

}  // namespace

std::string Usage() {
  return "Usage: ZUL_PC_TOOL [--simulate[=FILE] [--state FILE]] [--trace FILE] [--audit FILE] | "
         "--version";
}

ParsedCommandLine ParseCommandLine(std::span<const std::string> args) {
  // CLI11 reads "--trace=" as "--trace" alone; the window refuses it by name.
  for (const std::string& a : args) {
    if (a == "--simulate=") return Fail("--simulate= needs a scenario file name.");
    if (a == "--trace=") return Fail("--trace needs a file name.");
    if (a == "--state=") return Fail("--state needs a file name.");
    if (a == "--audit=") return Fail("--audit needs a file name.");
  }

  CLI::App cli{"", "ZUL_PC_TOOL"};
  cli.set_help_flag();  // no --help: the program is a window
  cli.allow_extras();   // unknown words are named below, in the window's terms
  // --simulate takes its file only after "=": a word after it is no scenario.
  CLI::Option* simulate = cli.add_flag(std::string("--simulate{") + kDefaultScenario + "}")
                              ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
  // A file name may follow as the next word, never an option.
  std::vector<std::string> traces, states, audits;
  CLI::Option* trace = cli.add_option("--trace", traces);
  CLI::Option* state = cli.add_option("--state", states);
  CLI::Option* audit = cli.add_option("--audit", audits);
  CLI::Option* version = cli.add_flag("--version");
  for (CLI::Option* o : {trace, state, audit}) {
    o->expected(0, 1)->allow_extra_args(false)->multi_option_policy(
        CLI::MultiOptionPolicy::TakeAll);
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
  for (const CLI::Option* o : {simulate, trace, state, audit}) {
    if (o->count() > 1) return Fail(o->get_name() + " is given more than once.");
  }
  for (const CLI::Option* o : {trace, state, audit}) {
    if (o->count() == 1 && o->results().front().empty()) {
      return Fail(o->get_name() + " needs a file name.");
    }
  }
  Options o;
  o.version = version->count() > 0;
  o.simulate = simulate->count() == 1;
  if (o.simulate && simulate->results().front() != kDefaultScenario) {
    o.scenarioFile = simulate->results().front();
  }
  if (!traces.empty()) o.traceFile = traces.front();
  if (!states.empty()) o.stateFile = states.front();
  if (!audits.empty()) o.auditFile = audits.front();
  if (state->count() && !o.simulate) return Fail("--state goes with --simulate only.");
  return {o, {}};
}

}  // namespace zul::app
