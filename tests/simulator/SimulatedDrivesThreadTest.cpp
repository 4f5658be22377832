// Sessions on different simulated cameras on different threads at once, with
// the drives' state captured meanwhile, as a state file does after a request.

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "cameradata/CameraStatus.h"
#include "devicelink/Discovery.h"
#include "simulator/Scenario.h"
#include "simulator/SimulatedDrives.h"

namespace zul {
namespace {

TEST(SimulatedDrivesThreadTest, SessionsOnDifferentCamerasAtOnce) {
  constexpr int kThreads = 4;
  constexpr int kReadouts = 300;
  sim::SimulatedDrives drives;
  drives.RecordRequests(true);
  for (int i = 0; i < kThreads; ++i) {
    sim::SimulatedDrive d;
    d.type = sim::DriveType::Camera;
    sim::CameraState state;
    state.serial = "SERIAL" + std::to_string(i);
    d.camera = std::make_shared<sim::SimulatedCamera>(state);
    drives.Insert(static_cast<char>('D' + i), d);
  }

  std::atomic<int> wrong{0};
  std::atomic<bool> done{false};
  std::vector<std::thread> threads;
  for (int i = 0; i < kThreads; ++i) {
    threads.emplace_back([&, i] {
      DeviceSession session{drives};
      for (int n = 0; n < kReadouts; ++n) {
        CameraStatus status;
        if (!DiscoverCameraNamed(session, std::string{static_cast<char>('D' + i)}) ||
            !ReadHeldCameraStatus(session, status) ||
            status.serialNumber != "SERIAL" + std::to_string(i)) {
          ++wrong;
        }
        session.ReleaseHandle();
      }
    });
  }
  std::thread capture([&] {
    while (!done) {
      if (sim::CaptureScenario(drives).drives.size() != kThreads) ++wrong;
    }
  });
  for (auto& t : threads) t.join();
  done = true;
  capture.join();

  EXPECT_EQ(wrong, 0);
  EXPECT_EQ(drives.OpenHandleCount(), 0);
  // Every request of every session is in the log, each drive's counted alike.
  const auto log = drives.Requests();
  std::uint64_t total = 0;
  for (const auto& entry : sim::CaptureScenario(drives).drives) {
    EXPECT_EQ(entry.requests, drives.Drive('D')->requests) << entry.letter;
    total += entry.requests;
  }
  EXPECT_EQ(log.size(), total);
  EXPECT_EQ(drives.OpenCount(), std::uint64_t(kThreads * kReadouts));
}

}  // namespace
}  // namespace zul
