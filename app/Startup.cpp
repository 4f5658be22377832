#include "app/Startup.h"

#include <cerrno>
#include <cstring>

#include "devicelink/RunFiles.h"

namespace zul::app {

std::string PrepareStartup(const Options& options, StartupParts& parts) {
  // Every file the window reads or writes, those read first.
  const RunFile files[] = {{"scenario", options.scenarioFile},
                           {"state", options.stateFile},
                           {"trace", options.traceFile},
                           {"audit", options.auditFile}};
  if (const FileClash clash = RunFileClash(files)) {
    return std::string("The ") + clash.role + " file cannot be used.\n" + clash.message;
  }
  if (options.simulate) {
    std::string error;
    if (!parts.simulation.Open(options.scenarioFile, options.stateFile, error)) {
      return "The simulation was not started.\n" + error;
    }
  }
  if (!options.traceFile.empty()) {
    errno = 0;
    auto trace = std::make_unique<TraceLog>(options.traceFile);
    if (!trace->IsOpen()) {
      const int error = errno;
      return "The trace file cannot be opened: " + options.traceFile +
             (error ? std::string(" (") + std::strerror(error) + ")" : std::string());
    }
    parts.trace = std::move(trace);
  }
  if (!options.auditFile.empty()) {
    std::string error;
    auto audit = std::make_unique<AuditLog>(options.auditFile, "ZUL_PC_TOOL");
    if (!audit->Open(error)) return "The audit file cannot be used.\n" + error;
    parts.audit = std::move(audit);
  }
  return {};
}

}  // namespace zul::app
