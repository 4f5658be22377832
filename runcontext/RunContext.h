#pragma once
// The run the shared options ask for, assembled once for every program: the
// run files' clash check, the drives (a simulation, a caller's, or the
// system's), the trace over them, the audit file, and at the end whether the
// simulation's state was saved. A step that fails says which and why in a
// RunFault; each program tells the operator in its own words.

#include <optional>
#include <span>
#include <string>

#include "audit/AuditLog.h"
#include "devicelink/DevicePort.h"
#include "devicelink/RunFiles.h"
#include "devicelink/TraceLog.h"
#include "devicelink/TracingPort.h"
#include "runcontext/RunOptions.h"
#include "simulator/Simulation.h"

namespace zul::run {

struct RunFault {
  enum class Step {
    None,
    FileClash,   // role: the later file's; message: RunFileClash's
    Simulation,  // message: why the scenario or state file cannot be used
    NoDevices,   // no simulation, and this system gives no devices
    Trace,       // systemError: errno from opening the trace file, or 0
    Audit,       // message: why the audit file cannot be used
  };
  Step step = Step::None;
  std::string role;
  std::string message;
  int systemError = 0;
  explicit operator bool() const { return step != Step::None; }
};

class RunContext {
 public:
  // program: the name the audit file records ("zulctl").
  explicit RunContext(std::string program);
  RunContext(const RunContext&) = delete;
  RunContext& operator=(const RunContext&) = delete;

  // No two of the run's files may be one: the scenario, then read (files the
  // program reads besides, in its order), then the state, trace and audit.
  // Opens nothing.
  static RunFault CheckFiles(const RunOptions& options, std::span<const RunFile> read = {});

  // The drives: drives when given (a test's own), else the simulation with
  // options.simulate, else system (nullptr when this system gives none).
  RunFault OpenDevices(const RunOptions& options, DevicePort* system, DevicePort* drives = nullptr);
  // The trace over the drives, then the audit file, as options ask; after
  // OpenDevices and before anything is sent.
  RunFault OpenLogs(const RunOptions& options);
  // CheckFiles, OpenDevices, OpenLogs: the run in one step.
  RunFault Open(const RunOptions& options, DevicePort* system);

  // The drives, traced when a trace was asked for.
  DevicePort& Port() { return *port_; }
  // The system's drives are in use (no simulation, no caller's drives).
  bool OnSystemDevices() const { return onSystem_; }
  // The simulation (open only when the drives are its own).
  sim::Simulation& Simulation() { return simulation_; }
  bool Simulating() const { return simulating_; }
  TraceLog* Trace() { return trace_ ? &*trace_ : nullptr; }
  AuditLog* Audit() { return audit_ ? &*audit_ : nullptr; }
  // Why the simulated drives' state was not saved; empty when it was, or
  // there is none to save. Asked once the last request is done.
  std::string SaveError() const { return simulation_.SaveError(); }

 private:
  std::string program_;
  sim::Simulation simulation_;
  bool simulating_ = false;
  bool onSystem_ = false;
  DevicePort* port_ = nullptr;
  std::optional<TraceLog> trace_;
  std::optional<TracingPort> tracing_;
  std::optional<AuditLog> audit_;
};

}  // namespace zul::run
