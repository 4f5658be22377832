// zulctl on one camera: its readout, its settings and clock, the list of
// cameras, the texts on their way in and out, and the exit status of each
// kind of outcome.

#include <gtest/gtest.h>

#include <optional>

#include "ZulVersion.h"
#include "tests/cli/ZulctlFixture.h"
#include "tests/support/win32/Console.h"

namespace zul::test {
namespace {

TEST_F(ZulctlTest, EachChangeIsReadBackInALaterRun) {
  UseScenario(CameraScenario(R"("officer": "J. OKAFOR", "department": "HARBOUR UNIT",
      "hint": "middle column", "resolution": 1, "loopRecording": 1, "query0D": 4)"));
  const std::string scenarioText = ReadFileBytes(scenario);
  Json expected = {{"devicePath", "\\\\.\\F:"},
                   {"drive", "F:"},
                   {"firmware", "V1.6.20241201"},
                   {"serialNumber", "B7654321"},
                   {"officer", "J. OKAFOR"},
                   {"department", "HARBOUR UNIT"},
                   {"additional", ""},
                   {"hint", "middle column"},
                   {"resolution", 1},
                   {"loopRecording", 1},
                   {"query0D", 4},
                   {"loggedIn", false},
                   {"administrator", false}};
  ASSERT_EQ(Status(), expected);

  const std::string forty = "forty characters, no more and no less..";
  ASSERT_EQ(forty.size() + 1, 40u);
  struct Change {
    Args args;
    std::string input;
    std::string said;
    Json effect;  // what the next status shows differently
  };
  const Change changes[] = {
      {{"set-resolution", "1080p"},
       "2580\n",
       "Change video resolution to 1080P.\n",
       {{"resolution", 0}, {"loggedIn", true}}},
      {{"set-resolution", "720P"},
       "2580\n",
       "Change video resolution to 720P.\n",
       {{"resolution", 1}}},
      {{"set-loop", "off"}, "2580\n", "Loop recording off!\n", {{"loopRecording", 0}}},
      {{"set-loop", "on"}, "2580\n", "Loop recording on!\n", {{"loopRecording", 1}}},
      {{"set-hint", forty + "!"}, "2580\n", "You've updated your hint!\n", {{"hint", forty + "!"}}},
      {{"set-hint", "five5"}, "2580\n", "You've updated your hint!\n", {{"hint", "five5"}}},
      {{"set-reference", "--officer", "O. NEW"},
       "2580\n",
       "You've updated your reference data!\n",
       {{"officer", "O. NEW"}}},
      {{"set-reference", "--department", "", "--additional", "SHIFT B"},
       "2580\n",
       "You've updated your reference data!\n",
       {{"department", ""}, {"additional", "SHIFT B"}}},
      {{"login"},
       "13579\n",
       "Logged in as administrator.\nStorage opened on F:\n",
       {{"administrator", true}}},
      {{"login"}, "2580\n", "Logged in.\nStorage opened on F:\n", {{"administrator", false}}},
      {{"set-hint", "x"}, "0000\n", "", {{"loggedIn", false}}},  // refused: nothing else changes
  };
  for (const Change& c : changes) {
    SCOPED_TRACE(c.args[0] + (c.args.size() > 1 ? " " + c.args[1] : ""));
    const test::ProgramRun r = Zulctl(c.args, c.input);
    EXPECT_EQ(r.out, c.said);
    EXPECT_EQ(r.exitCode, c.said.empty() ? 4 : 0) << r.err;
    expected.update(c.effect);
    EXPECT_EQ(Status(), expected);
  }
  EXPECT_TRUE(SavedCamera().value("diskAccess", false));  // the login opened the storage

  // Without the state file a run starts from the scenario, which no run wrote.
  const test::ProgramRun fresh = Run({"--simulate=" + scenario, "status", "--json"});
  EXPECT_EQ(Json::parse(fresh.out, nullptr, false).value("hint", ""), "middle column");
  EXPECT_EQ(ReadFileBytes(scenario), scenarioText);
}

TEST_F(ZulctlTest, ClockComesFromThePc) {
  const std::time_t before = std::time(nullptr);
  const test::ProgramRun r = Zulctl({"set-time"}, "2580\n");
  const std::time_t after = std::time(nullptr);
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "Time sync completed!\n");
  const std::time_t t = CameraClock(SavedCamera());
  EXPECT_GE(t, before - 1);
  EXPECT_LE(t, after + 1);
}

TEST_F(ZulctlTest, ClockSendsTheDateThenTheTimeAndStopsAtAFailure) {
  // A literal reading of the wire: the set-date code, then set-time.
  const std::string date = "FA 55 66 FE 06 00 00 04 ", time = "FA 55 66 FE 06 00 00 03 ";
  ASSERT_EQ(Zulctl({"--trace=" + trace, "set-time"}, "2580\n").exitCode, 0);
  std::string wire = ReadFileBytes(trace);
  ASSERT_NE(wire.find(date), std::string::npos) << wire;
  EXPECT_LT(wire.find(date), wire.find(time)) << wire;

  // Requests 1 to 4: the scan and the login; 5 is the date.
  UseScenario(CameraScenario(R"("failRequests": [5])"));
  fs::remove(state);
  EXPECT_EQ(Zulctl({"--trace=" + trace, "set-time"}, "2580\n").exitCode, 3);
  wire = ReadFileBytes(trace);
  EXPECT_NE(wire.find(date), std::string::npos) << wire;
  EXPECT_EQ(wire.find(time), std::string::npos) << "a time after a failed date:\n" << wire;
}

TEST_F(ZulctlTest, FailingDrivesAheadOfTheCameraDoNotCount) {
  // The disk's INQUIRY and the impostor's identification fail at the system call.
  UseScenario(R"({"drives": [{"letter": "D", "type": "disk", "failRequests": [1]},
    {"letter": "E", "type": "impostor", "failRequests": [2]},
    {"letter": "F", "type": "camera", "password": "2580"}]})");
  for (const Args& args : {Args{"status"}, Args{"list"}, Args{"set-loop", "on"}}) {
    fs::remove(state);
    const test::ProgramRun r = Zulctl(args, "2580\n");
    EXPECT_EQ(r.exitCode, 0) << args[0] << ": " << r.err;
  }
}

