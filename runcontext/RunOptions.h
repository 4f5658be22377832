#pragma once
// The options every program of the tool shares: where its drives come from
// (a simulation, carried on in a state file, or the system's), the trace and
// the audit file. Read by SharedOptions, put to work by RunContext.

#include <string>

namespace zul::run {

struct RunOptions {
  bool simulate = false;     // simulated drives instead of the system's
  std::string scenarioPath;  // with simulate: the scenario; empty for the default one
  std::string statePath;     // with simulate: where the drives live on between runs; empty: none
  std::string tracePath;     // empty: no trace
  std::string auditPath;     // empty: no audit file
};

}  // namespace zul::run
