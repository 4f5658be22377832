// The device trace: one flushed line per request, passwords masked.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

#include "devicelink/Command.h"
#include "devicelink/Discovery.h"
#include "devicelink/TracingPort.h"
#include "simulator/SimulatedDrives.h"
#include "tests/support/Files.h"

namespace zul {
namespace {

class ScriptedCamera : public sim::SimulatedCamera {
 public:
  std::array<std::uint8_t, 8> Answer(std::uint32_t code,
                                     const std::array<std::uint8_t, 8>& args) override {
    if (code == CMD_WRITE_TEXT_CHUNK) return args;  // a camera that echoes the chunk
    return {};
  }
};

TEST(TraceTest, LinesForDiscoveryCommandsAndFailures) {
  const std::string path = ::testing::TempDir() + "trace_lines.txt";
  sim::SimulatedDrives drives;
  sim::SimulatedDrive disk;
  disk.type = sim::DriveType::Disk;
  drives.Insert('D', disk);
  sim::SimulatedDrive locked;
  locked.type = sim::DriveType::Unopenable;
  drives.Insert('E', locked);
  sim::SimulatedDrive cam;
  cam.type = sim::DriveType::Camera;
  cam.camera = std::make_shared<ScriptedCamera>();
  cam.faults.failRequests = {4};
  drives.Insert('F', cam);
  {
    TraceLog log(path);
    ASSERT_TRUE(log.IsOpen());
    TracingPort port(drives, log);
    DeviceSession session{port};
    ASSERT_TRUE(DiscoverCamera(session));
    ReplyBlock block{};
    block[0] = 1;
    IssueCommand(session, CMD_SET_RESOLUTION, block);
    // Each line is out before the next request is made.
    const std::string sofar = test::ReadFileBytes(path);
    EXPECT_NE(sofar.find("FE 06 00 00 01 01"), std::string::npos) << sofar;
    block = {};
    EXPECT_FALSE(IssueCommand(session, CMD_GET_RESOLUTION, block));
  }
  const std::string inquiryData =
      "00 80 02 02 1F 00 00 00 53 49 4D 55 4C 41 54 45 47 45 4E 45 52 49 43 20 44 49 53 4B 20 20 "
      "20 20 31 2E 30 30";
  const std::string expected =
      "\\\\.\\D: 12 00 00 00 24 00 -> " + inquiryData +
      "\n"
      "\\\\.\\F: 12 00 00 00 24 00 -> 00 80 02 01 1F 00 00 00 53 49 4D 55 4C 41 54 45 55 53 42 "
      "32 2E 30 20 20 56 49 44 45 4F 20 20 20 31 2E 30 30\n"
      "\\\\.\\F: FA 55 66 01 00 00 00 00 00 00 00 00 00 00 00 00 -> AA 55 00 00 00 00 00 00 00 00 "
      "00 00 00 00 00 00\n"
      "\\\\.\\F: FA 55 66 FE 06 00 00 01 01 00 00 00 00 00 00 00 -> 00 00 00 00 00 00 00 00\n"
      "\\\\.\\F: FA 55 66 FE 60 00 00 01 00 00 00 00 00 00 00 00 -> failed\n";
  EXPECT_EQ(test::ReadFileBytes(path), expected);
  std::remove(path.c_str());
}

// The characters and the length byte: a length would give the password away.
TEST(TraceTest, PasswordCharactersAreMasked) {
  const unsigned char login[16] = {0xFA, 0x55, 0x66, 0xFE, 0x06, 0,   0,   0x25,
                                   0x04, 0x00, 0x04, '1',  '2',  '3', '4', 0};
  const unsigned char echo[8] = {0x04, 0x00, 0x04, '1', '2', '3', '4', 0};
  EXPECT_EQ(FormatTraceLine("\\\\.\\F:", login, 16, echo, 8, true),
            "\\\\.\\F: FA 55 66 FE 06 00 00 25 04 00 ** ** ** ** ** ** -> 04 00 ** ** ** ** ** **");
  unsigned char newPassword[16];
  std::memcpy(newPassword, login, 16);
  newPassword[8] = 0x06;
  EXPECT_EQ(FormatTraceLine("P", newPassword, 16, echo, 8, false),
            "P FA 55 66 FE 06 00 00 25 06 00 ** ** ** ** ** ** -> failed");
  // The hint is no secret.
  unsigned char hint[16];
  std::memcpy(hint, login, 16);
  hint[8] = 0x03;
  EXPECT_EQ(FormatTraceLine("P", hint, 16, echo, 0, true),
            "P FA 55 66 FE 06 00 00 25 03 00 04 31 32 33 34 00 ->");
  // The password check carries the last chunk's answer back: masked the same way.
  const unsigned char check[16] = {0xFA, 0x55, 0x66, 0xFE, 0x66, 0,   0,   0,
                                   0x04, 0x00, 0x04, '1',  '2',  '3', '4', 0};
  const unsigned char verdict[8] = {1, 0, 0, 0, 0, 0, 0, 0};
  EXPECT_EQ(FormatTraceLine("P", check, 16, verdict, 8, true),
            "P FA 55 66 FE 66 00 00 00 04 00 ** ** ** ** ** ** -> 01 00 ** ** ** ** ** **");
}

TEST(TraceTest, EchoingCameraNeverShowsThePassword) {
  const std::string path = ::testing::TempDir() + "trace_pw.txt";
  sim::SimulatedDrives drives;
  sim::SimulatedDrive cam;
  cam.type = sim::DriveType::Camera;
  cam.camera = std::make_shared<ScriptedCamera>();
  drives.Insert('G', cam);
  {
    TraceLog log(path);
    TracingPort port(drives, log);
    DeviceSession session{port};
    ASSERT_TRUE(DiscoverCamera(session));
    ReplyBlock block{};
    const char pw[] = "SECRETPW9";
    for (int chunk = 0; chunk < 2; ++chunk) {
      block = {4, static_cast<std::uint8_t>(chunk), 5};
      for (int i = 0; i < 5; ++i) block[3 + i] = static_cast<std::uint8_t>(pw[chunk * 5 + i]);
      IssueCommand(session, CMD_WRITE_TEXT_CHUNK, block);
    }
    IssueCommand(session, CMD_CHECK_PASSWORD, block);
  }
  const std::string trace = test::ReadFileBytes(path);
  for (const char* piece : {"53 45", "45 43", "52 45", "50 57", "SECRET"}) {
    EXPECT_EQ(trace.find(piece), std::string::npos) << piece << " in\n" << trace;
  }
  std::remove(path.c_str());
}

}  // namespace
}  // namespace zul
