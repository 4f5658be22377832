// The status readout against the simulated camera: what it fills, where it
// gives up and what it leaves alone.

#include <gtest/gtest.h>

#include <functional>
#include <optional>

#include "cameradata/CameraStatus.h"
#include "devicelink/CommandCatalogue.h"
#include "devicelink/Discovery.h"
#include "simulator/SimulatedDrives.h"

namespace zul {
namespace {

// A simulated camera whose login-state answer is fixed by the test, whatever
// the login of its connection.
class LoginStateCamera : public sim::SimulatedCamera {
 public:
  using SimulatedCamera::SimulatedCamera;
  std::optional<Bytes> loginState;
  Bytes Answer(std::uint32_t code, const Bytes& args) override {
    if (code == CMD_GET_LOGIN_STATE && loginState) return *loginState;
    return SimulatedCamera::Answer(code, args);
  }
};

sim::CameraState SampleState() {
  sim::CameraState s;
  s.officer = "OFFICER 0417";  // 12 characters: 3 chunks
  s.department = "NORTH DIV";  // 2 chunks
  s.additional = "";           // 1 chunk
  s.hint = "four digits";      // 3 chunks
  s.firmware = {"V1.6", ".2024", "1201"};
  s.serial = "A1234567";
  s.resolution = 1;
  s.loopRecording = 1;
  s.query0D = 3;
  return s;
}

CameraStatus OldStatus() {
  CameraStatus s;
  s.resolutionIndex = s.loopRecordingIndex = s.query0D = 99;
  s.connected = true;  // the readout must not touch it
  s.firmwareText = s.officerText = s.serialNumber = s.serialLine = "old";
  s.departmentText = s.additionalText = s.hintText = "old";
  return s;
}

void ExpectSame(const CameraStatus& a, const CameraStatus& b) {
  EXPECT_EQ(a.firmwareText, b.firmwareText);
  EXPECT_EQ(a.officerText, b.officerText);
  EXPECT_EQ(a.departmentText, b.departmentText);
  EXPECT_EQ(a.additionalText, b.additionalText);
  EXPECT_EQ(a.hintText, b.hintText);
  EXPECT_EQ(a.resolutionIndex, b.resolutionIndex);
  EXPECT_EQ(a.loopRecordingIndex, b.loopRecordingIndex);
  EXPECT_EQ(a.query0D, b.query0D);
  EXPECT_EQ(a.serialNumber, b.serialNumber);
  EXPECT_EQ(a.serialLine, b.serialLine);
  EXPECT_EQ(a.loggedIn, b.loggedIn);
  EXPECT_EQ(a.administrator, b.administrator);
  EXPECT_EQ(a.connected, b.connected);
}

class ReadCameraStatusTest : public ::testing::Test {
 protected:
  sim::SimulatedDrives drives;
  DeviceSession session{drives};
  std::shared_ptr<LoginStateCamera> camera = std::make_shared<LoginStateCamera>(SampleState());

