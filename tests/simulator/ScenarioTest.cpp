// Scenario files: what they set up, the defaults of what they leave out, the
// one clear message for each kind of fault, and saving and restoring a whole
// set of drives.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "cameradata/CameraStatus.h"
#include "cameradata/TextField.h"
#include "devicelink/Command.h"
#include "devicelink/Discovery.h"
#include "simulator/Scenario.h"
#include "tests/simulator/LoginTraffic.h"

namespace zul {
namespace {

using sim::DriveType;

std::string SourceFile(const char* relative) {
  return std::string(ZUL_SOURCE_DIR) + "/" + relative;
}

TEST(ScenarioTest, DefaultFileIsTheDefaultScenario) {
  std::ifstream file(SourceFile("scenarios/default.json"), std::ios::binary);
  const std::string text{std::istreambuf_iterator<char>(file), {}};
  EXPECT_EQ(text, sim::DefaultScenarioText());
  const sim::ScenarioResult r = sim::ParseScenario(text, "default.json");
  ASSERT_TRUE(r) << r.error;
  // And it holds a camera that the tool reads and logs in to.
  sim::SimulatedDrives drives;
  sim::ApplyScenario(*r.scenario, drives);
  DeviceSession session{drives};
  CameraStatus status;
  ASSERT_TRUE(ReadCameraStatus(session, status));
  EXPECT_EQ(session.driveName(), "F:");
  EXPECT_EQ(status.officerText, "OFFICER 0417");
  EXPECT_EQ(status.firmwareText, "Firmware Version:   V1.6.20241201");
  EXPECT_EQ(test::CheckPassword(session, "888888").first, 2);
}

TEST(ScenarioTest, MixedFileSetsEveryDrive) {
  const sim::ScenarioResult r = sim::LoadScenarioFile(SourceFile("scenarios/mixed.json"));
  ASSERT_TRUE(r) << r.error;
  sim::SimulatedDrives drives;
  sim::ApplyScenario(*r.scenario, drives);
  ASSERT_EQ(drives.Drives().size(), 4u);
  EXPECT_EQ(drives.Drive('D')->type, DriveType::Disk);
  EXPECT_EQ(drives.Drive('E')->type, DriveType::Impostor);
  EXPECT_EQ(drives.Drive('G')->answer, sim::AnswerForm::RIZ);
  EXPECT_EQ(drives.Drive('K')->camera->state.wrongAttempts, 4);
  EXPECT_EQ(drives.Drive('K')->faults.failFrom, 200u);
  DeviceSession session{drives};
  CameraStatus status;
  ASSERT_TRUE(ReadCameraStatus(session, status));
  EXPECT_EQ(session.driveName(), "G:");  // the lower of the two cameras
  EXPECT_EQ(status.departmentText, "HARBOUR UNIT");
  EXPECT_EQ(status.hintText, "the keypad's middle column");
  EXPECT_EQ(status.serialLine, "Camera Serial Number: B7654321");
  EXPECT_EQ(status.resolutionIndex, 1);
}

TEST(ScenarioTest, EveryKeyAndEveryDefault) {
  const sim::ScenarioResult r = sim::ParseScenario(R"({"drives": [
      {"letter": "D", "type": "unopenable"},
      {"letter": "F", "type": "camera"},
      {"letter": "Z", "type": "camera", "answer": "RIZ", "password": "pw",
       "adminPassword": "admin", "wrongAttempts": 3, "officer": "O", "department": "D",
       "additional": "A", "hint": "H", "firmware": ["a", "", "c"], "serial": "S",
       "resolution": 1, "loopRecording": 1, "query0D": 9, "time": [1, 2, 3],
       "date": [24, 5, 6], "diskAccess": true, "loggedIn": true, "administrator": true,
       "failRequests": [3, 5], "shortRequests": [7], "checkRequests": [8],
       "failFrom": 40, "shortLength": 2, "requests": 11, "unplugged": true}]})",
                                                   "inline");
  ASSERT_TRUE(r) << r.error;
  const auto& d = r.scenario->drives;
  ASSERT_EQ(d.size(), 3u);
  EXPECT_EQ(d[0].type, DriveType::Unopenable);
  // A camera with nothing but letter and type gets the documented defaults.
  EXPECT_EQ(d[1].answer, sim::AnswerForm::AA55);
  EXPECT_TRUE(d[1].camera == sim::CameraState{});
  EXPECT_TRUE(sim::PasswordMatches(d[1].camera.userPassword, "1234"));
  EXPECT_TRUE(sim::PasswordMatches(d[1].camera.adminPassword, "888888"));
  EXPECT_TRUE(d[1].faults == sim::FaultPlan{});
  EXPECT_EQ(d[1].requests, 0u);

  const sim::DriveSpec& z = d[2];
  EXPECT_EQ(z.letter, 'Z');
  EXPECT_EQ(z.answer, sim::AnswerForm::RIZ);
  EXPECT_TRUE(sim::PasswordMatches(z.camera.userPassword, "pw"));
  EXPECT_TRUE(sim::PasswordMatches(z.camera.adminPassword, "admin"));
  EXPECT_EQ(z.camera.wrongAttempts, 3);
  EXPECT_EQ(z.camera.officer + z.camera.department + z.camera.additional + z.camera.hint, "ODAH");
  EXPECT_EQ(z.camera.firmware, (std::array<std::string, 3>{"a", "", "c"}));
  EXPECT_EQ(z.camera.serial, "S");
  EXPECT_EQ(z.camera.resolution + z.camera.loopRecording + z.camera.query0D, 11);
  EXPECT_EQ(z.camera.time, (std::array<std::uint8_t, 3>{1, 2, 3}));
  EXPECT_EQ(z.camera.date, (std::array<std::uint8_t, 3>{24, 5, 6}));
  EXPECT_TRUE(z.camera.diskAccess);
  EXPECT_TRUE(z.camera.loggedIn && z.camera.administrator);
  EXPECT_EQ(z.faults.failRequests, (std::set<std::uint64_t>{3, 5}));
  EXPECT_EQ(z.faults.shortRequests, (std::set<std::uint64_t>{7}));
  EXPECT_EQ(z.faults.checkRequests, (std::set<std::uint64_t>{8}));
  EXPECT_EQ(z.faults.failFrom, 40u);
  EXPECT_EQ(z.faults.shortLength, 2u);
  EXPECT_EQ(z.requests, 11u);
  EXPECT_TRUE(z.unplugged);
}

