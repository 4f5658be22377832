#include "StateFile.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>

#include "FileText.h"
#include "Scenario.h"
#include "Sha256.h"

namespace zul::sim {
namespace {

using Json = nlohmann::ordered_json;
constexpr char kFingerprintKey[] = "scenarioSha256";

}  // namespace

std::string ScenarioFingerprint(std::string_view scenarioText) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  for (std::uint8_t b : Sha256(scenarioText)) hex += {digits[b >> 4], digits[b & 15]};
  return hex;
}

StateFile::Load StateFile::LoadInto(SimulatedDrives& drives, std::string& error) const {
  std::error_code ec;
  if (!std::filesystem::exists(path_, ec) && !ec) return Load::Absent;
  std::string text;
  if (!ReadFileText(path_, text)) {
    error = path_ + ": cannot be read";
    return Load::Refused;
  }
  Json root;
  try {
    root = Json::parse(text);
  } catch (const Json::parse_error& e) {
    error = path_ + ": not a saved state (not valid JSON at byte " + std::to_string(e.byte) + ")";
    return Load::Refused;
  }
  if (!root.is_object() || !root.contains(kFingerprintKey) || !root[kFingerprintKey].is_string()) {
    error = path_ + ": not a saved state (no " + kFingerprintKey + ")";
    return Load::Refused;
  }
  if (root[kFingerprintKey].get<std::string>() != fingerprint_) {
    error = path_ +
            ": saved from another scenario; give the scenario it was saved with, or remove "
            "the file to start afresh";
    return Load::Refused;
  }
  root.erase(kFingerprintKey);
  return FromJson(root.dump(), path_, drives, error) ? Load::Loaded : Load::Refused;
}

bool StateFile::Save(const SimulatedDrives& drives, std::string& error) const {
  Json state = Json::parse(ToJson(drives));
  Json file;
  file[kFingerprintKey] = fingerprint_;
  file["drives"] = std::move(state["drives"]);
  return WriteFileReplacing(path_, file.dump(2) + "\n", error);
}

StateSavingPort::StateSavingPort(SimulatedDrives& drives, StateFile file)
    : drives_(drives), file_(std::move(file)), saved_(ToJson(drives)) {}

VolumeHandle StateSavingPort::OpenVolume(const char* devicePath) {
  VolumeHandle h = drives_.OpenVolume(devicePath);
  SaveIfChanged();
  return h;
}

bool StateSavingPort::PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                                  std::uint32_t outSize) {
  const bool ok = drives_.PassThrough(handle, buffer, inSize, outSize);
  SaveIfChanged();
  return ok;
}

void StateSavingPort::CloseVolume(VolumeHandle handle) {
  drives_.CloseVolume(handle);
}

void StateSavingPort::SaveIfChanged() {
  std::string now = ToJson(drives_);
  if (now == saved_) return;
  std::string error;
  if (!file_.Save(drives_, error)) {
    if (saveError_.empty()) saveError_ = error;
    return;  // tried again after the next change
  }
  saved_ = std::move(now);
}

}  // namespace zul::sim
