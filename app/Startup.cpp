#include "Startup.h"

#include <cerrno>
#include <cstring>

namespace zul::app {

std::string PrepareStartup(const Options& options, StartupParts& parts) {
  if (const std::string clash =
          TraceFileClash(options.traceFile, options.scenarioFile, options.stateFile);
      !clash.empty()) {
    return "The trace file cannot be used.\n" + clash;
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
    std::string error = AuditFileClash(options.auditFile, options.scenarioFile, options.stateFile,
                                       options.traceFile);
    auto audit = std::make_unique<AuditLog>(options.auditFile, "ZUL_PC_TOOL");
    if (error.empty()) audit->Open(error);  // error says why not
    if (!error.empty()) return "The audit file cannot be used.\n" + error;
    parts.audit = std::move(audit);
  }
  return {};
}

}  // namespace zul::app
