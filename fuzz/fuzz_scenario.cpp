// Arbitrary bytes as a scenario file, as a saved set of drives and as a saved
// camera state. Nothing may crash; a refusal comes with a message that does
// not depend on a password's characters; what is read is applied, scanned
// and read out, and saved state reads back as the same state.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

#include "cameradata/CameraStatus.h"
#include "devicelink/Discovery.h"
#include "fuzz/Check.h"
#include "simulator/Scenario.h"

namespace {

using namespace zul;
using Json = nlohmann::ordered_json;

constexpr char kSource[] = "fuzz.json";

// Every string under a "password" or "adminPassword" key, at any depth, with
// each printable ASCII character moved to the next one (and ~ back to space).
// Length, zero characters and the Latin-1 test come out the same, so a sound
// reader must refuse both texts alike, with the same message.
bool ShiftPasswords(Json& j) {
  bool changed = false;
  if (j.is_object()) {
    for (auto it = j.begin(); it != j.end(); ++it) {
      Json& value = it.value();
      if (value.is_string() && (it.key() == "password" || it.key() == "adminPassword")) {
        std::string s = value.get<std::string>();
        for (char& c : s) {
          if (c >= 0x20 && c <= 0x7E) c = static_cast<char>(c == 0x7E ? 0x20 : c + 1);
        }
        changed |= s != value.get<std::string>();
        value = s;
      } else {
        changed |= ShiftPasswords(value);
      }
    }
  } else if (j.is_array()) {
    for (Json& item : j) changed |= ShiftPasswords(item);
  }
  return changed;
}

// Reads a text as the two readers do; the message, or "" when it was taken.
std::string ScenarioError(const std::string& text) {
  const sim::ScenarioResult r = sim::ParseScenario(text, kSource);
  FUZZ_CHECK(r || !r.error.empty(), "a refused scenario has a message");
  return r ? std::string() : r.error;
}

std::string CameraError(const std::string& text) {
  sim::CameraState state;
  std::string error;
  const bool ok = sim::FromJson(text, kSource, state, error);
  FUZZ_CHECK(ok || !error.empty(), "a refused camera state has a message");
  return ok ? std::string() : error;
}

// A password shows in a message exactly when the message changes with it.
void CheckPasswordsNotShown(std::string_view text) {
  Json doc = Json::parse(text, nullptr, /*allow_exceptions=*/false);
  if (doc.is_discarded()) return;
  const std::string original = doc.dump();
  if (!ShiftPasswords(doc)) return;
  const std::string shifted = doc.dump();
  FUZZ_CHECK(ScenarioError(original) == ScenarioError(shifted),
             "a scenario message depends on a password's characters");
  FUZZ_CHECK(CameraError(original) == CameraError(shifted),
             "a camera state message depends on a password's characters");
}

// What a set of drives saves reads back as the same set.
void CheckSavedStateReadsBack(const sim::SimulatedDrives& drives) {
  sim::SimulatedDrives restored;
  std::string error;
  FUZZ_CHECK(sim::FromJson(sim::ToJson(drives), "saved.json", restored, error),
             "saved drives read back");
  FUZZ_CHECK(sim::CaptureScenario(restored) == sim::CaptureScenario(drives),
             "saved drives read back unchanged");
}

void RunScenario(const sim::Scenario& scenario) {
  const sim::ScenarioResult again = sim::ParseScenario(sim::ToJson(scenario), "saved.json");
  FUZZ_CHECK(again && *again.scenario == scenario, "a scenario saved reads back unchanged");

  sim::SimulatedDrives drives;
  sim::ApplyScenario(scenario, drives);
  sim::Scenario byLetter = scenario;  // drives are kept, and captured, by letter
  std::sort(byLetter.drives.begin(), byLetter.drives.end(),
            [](const sim::DriveSpec& a, const sim::DriveSpec& b) { return a.letter < b.letter; });
  FUZZ_CHECK(sim::CaptureScenario(drives) == byLetter, "applied drives are the scenario's");

  DeviceSession session(drives);
  DiscoverCamera(session);
  FUZZ_CHECK(drives.OpenHandleCount() <= 1, "more than one handle open after a scan");
  CameraStatus status;
  if (ReadCameraStatus(session, status)) {
    FUZZ_CHECK(status.firmwareText.size() <= 44 && status.serialNumber.size() <= 8 &&
                   status.officerText.size() <= 40 && status.departmentText.size() <= 40 &&
                   status.additionalText.size() <= 40 && status.hintText.size() <= 40,
               "readout lengths");
  }
  FUZZ_CHECK(drives.OpenHandleCount() <= 1, "more than one handle open after a readout");
  CheckSavedStateReadsBack(drives);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);

  const sim::ScenarioResult r = sim::ParseScenario(text, kSource);
  FUZZ_CHECK(r || !r.error.empty(), "a refused scenario has a message");
  if (r) RunScenario(*r.scenario);

  // The same text as saved drives, over drives that are already there.
  sim::SimulatedDrives drives;
  sim::ApplyScenario(sim::DefaultScenario(), drives);
  const sim::Scenario before = sim::CaptureScenario(drives);
  std::string error;
  const bool taken = sim::FromJson(text, kSource, drives, error);
  FUZZ_CHECK(taken == bool(r), "saved drives are read as a scenario");
  FUZZ_CHECK(taken || (!error.empty() && sim::CaptureScenario(drives) == before),
             "refused drives leave the drives as they were, with a message");

  // And as a camera's state alone.
  sim::CameraState state;
  const sim::CameraState defaults = state;
  if (sim::FromJson(text, kSource, state, error)) {
    sim::CameraState back;
    FUZZ_CHECK(sim::FromJson(sim::ToJson(state), "saved.json", back, error) && back == state,
               "a saved camera state reads back unchanged");
  } else {
    FUZZ_CHECK(!error.empty() && state == defaults,
               "a refused camera state leaves the state as it was, with a message");
  }

  CheckPasswordsNotShown(text);
  return 0;
}