struct ExitCase {
  const char* name;
  std::string scenario;  // the camera scenario's drives
  Args args;             // after --simulate and --state, unless simulated is false
  std::string input;
  int exitCode;
  std::string err;  // a part of the error output
  std::string out;  // the whole output
  bool simulated = true;
};

TEST_F(ZulctlTest, ExitStatuses) {
  const std::string forty1(41, 'x');
  const std::string noTexts = CameraScenario();  // empty texts: one chunk each
  const std::string diskOnly = R"({"drives": [{"letter": "D", "type": "disk"}]})";
  const ExitCase cases[] = {
      {"status",
       noTexts,
       {"status"},
       "",
       0,
       "",
       "Drive:          F: (\\\\.\\F:)\n"
       "Firmware:       V1.6.20241201\n"
       "Serial number:  B7654321\n"
       "Officer:\n"
       "Department:\n"
       "Additional:\n"
       "Password hint:\n"
       "Resolution:     1080P 30FPS\n"
       "Loop recording: No\n"
       "Query 0D:       0\n"
       "Logged in:      no\n"
       "Administrator:  no\n"},
      {"administrator opens a locked camera",
       CameraScenario(R"("wrongAttempts": 6)"),
       {"login"},
       "13579\n",
       0,
       "",
       "Logged in as administrator.\nStorage opened on F:\n"},

      {"version", noTexts, {"--version"}, "", 0, "", "zulctl " ZUL_VERSION_TEXT "\n", false},

      {"no command", noTexts, {}, "", 1, "Usage: zulctl", ""},
      {"unknown command", noTexts, {"reboot"}, "", 1, "not expected: reboot", ""},
      {"resolution not offered", noTexts, {"set-resolution", "480p"}, "2580\n", 1, "480p", ""},
      {"loop neither on nor off", noTexts, {"set-loop", "yes"}, "2580\n", 1, "yes", ""},
      {"hint over 40", noTexts, {"set-hint", forty1}, "2580\n", 1, "holds 41 characters", ""},
      {"reference over 40",
       noTexts,
       {"set-reference", "--officer", "a", "--additional", forty1},
       "2580\n",
       1,
       "holds 41 characters",
       ""},
      {"no reference given", noTexts, {"set-reference"}, "2580\n", 1, "at least one of", ""},
      {"password too short",
       noTexts,
       {"login"},
       "258\n",
       1,
       "Password must longer than 4 characters!\n",
       ""},
      {"password too long",
       noTexts,
       {"set-loop", "on"},
       "25802580258\n",
       1,
       "Password must not be longer than 10 characters!\n",
       ""},
      {"no password", noTexts, {"login"}, "", 1, "No password on standard input", ""},
      {"zero in the password",
       noTexts,
       {"login"},
       std::string("25\0"
                   "80\n",
                   6),
       1,
       "must not hold a zero character",
       ""},
      {"new password too short",
       noTexts,
       {"set-password"},
       "2580\nabc\n",
       1,
       "Password must longer than 4 characters!\n",
       ""},
      {"new password missing",
       noTexts,
       {"set-password"},
       "2580\n",
       1,
       "No password on standard input",
       ""},
      {"drive letter before D",
       noTexts,
       {"--drive", "C", "status"},
       "",
       1,
       "one drive letter from D to Z",
       ""},
      {"state without simulation",
       noTexts,
       {"--state", "x.json", "status"},
       "",
       1,
       "--state requires --simulate",
       "",
       false},

      {"no camera", diskOnly, {"status"}, "", 2, "Device not connected.\n", ""},
      {"no camera to log in to", diskOnly, {"login"}, "2580\n", 2, "Device not connected.\n", ""},
      {"drive is the disk",
       noTexts,
       {"--drive", "D", "status"},
       "",
       2,
       "Device not connected.",
       ""},
      {"drive is empty", noTexts, {"--drive", "q:", "status"}, "", 2, "Device not connected.", ""},
      // The PC's own drives (the sg nodes on USB on Linux): none of them is the camera.
      {"no simulation", noTexts, {"status"}, "", 2, "Device not connected.\n", "", false},

      // Requests at F: 1 INQUIRY, 2 identification, then the command's own.
      {"readout fails", CameraScenario(R"("failRequests": [3])"), {"status"}, "", 3, kNoAnswer, ""},
      // 3-5 firmware, 6 query 28, 7-10 the four texts, 11-14 settings and
      // serial, 15 the login state.
      {"login state fails",
       CameraScenario(R"("failRequests": [15])"),
       {"status"},
       "",
       3,
       kNoAnswer,
       ""},
      {"password check fails",
       CameraScenario(R"("failRequests": [4])"),
       {"login"},
       "2580\n",
       3,
       kNoAnswer,
       ""},
      {"password chunk fails",
       CameraScenario(R"("failRequests": [3])"),
       {"set-loop", "on"},
       "2580\n",
       3,
       kNoAnswer,
       ""},
      {"opening the storage fails",
       CameraScenario(R"("failRequests": [5])"),
       {"login"},
       "2580\n",
       3,
       kNoAnswer,
       ""},
      {"hint write fails",
       CameraScenario(R"("failRequests": [5])"),
       {"set-hint", "x"},
       "2580\n",
       3,
       kNoAnswer,
       ""},
      {"password chunk answered with a check condition",
       CameraScenario(R"("checkRequests": [3])"),
       {"login"},
       "2580\n",
       3,
       kNoAnswer,
       ""},
      {"date fails",
       CameraScenario(R"("failRequests": [5])"),
       {"set-time"},
       "2580\n",
       3,
       kNoAnswer,
       ""},
      {"pulled out midway",
       CameraScenario(R"("failFrom": 6)"),
       {"set-reference", "--officer", "a", "--department", "b", "--additional", "c"},
       "2580\n",
       3,
       kNoAnswer,
       ""},

      {"wrong password",
       noTexts,
       {"login"},
       "0000\n",
       4,
       "Wrong password!  You have 5 chances remaining.\n",
       ""},
      {"fifth wrong attempt",
       CameraScenario(R"("wrongAttempts": 4)"),
       {"login"},
       "0000\n",
       4,
       "Wrong password!  You have 1 chances remaining.\n",
       ""},
      {"wrong password before a change",
       noTexts,
       {"set-resolution", "720p"},
       "2581\n",
       4,
       "Wrong password!",
       ""},

      {"sixth wrong attempt",
       CameraScenario(R"("wrongAttempts": 5)"),
       {"login"},
       "0000\n",
       5,
       kLockedOut,
       ""},
      {"locked to the user password",
       CameraScenario(R"("wrongAttempts": 6)"),
       {"login"},
       "2580\n",
       5,
       kLockedOut,
       ""},
      {"locked before a change",
       CameraScenario(R"("wrongAttempts": 200)"),
       {"set-hint", "x"},
       "2580\n",
       5,
       kLockedOut,
       ""},
  };
  for (const ExitCase& c : cases) {
    SCOPED_TRACE(c.name);
    UseScenario(c.scenario);
    fs::remove(state);
    const test::ProgramRun r = c.simulated ? Zulctl(c.args, c.input) : Run(c.args, c.input);
    EXPECT_EQ(r.exitCode, c.exitCode) << r.err;
    EXPECT_NE(r.err.find(c.err), std::string::npos) << r.err;
    EXPECT_EQ(r.out, c.out);
    if (c.exitCode == 1) {
      EXPECT_FALSE(fs::exists(state)) << "a refused command reached the drives";
    }
    if (c.exitCode == 2 || c.exitCode == 3) {
      EXPECT_EQ(r.err.find("Wrong password"), std::string::npos) << r.err;
      // A password that did not arrive whole costs the operator no attempt.
      if (c.exitCode == 3) {
        EXPECT_EQ(SavedCamera().value("wrongAttempts", 0), 0);
      }
    }
  }
}

