// Simulated drives carried from one run to the next through a state file:
// what carries over, when it is saved, and which files are refused.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <thread>

#include "cameradata/CameraStatus.h"
#include "cameradata/TextField.h"
#include "devicelink/Command.h"
#include "devicelink/Discovery.h"
#include "platform/FileText.h"
#include "simulator/Simulation.h"
#include "tests/simulator/LoginTraffic.h"
#include "tests/support/Files.h"

namespace zul {
namespace {

namespace fs = std::filesystem;

const char kScenario[] = R"({"drives": [
  {"letter": "D", "type": "disk"},
  {"letter": "F", "type": "camera", "password": "2580", "hint": "start"}]})";

class StateFileTest : public ::testing::Test {
 protected:
  const test::ScratchDir scratch_{"zul-state-"};
  const fs::path dir = scratch_.path();
  std::string scenario, state;

  void SetUp() override {
    scenario = (dir / "scenario.json").string();
    state = (dir / "state.json").string();
    Write(scenario, kScenario);
  }

  static void Write(const std::string& path, const std::string& text) {
    test::WriteFileBytes(path, text);
  }
  static std::string Read(const std::string& path) {
    std::string text;
    EXPECT_TRUE(platform::ReadFileText(path, text)) << path;
    return text;
  }
  // One run: open the simulation, do something to the camera, end.
  template <typename Action>
  void Run(const std::string& statePath, Action action) {
    sim::Simulation sim;
    std::string error;
    ASSERT_TRUE(sim.Open(scenario, statePath, error)) << error;
    DeviceSession session{sim.Port()};
    ASSERT_TRUE(DiscoverCamera(session));
    action(session);
    EXPECT_EQ(sim.SaveError(), "");
  }
  CameraStatus Status(const std::string& statePath) {
    CameraStatus status;
    Run(statePath, [&](DeviceSession& s) { EXPECT_TRUE(ReadHeldCameraStatus(s, status)); });
    return status;
  }
};

TEST_F(StateFileTest, RunsSharingAStateMeetOneCamera) {
  Run(state, [](DeviceSession& s) {
    EXPECT_EQ(test::CheckPassword(s, "0000"), std::make_pair(0, 1));
    EXPECT_EQ(test::CheckPassword(s, "2580"), std::make_pair(1, 0));
    WriteTextField(s, TEXT_HINT, "carried");
  });
  CameraStatus status = Status(state);
  EXPECT_EQ(status.hintText, "carried");
  EXPECT_TRUE(status.loggedIn);  // still plugged in, still logged in
  Run(state, [](DeviceSession& s) {
    EXPECT_EQ(test::CheckPassword(s, "1111"), std::make_pair(0, 1));
    EXPECT_EQ(test::CheckPassword(s, "1111"), std::make_pair(0, 2));
  });
  Run(state,
      [](DeviceSession& s) { EXPECT_EQ(test::CheckPassword(s, "1111"), std::make_pair(0, 3)); });
  EXPECT_FALSE(Status(state).loggedIn);

  // Without a state file every run starts from the scenario, which is never
  // written to.
  status = Status("");
  EXPECT_EQ(status.hintText, "start");
  EXPECT_FALSE(status.loggedIn);
  EXPECT_EQ(Read(scenario), kScenario);
  EXPECT_FALSE(fs::exists(state + ".tmp"));
}

TEST_F(StateFileTest, SavedAfterEveryChangeNotAtTheEnd) {
  sim::Simulation sim;
  std::string error;
  ASSERT_TRUE(sim.Open(scenario, state, error)) << error;
  EXPECT_FALSE(fs::exists(state));  // nothing changed yet
  DeviceSession session{sim.Port()};
  ASSERT_TRUE(DiscoverCamera(session));
  WriteTextField(session, TEXT_OFFICER, "FIRST");
  // The file already holds the text while the run goes on, and each later
  // request replaces it whole.
  EXPECT_NE(Read(state).find("\"FIRST\""), std::string::npos);
  WriteTextField(session, TEXT_OFFICER, "SECOND");
  const std::string text = Read(state);
  EXPECT_NE(text.find("\"SECOND\""), std::string::npos);
  EXPECT_EQ(text.find("\"FIRST\""), std::string::npos);
  // Digests only: the password as a value (hex digests and salts may hold the digits).
  EXPECT_EQ(text.find("\"2580\""), std::string::npos);
  EXPECT_EQ(text.rfind("{\n  \"scenarioSha256\": \"", 0), 0u);
}

TEST_F(StateFileTest, FailedSaveIsKeptAndTheCameraStillAnswers) {
  const std::string nowhere = (dir / "missing" / "state.json").string();
  sim::Simulation sim;
  std::string error;
  ASSERT_TRUE(sim.Open(scenario, nowhere, error)) << error;
  DeviceSession session{sim.Port()};
  EXPECT_TRUE(DiscoverCamera(session));
  EXPECT_NE(sim.SaveError().find(nowhere), std::string::npos) << sim.SaveError();
}

