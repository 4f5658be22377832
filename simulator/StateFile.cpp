#include "simulator/StateFile.h"

#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>

#include "platform/FilePath.h"
#include "platform/FileText.h"
#include "simulator/Sha256.h"

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

StateFile::Load StateFile::ReadText(std::string& text, std::string& error) const {
  std::error_code ec;
  if (!std::filesystem::exists(platform::PathFromUtf8(path_), ec) && !ec) return Load::Absent;
  if (!platform::ReadFileText(path_, text)) {
    error = path_ + ": cannot be read";
    return Load::Refused;
  }
  return Load::Loaded;
}

bool StateFile::Parse(const std::string& text, Scenario& drives, std::string& error) const {
  Json root;
  try {
    root = Json::parse(text);
  } catch (const Json::exception& e) {
    const auto* parse = dynamic_cast<const Json::parse_error*>(&e);
    error = path_ + ": not a saved state (not valid JSON" +
            (parse ? " at byte " + std::to_string(parse->byte) : std::string()) + ")";
    return false;
  }
  if (!root.is_object() || !root.contains(kFingerprintKey) || !root[kFingerprintKey].is_string()) {
    error = path_ + ": not a saved state (no " + kFingerprintKey + ")";
    return false;
  }
  if (root[kFingerprintKey].get<std::string>() != fingerprint_) {
    error = path_ +
            ": saved from another scenario; give the scenario it was saved with, or remove "
            "the file to start afresh";
    return false;
  }
  root.erase(kFingerprintKey);
  ScenarioResult r = ParseScenario(root.dump(), path_);
  if (!r) {
    error = r.error;
    return false;
  }
  drives = std::move(*r.scenario);
  return true;
}

std::string StateFile::Compose(const std::string& drivesJson) const {
  Json state = Json::parse(drivesJson);
  Json file;
  file[kFingerprintKey] = fingerprint_;
  file["drives"] = std::move(state["drives"]);
  return file.dump(2) + "\n";
}

bool StateFile::Write(const std::string& text, std::string& error) const {
  return platform::WriteFileReplacing(path_, text, error);
}

bool StateSavingPort::Load(std::string& error) {
  std::lock_guard<std::mutex> guard(mutex_);
  // Without the lock the file is still read: the first save says what is wrong.
  std::string lockError;
  const platform::FileLockHold hold(lock_, lockError);
  return Refresh(error);
}

// Reads the file when it is not as this port last saw it. An absent file is
// left to be written at the next change, from the drives as they stand here.
bool StateSavingPort::Refresh(std::string& error) {
  std::string text;
  switch (file_.ReadText(text, error)) {
    case StateFile::Load::Absent:
      return true;
    case StateFile::Load::Refused:
      return false;
    case StateFile::Load::Loaded:
      break;
  }
  if (text == seen_) return true;
  Scenario state;
  if (!file_.Parse(text, state, error)) return false;
  UpdateDrives(state, drives_);
  seen_ = std::move(text);
  saved_ = ToJson(drives_);
  return true;
}

bool StateSavingPort::SaveIfChanged(std::string& error) {
  std::string now = ToJson(drives_);
  if (now == saved_) return true;
  std::string text = file_.Compose(now);
  if (!file_.Write(text, error)) return false;  // tried again after the next change
  seen_ = std::move(text);
  saved_ = std::move(now);
  return true;
}

template <typename Request>
auto StateSavingPort::Exchange(Request request) {
  std::lock_guard<std::mutex> guard(mutex_);
  std::string error;
  const platform::FileLockHold hold(lock_, error);
  // A file that could not be read or locked is not written over.
  const bool shared = hold.held() && Refresh(error);
  const auto result = request();
  if ((!shared || !SaveIfChanged(error)) && saveError_.empty()) saveError_ = error;
  return result;
}

VolumeHandle StateSavingPort::OpenVolume(const char* devicePath) {
  return Exchange([&] { return drives_.OpenVolume(devicePath); });
}

bool StateSavingPort::PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                                  std::uint32_t outSize) {
  return Exchange([&] { return drives_.PassThrough(handle, buffer, inSize, outSize); });
}

void StateSavingPort::CloseVolume(VolumeHandle handle) {
  std::lock_guard<std::mutex> guard(mutex_);
  drives_.CloseVolume(handle);
}

void StateSavingPort::WithDrives(const std::function<void(SimulatedDrives&)>& step) {
  Exchange([&] {
    step(drives_);
    return true;
  });
}

std::string StateSavingPort::SaveError() const {
  std::lock_guard<std::mutex> guard(mutex_);
  return saveError_;
}

}  // namespace zul::sim