TEST_F(ZulctlTest, ListFindsEveryCameraAndOnlyCameras) {
  const auto scenarioWith = [](const std::string& gExtra) {
    return R"({"drives": [
      {"letter": "D", "type": "disk"},
      {"letter": "E", "type": "impostor"},
      {"letter": "F", "type": "unopenable"},
      {"letter": "G", "type": "camera", "answer": "RIZ", "password": "1111",
       "firmware": ["V1.6", ".2023", "0815"], "serial": "B7654321")" +
           gExtra + R"(},
      {"letter": "K", "type": "camera", "password": "2222", "serial": "C0000042"}]})";
  };
  UseScenario(scenarioWith(""));
  test::ProgramRun r = Zulctl({"list"});
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out, "G:\tB7654321\tV1.6.20230815\nK:\tC0000042\tV1.6.20241201\n");

  r = Zulctl({"--drive", "K", "list"});
  EXPECT_EQ(r.out, "K:\tC0000042\tV1.6.20241201\n");
  EXPECT_EQ(Zulctl({"--drive", "E", "list"}).exitCode, 2);

  // The first camera, or the one named.
  EXPECT_EQ(Status().value("serialNumber", ""), "B7654321");
  const Json k = Status({"--drive", "k"});
  EXPECT_EQ(k.value("serialNumber", ""), "C0000042");
  EXPECT_EQ(k.value("devicePath", ""), "\\\\.\\K:");
  r = Zulctl({"--drive", "K", "login"}, "2222\n");
  EXPECT_EQ(r.out, "Logged in.\nStorage opened on K:\n");
  EXPECT_TRUE(SavedCamera("K").value("loggedIn", false));
  EXPECT_FALSE(SavedCamera("G").value("loggedIn", true));

  // A camera that does not answer is reported; the others are still listed.
  fs::remove(state);
  UseScenario(scenarioWith(R"(, "failRequests": [5])"));
  r = Zulctl({"list"});
  EXPECT_EQ(r.exitCode, 3);
  EXPECT_EQ(r.out, "K:\tC0000042\tV1.6.20241201\n");
  EXPECT_EQ(r.err, std::string("G: ") + kNoAnswer);
}