struct BadCase {
  const char* name;
  std::string text;
  std::string where;  // the key's path that the message must name
  std::string what;   // and the complaint
};

std::string WithDrive(const std::string& drive) {
  return R"({"drives": [{"letter": "D", "type": "disk"}, )" + drive + "]}";
}

TEST(ScenarioTest, EachFaultGetsOneMessageAndNoDrive) {
  const std::string long41(41, 'x');
  const BadCase cases[] = {
      {"bad JSON", R"({"drives": [)", "", "not valid JSON"},
      {"number beyond a double", WithDrive(R"({"letter": "F", "type": "disk", "failFrom": 1e400})"),
       "", "not valid JSON"},
      {"not an object", "[]", "the scenario", "must be a JSON object"},
      {"unknown top key", R"({"drive": []})", "drive", "unknown key"},
      {"drives not a list", R"({"drives": {}})", "drives", "must be a list"},
      {"drive not an object", WithDrive("7"), "drives[1]", "must be a JSON object"},
      {"missing letter", WithDrive(R"({"type": "disk"})"), "drives[1].letter", "missing"},
      {"missing type", WithDrive(R"({"letter": "F"})"), "drives[1].type", "missing"},
      {"unknown type", WithDrive(R"({"letter": "F", "type": "floppy"})"), "drives[1].type",
       "must be \"disk\""},
      {"letter before D", WithDrive(R"({"letter": "C", "type": "disk"})"), "drives[1].letter",
       "from \"D\" to \"Z\""},
      {"two letters", WithDrive(R"({"letter": "FG", "type": "disk"})"), "drives[1].letter",
       "from \"D\" to \"Z\""},
      {"letter not a text", WithDrive(R"({"letter": 6, "type": "disk"})"), "drives[1].letter",
       "from \"D\" to \"Z\""},
      {"letter twice", WithDrive(R"({"letter": "D", "type": "camera"})"), "drives[1].letter",
       "drive D is already given by drives[0]"},
      {"unknown key", WithDrive(R"({"letter": "F", "type": "camera", "pasword": "1234"})"),
       "drives[1].pasword", "unknown key"},
      {"camera key on a disk", WithDrive(R"({"letter": "F", "type": "disk", "officer": "x"})"),
       "drives[1].officer", "only a camera takes it"},
      {"answer", WithDrive(R"({"letter": "F", "type": "camera", "answer": "AA56"})"),
       "drives[1].answer", "must be \"AA55\" or \"RIZ\""},
      {"text not a text", WithDrive(R"({"letter": "F", "type": "camera", "hint": 5})"),
       "drives[1].hint", "must be a text"},
      {"text over 40",
       WithDrive(R"({"letter": "F", "type": "camera", "officer": ")" + long41 + R"("})"),
       "drives[1].officer", "must be at most 40 characters"},
      {"wide character", WithDrive(R"({"letter": "F", "type": "camera", "hint": "\u0100"})"),
       "drives[1].hint", "up to U+00FF"},
      {"zero character", WithDrive(R"({"letter": "F", "type": "camera", "hint": "a\u0000b"})"),
       "drives[1].hint", "zero character"},
      {"empty password", WithDrive(R"({"letter": "F", "type": "camera", "password": ""})"),
       "drives[1].password", "must be 1 to 10 characters"},
      {"long admin password",
       WithDrive(R"({"letter": "F", "type": "camera", "adminPassword": "12345678901"})"),
       "drives[1].adminPassword", "must be 1 to 10 characters"},
      {"password and digest",
       WithDrive(R"({"letter": "F", "type": "camera", "password": "1", "passwordSha256": "00"})"),
       "drives[1].passwordSha256", "given with password"},
      {"bad digest", WithDrive(R"({"letter": "F", "type": "camera", "passwordSha256": "xyz"})"),
       "drives[1].passwordSha256", "64 hexadecimal digits"},
      {"salt without digest", WithDrive(R"({"letter": "F", "type": "camera", "adminPassword": "1",
                     "adminPasswordSalt": "00112233445566778899aabbccddeeff"})"),
       "drives[1].adminPasswordSalt", "given without adminPasswordSha256"},
      {"salt too short",
       WithDrive(R"({"letter": "F", "type": "camera", "passwordSalt": "0011",
                     "passwordSha256": ")" +
                 std::string(64, '0') + R"("})"),
       "drives[1].passwordSalt", "32 hexadecimal digits"},
      {"firmware of two parts",
       WithDrive(R"({"letter": "F", "type": "camera", "firmware": ["a", "b"]})"),
       "drives[1].firmware", "list of three texts"},
      {"firmware part over 8",
       WithDrive(R"({"letter": "F", "type": "camera", "firmware": ["a", "123456789", "c"]})"),
       "drives[1].firmware[1]", "at most 8 characters"},
      {"serial over 8", WithDrive(R"({"letter": "F", "type": "camera", "serial": "123456789"})"),
       "drives[1].serial", "at most 8 characters"},
      {"setting as text", WithDrive(R"({"letter": "F", "type": "camera", "resolution": "1"})"),
       "drives[1].resolution", "whole number from 0 to 255"},
      {"setting too big", WithDrive(R"({"letter": "F", "type": "camera", "query0D": 256})"),
       "drives[1].query0D", "whole number from 0 to 255"},
      {"attempts negative", WithDrive(R"({"letter": "F", "type": "camera", "wrongAttempts": -1})"),
       "drives[1].wrongAttempts", "whole number"},
      {"fraction", WithDrive(R"({"letter": "F", "type": "disk", "failFrom": 1.5})"),
       "drives[1].failFrom", "whole number"},
      {"request 0", WithDrive(R"({"letter": "F", "type": "disk", "failRequests": [0]})"),
       "drives[1].failRequests", "request numbers (1 or more)"},
      {"requests not a list", WithDrive(R"({"letter": "F", "type": "disk", "checkRequests": 3})"),
       "drives[1].checkRequests", "request numbers"},
      {"clock of two", WithDrive(R"({"letter": "F", "type": "camera", "time": [1, 2]})"),
       "drives[1].time", "three numbers"},
      {"flag as number", WithDrive(R"({"letter": "F", "type": "disk", "unplugged": 1})"),
       "drives[1].unplugged", "true or false"},
  };
  for (const BadCase& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SimulatedDrives drives;
    std::string error;
    EXPECT_FALSE(sim::FromJson(c.text, "bad.json", drives, error));
    EXPECT_EQ(error.rfind("bad.json: " + c.where, 0), 0u) << error;
    EXPECT_NE(error.find(c.what), std::string::npos) << error;
    EXPECT_TRUE(drives.Drives().empty());
  }
}

