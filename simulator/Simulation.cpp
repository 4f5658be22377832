#include "simulator/Simulation.h"

#include "devicelink/RunFiles.h"
#include "platform/FileText.h"
#include "simulator/Scenario.h"

namespace zul::sim {

bool Simulation::Open(const std::string& scenarioPath, const std::string& statePath,
                      std::string& error) {
  std::string text = DefaultScenarioText();
  ScenarioResult scenario{DefaultScenario(), {}};
  if (!scenarioPath.empty()) {
    if (!platform::ReadFileText(scenarioPath, text)) {
      error = scenarioPath + ": cannot be read";
      return false;
    }
    scenario = ParseScenario(text, scenarioPath);
    if (!scenario) {
      error = scenario.error;
      return false;
    }
  }
  // The programs check all their files at once before; this guards every
  // other user of the simulation (the gadget) with the same check.
  const RunFile files[] = {{"scenario", scenarioPath}, {"state", statePath}};
  if (const FileClash clash = RunFileClash(files)) {
    error = clash.message;
    return false;
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