  void SetUp() override { Attach('F'); }
  void Attach(char letter, sim::FaultPlan faults = {}) {
    sim::SimulatedDrive d;
    d.type = sim::DriveType::Camera;
    d.camera = camera;
    d.faults = faults;
    drives.Insert(letter, d);
  }
  CameraStatus Read(bool expected) {
    CameraStatus s = OldStatus();
    EXPECT_EQ(ReadCameraStatus(session, s), expected);
    return s;
  }
};

TEST_F(ReadCameraStatusTest, FillsEveryMember) {
  camera->loginState = {1, 2};
  CameraStatus s = Read(true);
  EXPECT_EQ(s.firmwareText, "Firmware Version:   V1.6.20241201");
  EXPECT_EQ(s.officerText, "OFFICER 0417");
  EXPECT_EQ(s.departmentText, "NORTH DIV");
  EXPECT_EQ(s.additionalText, "");
  EXPECT_EQ(s.hintText, "four digits");
  EXPECT_EQ(s.resolutionIndex, 1);
  EXPECT_EQ(s.loopRecordingIndex, 1);
  EXPECT_EQ(s.query0D, 3);
  EXPECT_EQ(s.serialNumber, "A1234567");
  EXPECT_EQ(s.serialLine, "Camera Serial Number: A1234567");
  EXPECT_TRUE(s.loggedIn);
  EXPECT_TRUE(s.administrator);
  EXPECT_TRUE(s.connected);
  // A second readout replaces the members whole: nothing is appended.
  CameraStatus again = s;
  EXPECT_TRUE(ReadCameraStatus(session, again));
  ExpectSame(again, s);
}

TEST_F(ReadCameraStatusTest, HeldCameraIsReadWithoutAScan) {
  sim::CameraState other = SampleState();
  other.serial = "K0000001";
  sim::SimulatedDrive k;
  k.type = sim::DriveType::Camera;
  k.camera = std::make_shared<sim::SimulatedCamera>(other);
  drives.Insert('K', k);
  ASSERT_TRUE(DiscoverCameraNamed(session, "K:"));
  const std::uint64_t opens = drives.OpenCount();
  CameraStatus s = OldStatus();
  ASSERT_TRUE(ReadHeldCameraStatus(session, s));
  EXPECT_EQ(s.serialNumber, "K0000001");  // not F, the first camera
  EXPECT_EQ(drives.OpenCount(), opens);
  // Without a held camera the first query fails.
  session.ReleaseHandle();
  EXPECT_FALSE(ReadHeldCameraStatus(session, s));
}

TEST_F(ReadCameraStatusTest, NoCameraChangesNothing) {
  drives.Remove('F');
  ExpectSame(Read(false), OldStatus());
  // A disk and an impostor are no camera either.
  sim::SimulatedDrive disk, impostor;
  impostor.type = sim::DriveType::Impostor;
  drives.Insert('D', disk);
  drives.Insert('E', impostor);
  ExpectSame(Read(false), OldStatus());
}

TEST_F(ReadCameraStatusTest, GivesUpAtTheFirstFailedStep) {
  camera->loginState = {1, 2};
  CameraStatus full = OldStatus();
  ASSERT_TRUE(ReadCameraStatus(session, full));

  // What steps 1 to n fill, in order; the rest keep their old values.
  const std::function<void(CameraStatus&, const CameraStatus&)> fills[] = {
      [](CameraStatus& s, const CameraStatus& f) { s.firmwareText = f.firmwareText; },
      [](CameraStatus& s, const CameraStatus& f) { s.officerText = f.officerText; },
      [](CameraStatus& s, const CameraStatus& f) { s.departmentText = f.departmentText; },
      [](CameraStatus& s, const CameraStatus& f) { s.additionalText = f.additionalText; },
      [](CameraStatus& s, const CameraStatus& f) { s.hintText = f.hintText; },
      [](CameraStatus& s, const CameraStatus& f) { s.resolutionIndex = f.resolutionIndex; },
      [](CameraStatus& s, const CameraStatus& f) { s.loopRecordingIndex = f.loopRecordingIndex; },
      [](CameraStatus& s, const CameraStatus& f) { s.query0D = f.query0D; },
      [](CameraStatus& s, const CameraStatus& f) {
        s.serialNumber = f.serialNumber;
        s.serialLine = f.serialLine;
      },
  };
  // Requests on the camera's drive: 1 INQUIRY, 2 identification, 3-5 firmware,
  // 6 query 28, 7-9 officer, 10-11 department, 12 additional, 13-15 hint,
  // 16 resolution, 17 loop recording, 18 query 0D, 19 serial, 20 login state.
  const struct {
    std::uint64_t failing;
    std::size_t filled;
  } cases[] = {{1, 0},  {2, 0},  {3, 0},  {4, 0},  {5, 0},  {6, 1},  {7, 1},  {9, 1}, {10, 2},
               {11, 2}, {12, 3}, {13, 4}, {15, 4}, {16, 5}, {17, 6}, {18, 7}, {19, 8}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "request " << c.failing << " fails");
    sim::FaultPlan faults;
    faults.failRequests = {c.failing};
    Attach('F', faults);
    CameraStatus expected = OldStatus();
    for (std::size_t i = 0; i < c.filled; ++i) fills[i](expected, full);
    ExpectSame(Read(false), expected);
    EXPECT_EQ(session.handle, kNoHandle) << "a camera that could not be read is let go";
  }
  // The login state failing goes unnoticed: complete, no flag set.
  sim::FaultPlan faults;
  faults.failRequests = {20};
  Attach('F', faults);
  CameraStatus expected = full;
  expected.loggedIn = expected.administrator = false;
  ExpectSame(Read(true), expected);
}

TEST_F(ReadCameraStatusTest, FirmwarePartsAndSerialAsTheyCome) {
  const struct {
    std::array<std::string, 3> parts;
    std::string serial;
    std::string firmwareText;
  } cases[] = {
      {{"ab", "", "c"}, "", "Firmware Version:   abc"},
      {{"ABCDEFGH", "12345678", "abcdefgh"}, "ZZ", "Firmware Version:   ABCDEFGH12345678abcdefgh"},
      {{" x ", "\x01", "."}, "12345678", "Firmware Version:    x \x01."},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.firmwareText);
    camera->state.firmware = c.parts;
    camera->state.serial = c.serial;
    const CameraStatus s = Read(true);
    EXPECT_EQ(s.firmwareText, c.firmwareText);
    EXPECT_EQ(s.serialNumber, c.serial);
    EXPECT_EQ(s.serialLine, "Camera Serial Number: " + c.serial);
  }
}

TEST_F(ReadCameraStatusTest, SettingsAreStoredUnchecked) {
  camera->state.resolution = 7;
  camera->state.loopRecording = 255;
  camera->state.query0D = 0x80;
  const CameraStatus s = Read(true);
  EXPECT_EQ(s.resolutionIndex, 7);
  EXPECT_EQ(s.loopRecordingIndex, 255);
  EXPECT_EQ(s.query0D, 128);
}

TEST_F(ReadCameraStatusTest, LoginStateOnlySetsFlags) {
  const struct {
    std::array<std::uint8_t, 2> reply;
    bool before;
    bool loggedIn;
    bool administrator;
  } cases[] = {
      {{1, 2}, false, true, true},   {{0, 2}, false, false, true},
      {{1, 0}, false, true, false},  {{2, 0}, false, false, false},
      {{2, 1}, false, false, false}, {{0, 0}, true, true, true},  // never cleared
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << int(c.reply[0]) << " " << int(c.reply[1]));
    camera->loginState = sim::SimulatedCamera::Bytes{c.reply[0], c.reply[1]};
    CameraStatus s = OldStatus();
    s.loggedIn = s.administrator = c.before;
    s.connected = false;
    EXPECT_TRUE(ReadCameraStatus(session, s));
    EXPECT_FALSE(s.connected);
    EXPECT_EQ(s.loggedIn, c.loggedIn);
    EXPECT_EQ(s.administrator, c.administrator);
  }
}

}  // namespace
}  // namespace zul
