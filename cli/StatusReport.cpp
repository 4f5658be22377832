#include "cli/StatusReport.h"

#include <cstdio>
#include <nlohmann/json.hpp>
#include <string_view>
#include <vector>

#include "cameradata/CameraVocabulary.h"
#include "cli/StatusObject.h"
#include "platform/Latin1.h"

namespace zul::cli {
namespace {

std::string Choice(int index, const SettingChoice (&choices)[2]) {
  if (index == 0 || index == 1) return choices[index].shown;
  return "unknown (" + std::to_string(index) + ")";
}

}  // namespace

std::string FirmwareVersion(const CameraStatus& status) {
  const std::string prefix = kFirmwarePrefix;
  const std::string& text = status.firmwareText;
  return text.rfind(prefix, 0) == 0 ? text.substr(prefix.size()) : text;
}

nlohmann::ordered_json StatusObject(const CameraReport& r) {
  const CameraStatus& s = r.status;
  nlohmann::ordered_json j;
  j["devicePath"] = r.devicePath;
  j["drive"] = r.driveName;
  j["firmware"] = platform::Latin1ToUtf8(FirmwareVersion(s));
  j["serialNumber"] = platform::Latin1ToUtf8(s.serialNumber);
  j["officer"] = platform::Latin1ToUtf8(s.officerText);
  j["department"] = platform::Latin1ToUtf8(s.departmentText);
  j["additional"] = platform::Latin1ToUtf8(s.additionalText);
  j["hint"] = platform::Latin1ToUtf8(s.hintText);
  j["resolution"] = s.resolutionIndex;
  j["loopRecording"] = s.loopRecordingIndex;
  j["query0D"] = s.query0D;
  j["loggedIn"] = s.loggedIn;
  j["administrator"] = s.administrator;
  if (r.storage) {
    j["blockDevice"] = r.storage->blockDevice;
    j["mountPoints"] = r.storage->mountPoints;
  }
  return j;
}

std::string StatusJson(const CameraReport& r) {
  return StatusObject(r).dump(2) + "\n";
}

std::string Printable(const std::string& bytes) {
  std::string out;
  for (unsigned char c : bytes) {
    // C0, DEL and C1: 0x9B alone starts a control sequence on an 8-bit terminal.
    if (c < 0x20 || (c >= 0x7F && c <= 0x9F)) {
      char escaped[5];
      std::snprintf(escaped, sizeof escaped, "\\x%02X", c);
      out += escaped;
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

std::string ShownText(const std::string& cameraText) {
  return platform::Latin1ToUtf8(Printable(cameraText));
}

namespace {

// The readout as named values, in the order zulctl shows them.
std::vector<std::pair<const char*, std::string>> StatusFields(const CameraReport& r) {
  const CameraStatus& s = r.status;
  std::vector<std::pair<const char*, std::string>> all = {
      {"Drive", r.driveName + " (" + r.devicePath + ")"},
      {"Firmware", ShownText(FirmwareVersion(s))},
      {"Serial number", ShownText(s.serialNumber)},
      {"Officer", ShownText(s.officerText)},
      {"Department", ShownText(s.departmentText)},
      {"Additional", ShownText(s.additionalText)},
      {"Password hint", ShownText(s.hintText)},
      {"Resolution", Choice(s.resolutionIndex, kResolutionChoices)},
      {"Loop recording", Choice(s.loopRecordingIndex, kLoopRecordingChoices)},
      {"Query 0D", std::to_string(s.query0D)},
      {"Logged in", s.loggedIn ? "yes" : "no"},
      {"Administrator", s.administrator ? "yes" : "no"},
  };
  if (r.storage) {
    std::string points;
    for (const std::string& p : r.storage->mountPoints)
      points += (points.empty() ? "" : ", ") + Printable(p);
    all.insert(all.begin() + 1, {"Block device", r.storage->blockDevice});
    all.insert(all.begin() + 2, {"Mounted at", points});
  }
  return all;
}

}  // namespace

std::string StatusText(const CameraReport& r) {
  std::string text;
  for (const auto& [name, value] : StatusFields(r)) {
    std::string label = std::string(name) + ":";
    if (!value.empty()) label.resize(16, ' ');
    text += label + value + "\n";
  }
  return text;
}

std::string StatusLine(const CameraReport& r) {
  std::string line;
  for (const auto& [name, value] : StatusFields(r)) {
    const std::string_view n = name;
    if (n == "Drive" || n == "Serial number") continue;
    line += (line.empty() ? "" : "; ") + std::string(name) + ": " + value;
  }
  return line;
}

}  // namespace zul::cli
