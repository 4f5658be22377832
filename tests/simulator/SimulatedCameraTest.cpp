// The simulated camera as the tool meets it: passwords and lock-out, the
// login of each connection (from plugging in to pulling out), settings and
// clock, and texts it will not give back.

#include <gtest/gtest.h>

#include "cameradata/CameraStatus.h"
#include "cameradata/TextField.h"
#include "devicelink/Command.h"
#include "devicelink/Discovery.h"
#include "simulator/Sha256.h"
#include "simulator/SimulatedDrives.h"
#include "tests/simulator/LoginTraffic.h"

namespace zul {
namespace {

class SimulatedCameraTest : public ::testing::Test {
 protected:
  sim::SimulatedDrives drives;
  DeviceSession session{drives};
  std::shared_ptr<sim::SimulatedCamera> camera = std::make_shared<sim::SimulatedCamera>();

  void SetUp() override {
    sim::SimulatedDrive d;
    d.type = sim::DriveType::Camera;
    d.camera = camera;
    drives.Insert('F', d);
  }

  // The login's traffic on a fresh connection: verdict and wrong-attempt count.
  std::pair<int, int> Login(std::string_view password) {
    EXPECT_TRUE(DiscoverCamera(session));
    return test::CheckPassword(session, password);
  }
  void Replug() {
    sim::SimulatedDrive d = *drives.Drive('F');
    drives.Remove('F');
    drives.Insert('F', d);
  }
  std::pair<int, int> LoginState() {
    ReplyBlock block{};
    EXPECT_TRUE(IssueCommand(session, CMD_GET_LOGIN_STATE, block));
    return {block[0], block[1]};
  }
  void Send(std::uint32_t code, std::array<std::uint8_t, 3> args) {
    ReplyBlock block{args[0], args[1], args[2]};
    EXPECT_TRUE(IssueCommand(session, code, block));
  }
};

using Verdict = std::pair<int, int>;

TEST_F(SimulatedCameraTest, VerdictsAndTheLoginOfTheConnection) {
  EXPECT_EQ(Login("1234"), Verdict(1, 0));
  EXPECT_EQ(LoginState(), Verdict(1, 0));
  EXPECT_EQ(Login("888888"), Verdict(2, 0));
  EXPECT_EQ(LoginState(), Verdict(1, 2));
  // A scan opens the volume again; the camera does not see that and stays
  // logged in, and the login is part of its state.
  ASSERT_TRUE(DiscoverCamera(session));
  EXPECT_EQ(LoginState(), Verdict(1, 2));
  EXPECT_TRUE(camera->state.loggedIn && camera->state.administrator);
  // Plugging it in again starts a new connection, logged out.
  Replug();
  ASSERT_TRUE(DiscoverCamera(session));
  EXPECT_EQ(LoginState(), Verdict(0, 0));
  EXPECT_EQ(Login("1234"), Verdict(1, 0));
  EXPECT_EQ(Login("12345"), Verdict(0, 1));
  EXPECT_EQ(LoginState(), Verdict(0, 0));
  EXPECT_EQ(Login("123"), Verdict(0, 2));
  EXPECT_EQ(Login(""), Verdict(0, 3));
}

TEST_F(SimulatedCameraTest, PasswordsAreAssembledFromTheirChunks) {
  // Five and ten characters end on a chunk with length byte 0.
  for (std::string password : {"1", "12345", "123456", "abcdefghij"}) {
    SCOPED_TRACE(password);
    camera->state.userPassword = sim::DigestOfPassword(password);
    EXPECT_EQ(Login(password), Verdict(1, 0));
    EXPECT_EQ(Login(password + "x"), Verdict(0, 1));
    EXPECT_EQ(Login(password.substr(0, password.size() - 1)), Verdict(0, 2));
    camera->state.wrongAttempts = 0;
  }
}

TEST_F(SimulatedCameraTest, LocksAfterSixWrongAttempts) {
  for (int i = 1; i <= 5; ++i) EXPECT_EQ(Login("0000"), Verdict(0, i));
  EXPECT_EQ(Login("1234"), Verdict(1, 0));  // a correct login resets the count
  for (int i = 1; i <= 6; ++i) EXPECT_EQ(Login("0000"), Verdict(0, i));
  EXPECT_EQ(Login("1234"), Verdict(0, 6));  // locked: even the user password
  EXPECT_EQ(LoginState(), Verdict(0, 0));
  EXPECT_EQ(Login("0000"), Verdict(0, 6));
  EXPECT_EQ(camera->state.wrongAttempts, 6);
  EXPECT_EQ(Login("888888"), Verdict(2, 0));  // the administrator unlocks it
  EXPECT_EQ(camera->state.wrongAttempts, 0);
  EXPECT_EQ(Login("1234"), Verdict(1, 0));
}

TEST_F(SimulatedCameraTest, NewPasswordReplacesTheUserPassword) {
  ASSERT_TRUE(DiscoverCamera(session));
  WriteTextField(session, TEXT_NEW_PASSWORD, "5678");
  EXPECT_EQ(Login("1234"), Verdict(0, 1));
  EXPECT_EQ(Login("5678"), Verdict(1, 0));
  // An empty password or one of more than ten characters is not taken.
  for (std::string refused : {"", "12345678901"}) {
    WriteTextField(session, TEXT_NEW_PASSWORD, refused);
    EXPECT_EQ(Login("5678"), Verdict(1, 0));
  }
  // Neither password can be read back.
  for (TextKind kind : {TEXT_LOGIN_PASSWORD, TEXT_NEW_PASSWORD}) {
    std::string text = "unread";
    WriteTextField(session, kind, "5678");
    ASSERT_TRUE(ReadTextField(session, kind, text));
    EXPECT_EQ(text, "");
  }
}

TEST_F(SimulatedCameraTest, HalfSentTextIsDroppedOnReconnect) {
  ASSERT_TRUE(DiscoverCamera(session));
  ReplyBlock chunk{TEXT_LOGIN_PASSWORD, 0, 5, '1', '2', '3', '4', '5'};
  IssueCommand(session, CMD_WRITE_TEXT_CHUNK, chunk);
  camera->state.userPassword = sim::DigestOfPassword("12345");
  Replug();
  ASSERT_TRUE(DiscoverCamera(session));
  ReplyBlock check{};
  IssueCommand(session, CMD_CHECK_PASSWORD, check);
  EXPECT_EQ(check[0], 0);
}

TEST_F(SimulatedCameraTest, SettingsClockAndDiskAccess) {
  ASSERT_TRUE(DiscoverCamera(session));
  Send(CMD_SET_RESOLUTION, {1, 0, 0});
  Send(CMD_SET_LOOP_RECORDING, {1, 0, 0});
  Send(CMD_SET_TIME, {23, 59, 58});
  Send(CMD_SET_DATE, {24, 12, 31});
  EXPECT_FALSE(camera->state.diskAccess);
  Send(CMD_ALLOW_DISK_ACCESS, {0, 0, 0});
  EXPECT_TRUE(camera->state.diskAccess);
  EXPECT_EQ(camera->state.time, (std::array<std::uint8_t, 3>{23, 59, 58}));
  EXPECT_EQ(camera->state.date, (std::array<std::uint8_t, 3>{24, 12, 31}));
  CameraStatus status;
  ASSERT_TRUE(ReadCameraStatus(session, status));
  EXPECT_EQ(status.resolutionIndex, 1);
  EXPECT_EQ(status.loopRecordingIndex, 1);
  Send(CMD_SET_RESOLUTION, {0, 0, 0});
  ASSERT_TRUE(ReadCameraStatus(session, status));
  EXPECT_EQ(status.resolutionIndex, 0);
  // The storage stays open for this connection only.
  Replug();
  EXPECT_FALSE(camera->state.diskAccess);
  EXPECT_EQ(camera->state.time, (std::array<std::uint8_t, 3>{23, 59, 58}));
}

TEST(Sha256Test, KnownDigests) {
  auto hex = [](const sim::Sha256Digest& d) {
    std::string s;
    char b[3];
    for (std::uint8_t x : d) std::snprintf(b, sizeof b, "%02x", x), s += b;
    return s;
  };
  EXPECT_EQ(hex(sim::Sha256("")),
            "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
  EXPECT_EQ(hex(sim::Sha256("abc")),
            "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
  EXPECT_EQ(hex(sim::Sha256("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq")),
            "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
  EXPECT_EQ(hex(sim::Sha256(std::string(1000, 'a'))),
            "41edece42d63e8d9bf515a9ba6932e1c20cbc9f5a5d134645adb5db1b9737ea3");
}

}  // namespace
}  // namespace zul
