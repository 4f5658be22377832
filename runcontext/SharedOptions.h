#pragma once
// The shared options (RunOptions) on a program's CLI11 command line, defined
// once for the window, zulctl and camera-gadget. Each program keeps its own
// words for what is wrong, so the grammar says how the values are read and
// who names the faults.

#include <CLI/CLI.hpp>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>

#include "runcontext/RunOptions.h"

namespace zul::run {

enum class Grammar {
  // The window: --simulate takes its file only after "=", a value may follow
  // the other options as the next word but never an option; each option at
  // most once. Take() names the faults.
  Window,
  // zulctl: CLI11's reading (--simulate[=FILE], a value as the next word),
  // with help texts; CLI11 names the faults, --state needs --simulate.
  Zulctl,
  // camera-gadget: --simulate FILE and --state FILE, the last one given
  // counts; it always simulates (the default scenario without --simulate).
  Gadget,
};

class SharedOptions {
 public:
  // Adds the options to app, read into options: --simulate and --state, and
  // for the window and zulctl --trace and --audit.
  SharedOptions(CLI::App& app, RunOptions& options, Grammar grammar);

  // CLI11 reads "--trace=" as "--trace" alone, which would take the next word
  // (or, for --simulate, the default scenario) in place of the missing name.
  // The first word among args that is one of the shared options, or of more,
  // with "=" and nothing after it: the option's name ("--trace"); empty when
  // there is none. zulctl looks no further than "--".
  std::string EmptyValue(std::span<const std::string> args,
                         std::initializer_list<std::string_view> more = {}) const;

  // After the parse: completes the options; for the window, what is wrong
  // with them in its words (empty when nothing is).
  std::string Take();

 private:
  RunOptions& options_;
  Grammar grammar_;
  CLI::Option* simulate_ = nullptr;
  CLI::Option* state_ = nullptr;
  CLI::Option* trace_ = nullptr;
  CLI::Option* audit_ = nullptr;
};

}  // namespace zul::run
