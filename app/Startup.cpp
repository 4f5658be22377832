#include "Startup.h"

#include <cerrno>
#include <cstring>

#include "Scenario.h"

namespace zul::app {

std::string PrepareStartup(const Options& options, StartupParts& parts) {
  if (options.simulate) {
    sim::ScenarioResult loaded = options.scenarioFile.empty()
                                     ? sim::ScenarioResult{sim::DefaultScenario(), {}}
                                     : sim::LoadScenarioFile(options.scenarioFile);
    if (!loaded) return "The scenario was not loaded.\n" + loaded.error;
    sim::ApplyScenario(*loaded.scenario, parts.drives);
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
