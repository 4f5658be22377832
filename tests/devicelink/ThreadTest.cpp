// Sessions on different cameras on different threads at once, over one port,
// one trace and one set of simulated drives: every exchange reaches its own
// camera, and every trace line comes out whole. Built with ThreadSanitizer in
// the tsan preset, where any unguarded shared state shows as a data race.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "cameradata/CameraOperations.h"
#include "cameradata/CameraStatus.h"
#include "devicelink/CommandCatalogue.h"
#include "devicelink/Discovery.h"
#include "devicelink/TraceLog.h"
#include "devicelink/TracingPort.h"
#include "simulator/SimulatedDrives.h"

namespace zul {
namespace {

constexpr int kCameras = 8;
constexpr int kRounds = 20;

TEST(ThreadTest, SessionsOnEightCamerasAtOnce) {
  sim::SimulatedDrives drives;
  for (int i = 0; i < kCameras; ++i) {
    sim::SimulatedDrive drive;
    drive.type = sim::DriveType::Camera;
    sim::CameraState state;
    state.serial = "SN00000" + std::to_string(i);
    state.userPassword = sim::DigestOfPassword("2580");
    drive.camera = std::make_shared<sim::SimulatedCamera>(state);
    drives.Insert(static_cast<char>('D' + i), std::move(drive));
  }
  const std::string path = ::testing::TempDir() + "threads-trace.txt";
  std::vector<std::string> faults(kCameras);
  {
    TraceLog log(path);
    ASSERT_TRUE(log.IsOpen());
    TracingPort port(drives, log);
    std::vector<std::thread> threads;
    for (int i = 0; i < kCameras; ++i) {
      threads.emplace_back([&port, &faults, i] {
        std::string& fault = faults[i];
        DeviceSession session{port};
        const std::string letter{static_cast<char>('D' + i)};
        for (int round = 0; round < kRounds && fault.empty(); ++round) {
          if (!DiscoverCameraNamed(session, letter)) fault = "not found";
          if (!LogIn(session, "2580").LoggedIn()) fault = "login refused";
          const std::string hint = "hint of " + letter + " #" + std::to_string(round);
          const TextToWrite text[] = {{TEXT_HINT, hint}};
          if (WriteTexts(session, text) != Exchange::Done) fault = "hint not written";
          if (SetSetting(session, CMD_SET_RESOLUTION, round % 2) != Exchange::Done) {
            fault = "setting not sent";
          }
          CameraStatus status;
          if (!ReadHeldCameraStatus(session, status)) fault = "readout failed";
          if (status.hintText != hint) fault = "read back " + status.hintText + " for " + hint;
          if (status.resolutionIndex != round % 2) fault = "another camera's resolution";
          if (status.serialNumber != "SN00000" + std::to_string(i)) fault = "another camera";
        }
        session.ReleaseHandle();
      });
    }
    for (std::thread& t : threads) t.join();
  }
  for (int i = 0; i < kCameras; ++i) EXPECT_EQ(faults[i], "") << "camera " << i;
  EXPECT_EQ(drives.OpenHandleCount(), 0);

  // Every line is one whole request: a path, a command block, an answer.
  const std::regex line(R"(\\\\\.\\[D-K]: [0-9A-F]{2}( [0-9A-F*]{2}){5,15} ->( [0-9A-F*]{2})*)");
  std::ifstream in(path);
  int lines = 0;
  for (std::string text; std::getline(in, text); ++lines) {
    ASSERT_TRUE(std::regex_match(text, line)) << "line " << lines + 1 << ": " << text;
  }
  EXPECT_GT(lines, kCameras * kRounds * 20);
  std::remove(path.c_str());
}

}  // namespace
}  // namespace zul
