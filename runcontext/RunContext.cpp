#include "runcontext/RunContext.h"

#include <cerrno>
#include <vector>

namespace zul::run {

RunContext::RunContext(std::string program) : program_(std::move(program)) {}

RunFault RunContext::CheckFiles(const RunOptions& options, std::span<const RunFile> read) {
  // Those read first, those written after them.
  std::vector<RunFile> files{{"scenario", options.scenarioPath}};
  files.insert(files.end(), read.begin(), read.end());
  files.insert(
      files.end(),
      {{"state", options.statePath}, {"trace", options.tracePath}, {"audit", options.auditPath}});
  if (const FileClash clash = RunFileClash(files)) {
    return {RunFault::Step::FileClash, clash.role, clash.message, 0};
  }
  return {};
}

RunFault RunContext::OpenDevices(const RunOptions& options, DevicePort* system,
                                 DevicePort* drives) {
  if (drives) {
    port_ = drives;
  } else if (options.simulate) {
    std::string error;
    if (!simulation_.Open(options.scenarioPath, options.statePath, error)) {
      return {RunFault::Step::Simulation, {}, error, 0};
    }
    simulating_ = true;
    port_ = &simulation_.Port();
  } else if (system) {
    port_ = system;
    onSystem_ = true;
  } else {
    return {RunFault::Step::NoDevices, {}, {}, 0};
  }
  return {};
}

RunFault RunContext::OpenLogs(const RunOptions& options) {
  if (!options.tracePath.empty()) {
    errno = 0;
    trace_.emplace(options.tracePath);
    if (!trace_->IsOpen()) {
      const int error = errno;
      trace_.reset();
      return {RunFault::Step::Trace, {}, {}, error};
    }
    port_ = &tracing_.emplace(*port_, *trace_);
  }
  // Before anything is sent: a run that cannot leave its audit line does not start.
  if (!options.auditPath.empty()) {
    std::string error;
    if (!audit_.emplace(options.auditPath, program_).Open(error)) {
      audit_.reset();
      return {RunFault::Step::Audit, {}, error, 0};
    }
  }
  return {};
}

RunFault RunContext::Open(const RunOptions& options, DevicePort* system) {
  if (RunFault fault = CheckFiles(options)) return fault;
  if (RunFault fault = OpenDevices(options, system)) return fault;
  return OpenLogs(options);
}

}  // namespace zul::run