TEST(ScenarioTest, AFaultLeavesTheDrivesAsTheyWere) {
  sim::SimulatedDrives drives;
  sim::ApplyScenario(sim::DefaultScenario(), drives);
  const std::string before = sim::ToJson(drives);
  std::string error;
  EXPECT_FALSE(sim::FromJson(WithDrive(R"({"letter": "Q", "type": "camera", "serial": 1})"),
                             "bad.json", drives, error));
  EXPECT_EQ(sim::ToJson(drives), before);
  EXPECT_EQ(drives.Drive('D'), nullptr);
}

TEST(ScenarioTest, MessagesNeverShowAPassword) {
  for (const char* text :
       {R"({"drives": [{"letter": "F", "type": "camera", "password": "SECRETSECRET"}]})",
        R"({"drives": [{"letter": "F", "type": "camera", "password": "SECRET" )"}) {
    const sim::ScenarioResult r = sim::ParseScenario(text, "bad.json");
    ASSERT_FALSE(r);
    EXPECT_EQ(r.error.find("SECRET"), std::string::npos) << r.error;
  }
}

TEST(ScenarioTest, FilesAreNamedInMessages) {
  const std::filesystem::path dir = std::filesystem::temp_directory_path();
  const std::string missing = (dir / "zul-no-such-scenario.json").string();
  sim::ScenarioResult r = sim::LoadScenarioFile(missing);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error, missing + ": cannot be read");

  const std::string bad = (dir / "zul-bad-scenario.json").string();
  std::ofstream(bad) << R"({"drives": [{"letter": "F", "type": "camera", "serial": "123456789"}]})";
  r = sim::LoadScenarioFile(bad);
  std::filesystem::remove(bad);
  ASSERT_FALSE(r);
  EXPECT_EQ(r.error, bad + ": drives[0].serial: must be at most 8 characters");
}

