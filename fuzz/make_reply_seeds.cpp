// Writes the seed inputs of fuzz_camera_replies: each is an operator session
// run against simulated drives, with the drives' answers recorded in the
// input's format, so that the fuzzer starts from whole conversations (camera
// found, full readout, accepted and refused logins, failures part-way).
//
//   make_reply_seeds DIR     (the committed seeds: fuzz/corpus/fuzz_camera_replies)

#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz/CheckedPort.h"
#include "fuzz/OperatorSession.h"
#include "simulator/Scenario.h"

namespace {

using namespace zul;
using namespace zul::fuzz;

struct Seed {
  const char* name;
  const char* scenario;  // JSON, or a scenario file of the source tree
  SessionConfig config;
};

SessionConfig Login(const char* password, const char* hint = "") {
  SessionConfig c;
  c.password = password;
  c.hint = hint;
  return c;
}

const char kCameraAtF[] = R"({"drives": [{"letter": "F", "type": "camera",
  "officer": "OFFICER 0417", "department": "NORTH DIV", "additional": "TRAFFIC 10",
  "hint": "four digits"}]})";

// Texts of exactly 40 characters and multiples of five, parts of 8 characters.
const char kFullTexts[] = R"({"drives": [{"letter": "E", "type": "camera", "answer": "RIZ",
  "officer": "0123456789012345678901234567890123456789", "department": "ABCDE",
  "additional": "ABCDEFGHIJ", "hint": "", "firmware": ["12345678", "ABCDEFGH", "abcdefgh"],
  "serial": "ZZZZZZZZ", "resolution": 7, "loopRecording": 255, "query0D": 3}]})";

const Seed kSeeds[] = {
    {"found-user-login", kCameraAtF,
     Login("1234", "a hint of forty-eight characters, eight chunks!!")},
    {"found-admin-login", kCameraAtF, Login("888888")},
    {"found-wrong-password", kCameraAtF, Login("0000", "short")},
    {"locked-camera", R"({"drives": [{"letter": "F", "type": "camera", "wrongAttempts": 6}]})",
     Login("1234")},
    {"full-texts-riz", kFullTexts, Login("1234567890", "0123456789012345678901234567890123456789")},
    {"behind-disk-and-impostor", "scenarios/mixed.json", Login("2580")},
    {"fails-in-hint-read",
     R"({"drives": [{"letter": "D", "type": "camera", "hint": "four digits", "failRequests": [15]}]})",
     Login("1234")},
    {"short-and-check-replies",
     R"({"drives": [{"letter": "F", "type": "camera", "officer": "OFFICER 0417",
       "shortRequests": [2, 4, 9], "checkRequests": [5, 12], "shortLength": 1}]})",
     Login("1234")},
    {"unplugged-mid-readout", R"({"drives": [{"letter": "H", "type": "camera", "failFrom": 10}]})",
     Login("1234")},
    {"no-camera",
     R"({"drives": [{"letter": "D", "type": "disk"}, {"letter": "E", "type": "unopenable"}]})",
     Login("1234")},
};

bool SameConversation(const std::vector<PortEvent>& a, const std::vector<PortEvent>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const PortEvent &x = a[i], &y = b[i];
    if (x.kind != y.kind || x.letter != y.letter || x.ok != y.ok || x.data != y.data ||
        x.cdbLength != y.cdbLength || std::memcmp(x.cdb, y.cdb, sizeof x.cdb) != 0 ||
        (x.handle == kNoHandle) != (y.handle == kNoHandle)) {
      return false;
    }
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  const std::string dir = argv[1];
  for (const Seed& seed : kSeeds) {
    const std::string text = seed.scenario;
    const sim::ScenarioResult r = text.front() == '{'
                                      ? sim::ParseScenario(text, seed.name)
                                      : sim::LoadScenarioFile(ZUL_SOURCE_DIR "/" + text);
    if (!r) {
      std::fprintf(stderr, "%s\n", r.error.c_str());
      return 1;
    }
    sim::SimulatedDrives drives;
    sim::ApplyScenario(*r.scenario, drives);
    ScriptWriter script;
    RecordingPort port(drives, script);
    RunOperatorSession(port, seed.config);  // the checks run against the simulation too

    std::vector<std::uint8_t> input;
    const auto config = seed.config.Encode();
    input.insert(input.end(), config.begin(), config.end());
    input.insert(input.end(), script.bytes.begin(), script.bytes.end());

    // The seed must replay the very conversation it was recorded from.
    const SessionConfig decoded = SessionConfig::Decode(input.data(), input.size());
    ScriptReader reader(input.data() + config.size(), input.size() - config.size());
    ScriptedReplyPort replay(reader);
    RunOperatorSession(replay, decoded);
    if (!SameConversation(port.Events(), replay.Events())) {
      std::fprintf(stderr, "%s: the seed does not replay its conversation\n", seed.name);
      return 1;
    }

    std::ofstream out(dir + "/" + seed.name, std::ios::binary);
    out.write(reinterpret_cast<const char*>(input.data()),
              static_cast<std::streamsize>(input.size()));
    if (!out) {
      std::fprintf(stderr, "%s/%s: cannot be written\n", dir.c_str(), seed.name);
      return 1;
    }
  }
  return 0;
}
