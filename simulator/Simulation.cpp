#include "Simulation.h"

#include <filesystem>
#include <system_error>

#include "FileText.h"
#include "Scenario.h"

namespace zul::sim {

bool Simulation::Open(const std::string& scenarioPath, const std::string& statePath,
                      std::string& error) {
  std::string text = ToJson(DefaultScenario());
  ScenarioResult scenario{DefaultScenario(), {}};
  if (!scenarioPath.empty()) {
    if (!ReadFileText(scenarioPath, text)) {
      error = scenarioPath + ": cannot be read";
      return false;
    }
    scenario = ParseScenario(text, scenarioPath);
    if (!scenario) {
      error = scenario.error;
      return false;
    }
  }
  if (!scenarioPath.empty() && !statePath.empty()) {
    std::error_code ec;
    if (std::filesystem::equivalent(scenarioPath, statePath, ec)) {
      error = statePath + ": is the scenario file; the state goes to a file of its own";
      return false;
    }
  }
  ApplyScenario(*scenario.scenario, drives_);
  saving_.reset();
  if (statePath.empty()) return true;

  StateFile file(statePath, ScenarioFingerprint(text));
  if (file.LoadInto(drives_, error) == StateFile::Load::Refused) return false;
  saving_ = std::make_unique<StateSavingPort>(drives_, std::move(file));
  return true;
}

}  // namespace zul::sim