TEST(StateJsonTest, CameraStateRoundTrip) {
  sim::CameraState s;
  s.officer = "Caf\xE9 \xFF";  // 8-bit text survives the UTF-8 file
  s.department = "D";
  s.additional = std::string(40, 'a');
  s.hint = "h";
  s.userPassword = sim::DigestOfPassword("opensesame");
  s.adminPassword = sim::DigestOfPassword("root");
  s.wrongAttempts = 6;
  s.firmware = {"X", "", "12345678"};
  s.serial = "";
  s.resolution = 7;
  s.loopRecording = 1;
  s.query0D = 255;
  s.time = {12, 0, 59};
  s.date = {25, 1, 2};
  s.diskAccess = true;
  s.loggedIn = true;
  const std::string json = sim::ToJson(s);
  EXPECT_EQ(json.find("opensesame"), std::string::npos);
  EXPECT_NE(json.find("passwordSha256"), std::string::npos);
  sim::CameraState back;
  std::string error;
  ASSERT_TRUE(sim::FromJson(json, "state", back, error)) << error;
  EXPECT_TRUE(back == s);
  // A camera state has no drive keys.
  EXPECT_FALSE(sim::FromJson(R"({"letter": "F"})", "state", back, error));
  EXPECT_EQ(error, "state: letter: unknown key");
  EXPECT_TRUE(back == s);
}

