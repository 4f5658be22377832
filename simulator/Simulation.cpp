#include "Simulation.h"

#include <filesystem>
#include <system_error>

#include "FilePath.h"
#include "FileText.h"
#include "Scenario.h"

namespace zul::sim {

bool Simulation::Open(const std::string& scenarioPath, const std::string& statePath,
                      std::string& error) {
  std::string text = DefaultScenarioText();
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
    if (std::filesystem::equivalent(PathFromUtf8(scenarioPath), PathFromUtf8(statePath), ec)) {
      error = statePath + ": is the scenario file; the state goes to a file of its own";
      return false;
    }
  }
  saving_.reset();
  ApplyScenario(*scenario.scenario, drives_);
  if (statePath.empty()) return true;

  saving_ =
      std::make_unique<StateSavingPort>(drives_, StateFile(statePath, ScenarioFingerprint(text)));
  if (saving_->Load(error)) return true;
  saving_.reset();
  return false;
}

}  // namespace zul::sim
