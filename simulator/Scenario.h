#pragma once
// Scenarios: which simulated drive sits at which letter, what each camera
// keeps and which requests fail. Read from JSON (keys and defaults in
// docs/scenarios.md) and written back the same way, so that a set of drives,
// counters and camera states included, can be saved and restored between runs.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "simulator/CameraState.h"
#include "simulator/SimulatedCamera.h"
#include "simulator/SimulatedDrives.h"

namespace zul::sim {

struct DriveSpec {
  char letter = 'D';
  DriveType type = DriveType::Disk;
  AnswerForm answer = AnswerForm::AA55;  // cameras only
  CameraState camera;                    // cameras only
  FaultPlan faults;
  std::uint64_t requests = 0;  // requests the drive has already seen
  bool unplugged = false;      // failFrom was reached: it no longer opens

  bool operator==(const DriveSpec&) const = default;
};

struct Scenario {
  std::vector<DriveSpec> drives;  // each letter at most once

  bool operator==(const Scenario&) const = default;
};

// A scenario, or one message that names the file and the key at fault.
struct ScenarioResult {
  std::optional<Scenario> scenario;
  std::string error;
  explicit operator bool() const { return scenario.has_value(); }
};

// Reads a scenario from JSON text; sourceName names it in messages.
ScenarioResult ParseScenario(std::string_view text, std::string_view sourceName);
ScenarioResult LoadScenarioFile(const std::string& path);

// Replaces every drive in drives by the scenario's. Cannot fail: a scenario
// that was read is complete.
void ApplyScenario(const Scenario& scenario, SimulatedDrives& drives);

// Brings drives to the scenario's state as a camera that stays plugged in sees
// it: a drive of the same type at the same letter is updated where it stands,
// so its open handles and its camera's connection (a text half sent) go on;
// the other drives are pulled out or plugged in as ApplyScenario does.
void UpdateDrives(const Scenario& scenario, SimulatedDrives& drives);

// The drives as they stand: camera states, request counters, faults.
Scenario CaptureScenario(const SimulatedDrives& drives);

// One camera at F: with user password "1234", administrator password "888888",
// reference texts, hint, firmware and serial number. Its text is the one its
// saved states are fingerprinted with; its passwords get fresh salts on every
// call.
const std::string& DefaultScenarioText();
Scenario DefaultScenario();

// JSON text in the scenario format. Passwords are written as SHA-256 digests
// ("passwordSha256", "adminPasswordSha256"), never in clear.
std::string ToJson(const Scenario& scenario);
std::string ToJson(const SimulatedDrives& drives);
// A camera's state alone: the camera keys of a drive.
std::string ToJson(const CameraState& state);

// Read JSON text and, only when all of it is sound, replace the target with
// it. Otherwise returns false with the message in error; the target is left
// as it was.
bool FromJson(std::string_view text, std::string_view sourceName, SimulatedDrives& drives,
              std::string& error);
bool FromJson(std::string_view text, std::string_view sourceName, CameraState& state,
              std::string& error);

}  // namespace zul::sim
