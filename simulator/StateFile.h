#pragma once
// Simulated drives that outlive one run of a program: their state (camera
// texts, password digests, wrong-attempt counts, settings, logins, request
// counters) is kept in a file, loaded at the start and saved after every
// change, so that a sequence of runs meets one camera that stays plugged in.
//
// The file is a scenario with one key more, "scenarioSha256": the fingerprint
// of the scenario text the state grew from. A state is only ever carried on
// from the scenario it belongs to.

#include <string>
#include <string_view>

#include "DevicePort.h"
#include "SimulatedDrives.h"

namespace zul::sim {

// SHA-256 of a scenario's text, in 64 lower-case hexadecimal digits.
std::string ScenarioFingerprint(std::string_view scenarioText);

class StateFile {
 public:
  StateFile(std::string path, std::string fingerprint)
      : path_(std::move(path)), fingerprint_(std::move(fingerprint)) {}

  enum class Load { Loaded, Absent, Refused };

  // Replaces the drives by the saved state when the file exists and is sound.
  // Absent: there is no file; the drives are left alone. Refused: the file
  // cannot be read, is not a saved state, or belongs to another scenario; the
  // drives are left alone and error says why.
  Load LoadInto(SimulatedDrives& drives, std::string& error) const;

  // Writes the drives' state: to path + ".tmp" first, then renamed over path.
  bool Save(const SimulatedDrives& drives, std::string& error) const;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string fingerprint_;
};

// A device port over simulated drives that saves their state after every
// request that changed it. A failed save does not fail the request (the
// simulated camera did answer); the first failure is kept for the program to
// report.
class StateSavingPort final : public DevicePort {
 public:
  StateSavingPort(SimulatedDrives& drives, StateFile file);

  std::vector<DeviceCandidate> Candidates() override { return drives_.Candidates(); }
  VolumeHandle OpenVolume(const char* devicePath) override;
  bool PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                   std::uint32_t outSize) override;
  void CloseVolume(VolumeHandle handle) override;

  // The message of the first save that failed, or empty.
  const std::string& SaveError() const { return saveError_; }

 private:
  void SaveIfChanged();

  SimulatedDrives& drives_;
  StateFile file_;
  std::string saved_;  // the state as last saved (or loaded)
  std::string saveError_;
};

}  // namespace zul::sim