// The camera's 8-bit texts (Latin-1) come out as UTF-8 where the output goes
// to a file or a pipe, the same as in JSON; controls, C1 among them, escaped.
TEST_F(ZulctlTest, CameraTextsCannotActOnTheTerminalAndComeOutAsUtf8) {
  // 0x9B is the control sequence introducer of 8-bit terminals: "\x9B2J" clears one.
  UseScenario(CameraScenario(
      R"("hint": "a\u001b[2Jb", "officer": "Caf\u00e9", "department": "x\u009b2J\u0085y")"));
  const test::ProgramRun r = Zulctl({"status"});
  EXPECT_NE(r.out.find("Password hint:  a\\x1B[2Jb\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Department:     x\\x9B2J\\x85y\n"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("Officer:        Caf\xC3\xA9\n"), std::string::npos) << r.out;
  const Json j = Status();
  EXPECT_EQ(j.value("hint", ""), "a\x1b[2Jb");
  EXPECT_EQ(j.value("officer", ""), "Caf\xC3\xA9");  // the byte E9 as U+00E9
}

// A text reaches the camera as the same Latin-1 bytes whichever way it is
// given: as an argument to one camera or to --all, or in a roster's cell. It
// is counted as the camera counts it, and refused the same way, naming what
// the camera cannot keep.
TEST_F(ZulctlTest, EveryPathSendsATextAsTheSameLatin1Bytes) {
  std::string eAcute40;
  for (int i = 0; i < 40; ++i) eAcute40 += "\xC3\xA9";
  struct Case {
    const char* name;
    std::string text;     // UTF-8 as the operator gives it
    std::string refusal;  // a part of the refusal; empty: taken
  };
  const Case cases[] = {
      {"ASCII", "the keypad's middle column", ""},
      {"e acute", "caf\xC3\xA9", ""},
      {"forty e acute", eAcute40, ""},
      {"forty-one e acute", eAcute40 + "\xC3\xA9",
       "holds 41 characters; the camera keeps at most 40"},
      {"euro sign", "5 \xE2\x82\xAC",
       "holds \"\xE2\x82\xAC\" (U+20AC), which the camera cannot keep (it keeps Latin-1 only)"},
      {"not UTF-8", "caf\xE9", "holds bytes that are not UTF-8"},
  };
  const std::string audit = (dir / "audit.jsonl").string();
  const std::string roster = (dir / "roster.csv").string();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    struct Path {
      const char* name;
      Args args;
    };
    std::vector<Path> paths = {
        {"apply", {"apply", roster}},
        {"set-hint", {"set-hint", c.text}},
        {"--all set-hint", {"--all", "set-hint", c.text}},
    };
#if defined(_WIN32)
    // The Windows command line is UTF-16: bytes that are not UTF-8 cannot be
    // given there.
    if (c.text == "caf\xE9") paths.resize(1);
#endif
    std::optional<Json> taken;  // the camera's text after the first path
    for (const Path& path : paths) {
      SCOPED_TRACE(path.name);
      test::WriteFileBytes(roster, "serial,hint\nB7654321,\"" + c.text + "\"\n");
      fs::remove(state);
      fs::remove(audit);
      Args args = path.args;
      args.insert(args.begin(), {"--audit", audit});
      const test::ProgramRun r = Zulctl(args, "2580\n");
      const Json camera = Status();
      if (!c.refusal.empty()) {
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_NE(r.err.find("hint"), std::string::npos) << r.err;
        EXPECT_NE(r.err.find(c.refusal), std::string::npos) << r.err;
        EXPECT_EQ(camera.value("hint", ""), "");  // nothing written
        continue;
      }
      EXPECT_EQ(r.exitCode, 0) << r.err;
      // The status reads each byte as its Latin-1 character: the text comes
      // back as it was given only when it went as Latin-1.
      EXPECT_EQ(camera.value("hint", ""), c.text);
      if (taken) {
        EXPECT_EQ(camera, *taken);
      }
      taken = camera;
      const std::vector<Json> lines = AuditLines(audit);
      ASSERT_FALSE(lines.empty()) << ReadFileBytes(audit);
      EXPECT_EQ(lines.back()["new"], Json({{"hint", c.text}}));
    }
  }
}

#if defined(_WIN32)
// On a console the texts are written as characters, whatever the console's
// code page: the byte E9 of the camera shows as "é".
TEST_F(ZulctlTest, CameraTextsReachAConsoleAsTheyAre) {
  UseScenario(CameraScenario(R"("officer": "Caf\u00e9 \u00c5", "hint": "a\u001b[2Jb")"));
  const test::OwnConsole console;
  ASSERT_TRUE(console.ok);
  EXPECT_EQ(test::RunOnConsole(ZULCTL_PATH, {"--simulate=" + scenario, "status"}), 0);
  const std::string shown = test::ConsoleText();
  EXPECT_NE(shown.find("Officer:        Caf\xC3\xA9 \xC3\x85\n"), std::string::npos) << shown;
  EXPECT_NE(shown.find("Password hint:  a\\x1B[2Jb\n"), std::string::npos) << shown;
}
#endif

}  // namespace
}  // namespace zul::test
