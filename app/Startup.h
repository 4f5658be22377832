#pragma once
// What the options ask the program to prepare before its window opens: the
// simulated drives of a scenario (carried on in a state file when one is
// named), and the trace log.

#include <memory>
#include <string>

#include "app/CommandLine.h"
#include "audit/AuditLog.h"
#include "devicelink/TraceLog.h"
#include "simulator/Simulation.h"

namespace zul::app {

struct StartupParts {
  sim::Simulation simulation;       // opened only when simulating
  std::unique_ptr<TraceLog> trace;  // open, or none when no trace was asked for
  std::unique_ptr<AuditLog> audit;  // open, or none when no audit file was asked for
};

// Fills parts as options ask: with simulate, the drives of the scenario file or
// of the default scenario, loaded from and saved to the state file when one is
// named; with a trace file, the open log. Returns what is
// wrong, for the operator, or an empty text.
std::string PrepareStartup(const Options& options, StartupParts& parts);

}  // namespace zul::app
