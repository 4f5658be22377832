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
  return {};
}

}  // namespace zul::app