TEST(StateJsonTest, DrivesRoundTripWithCountersAndAttempts) {
  sim::SimulatedDrives drives;
  sim::Scenario scenario = sim::DefaultScenario();
  scenario.drives.push_back({});  // a disk at D
  scenario.drives.back().faults.failFrom = 3;
  sim::ApplyScenario(scenario, drives);
  drives.Drive('F')->faults.shortRequests = {90};
  // Use them: two wrong logins, a changed hint, and a disk unplugged by its fault.
  DeviceSession session{drives};
  for (int i = 0; i < 2; ++i) {
    DiscoverCamera(session);
    test::CheckPassword(session, "0000");
  }
  WriteTextField(session, TEXT_HINT, "changed");
  for (int i = 0; i < 2; ++i) DiscoverCamera(session);
  const sim::Scenario used = sim::CaptureScenario(drives);
  ASSERT_EQ(used.drives.size(), 2u);
  EXPECT_TRUE(used.drives[0].unplugged);
  EXPECT_EQ(used.drives[1].camera.wrongAttempts, 2);
  EXPECT_GT(used.drives[1].requests, 4u);

  sim::SimulatedDrives restored;
  std::string error;
  ASSERT_TRUE(sim::FromJson(sim::ToJson(drives), "state.json", restored, error)) << error;
  EXPECT_TRUE(sim::CaptureScenario(restored) == used);
  // The restored camera counts on from where it was.
  DeviceSession again{restored};
  ASSERT_TRUE(DiscoverCamera(again));
  EXPECT_EQ(test::CheckPassword(again, "0000"), std::make_pair(0, 3));
  // INQUIRY, identification, one chunk and the check, counted on.
  EXPECT_EQ(restored.Drive('F')->requests, used.drives[1].requests + 4);
}

TEST(StateJsonTest, LoginSurvivesSaveAndRestore) {
  sim::SimulatedDrives drives;
  sim::ApplyScenario(sim::DefaultScenario(), drives);
  DeviceSession session{drives};
  ASSERT_TRUE(DiscoverCamera(session));
  ASSERT_EQ(test::CheckPassword(session, "888888").first, 2);

  sim::SimulatedDrives restored;
  std::string error;
  ASSERT_TRUE(sim::FromJson(sim::ToJson(drives), "state.json", restored, error)) << error;
  DeviceSession again{restored};
  ASSERT_TRUE(DiscoverCamera(again));
  ReplyBlock block{};
  ASSERT_TRUE(IssueCommand(again, CMD_GET_LOGIN_STATE, block));
  EXPECT_EQ(block[0], 1);
  EXPECT_EQ(block[1], 2);
  // The scenario itself starts logged out.
  sim::ApplyScenario(sim::DefaultScenario(), restored);
  ASSERT_TRUE(DiscoverCamera(again));
  ASSERT_TRUE(IssueCommand(again, CMD_GET_LOGIN_STATE, block));
  EXPECT_EQ(block[0], 0);
}

}  // namespace
}  // namespace zul