TEST_F(StateFileTest, FileSpoiledMeanwhileIsReportedNotWrittenOver) {
  Run(state, [](DeviceSession& s) { WriteTextField(s, TEXT_HINT, "before"); });
  sim::Simulation sim;
  std::string error;
  ASSERT_TRUE(sim.Open(scenario, state, error)) << error;
  const std::string spoiled = "{\"scenarioSha256\": ";
  Write(state, spoiled);
  DeviceSession session{sim.Port()};
  ASSERT_TRUE(DiscoverCamera(session));  // answered from the drives as they were
  WriteTextField(session, TEXT_HINT, "after");
  EXPECT_NE(sim.SaveError().find(state + ": not a saved state"), std::string::npos)
      << sim.SaveError();
  EXPECT_EQ(Read(state), spoiled);
}

// Sends one chunk of a text by hand, to stop halfway through one: five
// characters (more follow) or fewer (the last).
void SendChunk(DeviceSession& s, TextKind kind, int index, const char (&five)[6]) {
  ReplyBlock block{kind, static_cast<std::uint8_t>(index),
                   static_cast<std::uint8_t>(strnlen(five, 5))};
  std::copy_n(five, 5, block.begin() + 3);
  ASSERT_TRUE(IssueCommand(s, CMD_WRITE_TEXT_CHUNK, block));
}

// A window holding its camera while another program changes it: each takes
// in the other's changes, the window's handle and half-sent text go on.
TEST_F(StateFileTest, ProgramsOpenTogetherTakeInEachOthersChanges) {
  sim::Simulation window, other;
  std::string error;
  ASSERT_TRUE(window.Open(scenario, state, error)) << error;
  DeviceSession held{window.Port()};
  ASSERT_TRUE(DiscoverCamera(held));
  SendChunk(held, TEXT_HINT, 0, "HALF ");
  {
    ASSERT_TRUE(other.Open(scenario, state, error)) << error;
    DeviceSession s{other.Port()};
    ASSERT_TRUE(DiscoverCamera(s));
    WriteTextField(s, TEXT_OFFICER, "FROM OTHER");
    EXPECT_EQ(test::CheckPassword(s, "0000"), std::make_pair(0, 1));
  }
  SendChunk(held, TEXT_HINT, 1, "DONE\0");
  EXPECT_EQ(test::CheckPassword(held, "1111"), std::make_pair(0, 2));  // one count
  CameraStatus seen;
  ASSERT_TRUE(ReadHeldCameraStatus(held, seen));
  for (const CameraStatus& status : {seen, Status(state)}) {
    EXPECT_EQ(status.officerText, "FROM OTHER");
    EXPECT_EQ(status.hintText, "HALF DONE");
  }
  EXPECT_EQ(window.SaveError(), "");
  EXPECT_EQ(other.SaveError(), "");
}

// Sessions on several cameras, each on a thread of its own, through one port.
TEST_F(StateFileTest, ThreadsShareOnePort) {
  const std::string letters = "FGHJ";
  std::string drives;
  for (char letter : letters) {
    drives += std::string(drives.empty() ? "" : ", ") + R"({"letter": ")" + letter +
              R"(", "type": "camera"})";
  }
  const std::string text = R"({"drives": [)" + drives + "]}";
  Write(scenario, text);
  sim::Simulation sim;
  std::string error;
  ASSERT_TRUE(sim.Open(scenario, state, error)) << error;
  constexpr int kRounds = 15;
  std::vector<std::thread> threads;
  for (char letter : letters) {
    threads.emplace_back([&sim, letter] {
      DeviceSession s{sim.Port()};
      ASSERT_TRUE(DiscoverCameraNamed(s, std::string{letter}));
      for (int i = 0; i < kRounds; ++i) {
        const std::string hint = std::string(1, letter) + " ROUND " + std::to_string(i);
        WriteTextField(s, TEXT_HINT, hint);
        std::string back;
        EXPECT_TRUE(ReadTextField(s, TEXT_HINT, back));
        EXPECT_EQ(back, hint);
      }
    });
  }
  for (std::thread& t : threads) t.join();
  EXPECT_EQ(sim.SaveError(), "");
  // The file holds the drives exactly as they ended: every thread's texts and
  // every request counted.
  sim::StateFile file(state, sim::ScenarioFingerprint(text));
  sim::Scenario saved;
  ASSERT_TRUE(file.Parse(Read(state), saved, error)) << error;
  EXPECT_TRUE(saved == sim::CaptureScenario(sim.Drives()));
  for (const sim::DriveSpec& d : saved.drives) {
    EXPECT_EQ(d.camera.hint, std::string(1, d.letter) + " ROUND " + std::to_string(kRounds - 1));
  }
}

