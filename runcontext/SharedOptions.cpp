#include "runcontext/SharedOptions.h"

#include <vector>

namespace zul::run {
namespace {

// What a bare --simulate gives the window: its flag default. No file name is this.
constexpr char kDefaultScenario[] = "\x01";

}  // namespace

SharedOptions::SharedOptions(CLI::App& app, RunOptions& options, Grammar grammar)
    : options_(options), grammar_(grammar) {
  switch (grammar) {
    case Grammar::Window:
      // --simulate takes its file only after "=": a word after it is no scenario.
      simulate_ = app.add_flag(std::string("--simulate{") + kDefaultScenario + "}")
                      ->multi_option_policy(CLI::MultiOptionPolicy::TakeAll);
      state_ = app.add_option("--state");
      trace_ = app.add_option("--trace");
      audit_ = app.add_option("--audit");
      // A file name may follow as the next word, never an option; each once,
      // which Take() checks.
      for (CLI::Option* o : {state_, trace_, audit_}) {
        o->expected(0, 1)->allow_extra_args(false)->multi_option_policy(
            CLI::MultiOptionPolicy::TakeAll);
      }
      break;
    case Grammar::Zulctl:
      simulate_ =
          app.add_option("--simulate", options.scenarioPath,
                         "Use simulated drives instead of the PC's: the default scenario (one "
                         "camera at F:), or the scenario in FILE")
              ->expected(0, 1)
              ->type_name("[=FILE]");
      state_ = app.add_option("--state", options.statePath,
                              "Load the simulated drives from FILE when it exists and save them "
                              "back after every change, so that runs sharing FILE meet one camera "
                              "that stays plugged in")
                   ->needs(simulate_)
                   ->type_name("FILE");
      trace_ = app.add_option("--trace", options.tracePath,
                              "Write one line per device request to FILE (password characters "
                              "masked)")
                   ->type_name("FILE");
      audit_ = app.add_option("--audit", options.auditPath,
                              "Append one JSON line per change attempt to FILE (never a password)")
                   ->type_name("FILE");
      break;
    case Grammar::Gadget:
      simulate_ = app.add_option("--simulate", options.scenarioPath)
                      ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
      state_ = app.add_option("--state", options.statePath)
                   ->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
      break;
  }
}

std::string SharedOptions::EmptyValue(std::span<const std::string> args,
                                      std::initializer_list<std::string_view> more) const {
  for (const std::string& a : args) {
    if (grammar_ == Grammar::Zulctl && a == "--") break;
    if (!a.ends_with('=')) continue;
    const std::string_view name(a.data(), a.size() - 1);
    for (const CLI::Option* o : {simulate_, state_, trace_, audit_}) {
      if (o && o->get_name() == name) return std::string(name);
    }
    for (std::string_view m : more) {
      if (m == name) return std::string(name);
    }
  }
  return {};
}

std::string SharedOptions::Take() {
  switch (grammar_) {
    case Grammar::Window:
      break;
    case Grammar::Zulctl:
      options_.simulate = simulate_->count() > 0;
      return {};
    case Grammar::Gadget:
      options_.simulate = true;
      return {};
  }
  for (const CLI::Option* o : {simulate_, trace_, state_, audit_}) {
    if (o->count() > 1) return o->get_name() + " is given more than once.";
  }
  for (const CLI::Option* o : {trace_, state_, audit_}) {
    if (o->count() == 1 && o->results().front().empty()) {
      return o->get_name() + " needs a file name.";
    }
  }
  options_.simulate = simulate_->count() == 1;
  if (options_.simulate && simulate_->results().front() != kDefaultScenario) {
    options_.scenarioPath = simulate_->results().front();
  }
  for (auto [o, path] :
       {std::pair{trace_, &options_.tracePath}, std::pair{state_, &options_.statePath},
        std::pair{audit_, &options_.auditPath}}) {
    if (o->count() == 1) *path = o->results().front();
  }
  if (state_->count() && !options_.simulate) return "--state goes with --simulate only.";
  return {};
}

}  // namespace zul::run