#if !defined(_WIN32)
TEST_F(StateFileTest, OnlyTheOwnerReadsTheFile) {
  const auto changeHint = [](DeviceSession& s) { WriteTextField(s, TEXT_HINT, "h"); };
  constexpr auto kOwnerOnly = fs::perms::owner_read | fs::perms::owner_write;
  Run(state, changeHint);
  EXPECT_EQ(fs::status(state).permissions(), kOwnerOnly);
  EXPECT_EQ(fs::status(state + ".lock").permissions(), kOwnerOnly);
  // A file left open to others by an older version is closed at the next save.
  fs::permissions(state, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read |
                             fs::perms::others_read);
  Run(state, changeHint);
  EXPECT_EQ(fs::status(state).permissions(), kOwnerOnly);
}
#endif

TEST_F(StateFileTest, PasswordsAreSaltedApart) {
  std::string plain;  // a digest of 2580 without salt, as a scenario may give it
  for (std::uint8_t b : sim::Sha256("2580")) {
    plain += "0123456789abcdef"[b >> 4];
    plain += "0123456789abcdef"[b & 15];
  }
  const std::string text = R"({"drives": [
    {"letter": "F", "type": "camera", "password": "2580"},
    {"letter": "G", "type": "camera", "password": "2580"},
    {"letter": "H", "type": "camera", "passwordSha256": ")" +
                           plain + R"("}]})";
  Write(scenario, text);
  // F's password set anew by the camera, G's from the scenario in clear.
  Run(state, [](DeviceSession& s) { WriteTextField(s, TEXT_NEW_PASSWORD, "2580"); });

  const std::string saved = Read(state);
  sim::StateFile file(state, sim::ScenarioFingerprint(text));
  sim::Scenario drives;
  std::string error;
  ASSERT_TRUE(file.Parse(saved, drives, error)) << error;
  ASSERT_EQ(drives.drives.size(), 3u);
  const sim::PasswordDigest &f = drives.drives[0].camera.userPassword,
                            &g = drives.drives[1].camera.userPassword,
                            &h = drives.drives[2].camera.userPassword;
  EXPECT_EQ(f.salt.size(), sim::kSaltSize);
  EXPECT_EQ(g.salt.size(), sim::kSaltSize);
  EXPECT_NE(f.salt, g.salt);
  EXPECT_NE(f.digest, g.digest);  // one password, two digests
  EXPECT_TRUE(h.salt.empty());    // given plain, kept plain
  EXPECT_EQ(saved.find(plain), saved.rfind(plain)) << "the same digest at more than one camera";
  for (char letter : {'F', 'G', 'H'}) {
    SCOPED_TRACE(letter);
    sim::Simulation sim;
    ASSERT_TRUE(sim.Open(scenario, state, error)) << error;
    DeviceSession s{sim.Port()};
    ASSERT_TRUE(DiscoverCameraNamed(s, std::string{letter}));
    EXPECT_EQ(test::CheckPassword(s, "2580"), std::make_pair(1, 0));
  }
}

TEST_F(StateFileTest, RefusedFilesNameTheirFault) {
  Run(state, [](DeviceSession& s) { WriteTextField(s, TEXT_HINT, "x"); });
  const std::string saved = Read(state);
  const std::string other = (dir / "other.json").string();
  Write(other, R"({"drives": []})");
  const std::string bad = (dir / "bad.json").string();
  std::string badHint = saved;  // a saved state with one value of the wrong type
  const auto at = badHint.find("\"hint\": \"x\"");
  ASSERT_NE(at, std::string::npos);
  badHint.replace(at, 11, "\"hint\": 7");

  struct Case {
    const char* name;
    std::string badText;  // written to bad.json when not empty
    std::string scenarioPath, statePath;
    std::string message;
  };
  const Case cases[] = {
      {"another scenario", "", other, state, state + ": saved from another scenario"},
      {"default scenario", "", "", state, state + ": saved from another scenario"},
      {"state is the scenario", "", scenario, scenario, scenario + ": is the scenario file"},
      {"not JSON", "{\"scenarioSha256\": ", scenario, bad, bad + ": not a saved state"},
      {"no fingerprint", R"({"drives": []})", scenario, bad, bad + ": not a saved state"},
      {"scenario unreadable", "", (dir / "none.json").string(), state, "none.json: cannot be read"},
      {"bad value in the state", badHint, scenario, bad, bad + ": drives[1].hint: must be a text"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    if (!c.badText.empty()) Write(bad, c.badText);
    sim::Simulation sim;
    std::string error;
    EXPECT_FALSE(sim.Open(c.scenarioPath, c.statePath, error));
    EXPECT_NE(error.find(c.message), std::string::npos) << error;
  }
  EXPECT_EQ(Read(state), saved);
  EXPECT_EQ(Read(scenario), kScenario);
}

}  // namespace
}  // namespace zul
