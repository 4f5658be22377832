// What a walk over the cameras costs each device: one open, one INQUIRY, one
// identification, and at most one serial-number request, whichever command
// walks and at whichever pace. The tsan preset runs it under ThreadSanitizer.

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CameraWalk.h"
#include "cli/Zulctl.h"
#include "devicelink/CommandCatalogue.h"
#include "simulator/SimulatedDrives.h"
#include "tests/support/CountingPort.h"

namespace zul::cli {
namespace {

const std::string kD = "\\\\.\\D:", kE = "\\\\.\\E:", kF = "\\\\.\\F:";

// Cameras at D: and F: (password 1234), a plain disk at E:, nothing else.
struct Dock {
  Dock() {
    for (const char letter : {'D', 'F'}) {
      sim::SimulatedDrive drive;
      drive.type = sim::DriveType::Camera;
      drive.camera = std::make_shared<sim::SimulatedCamera>();
      drives.Insert(letter, std::move(drive));
    }
    sim::SimulatedDrive disk;
    disk.type = sim::DriveType::Disk;
    drives.Insert('E', std::move(disk));
  }
  sim::SimulatedDrives drives;
  test::CountingPort port{drives};
};

// Each device's cost as counted: opens, INQUIRYs, identifications, serial
// number requests.
struct Cost {
  int opens, inquiries, identifications, serials;
  bool operator==(const Cost&) const = default;
};

std::ostream& operator<<(std::ostream& os, const Cost& c) {
  return os << "{opens " << c.opens << ", inquiries " << c.inquiries << ", identifications "
            << c.identifications << ", serials " << c.serials << "}";
}

Cost CostOf(test::CountingPort& port, const std::string& path) {
  return {port.opens(path), port.inquiries(path), port.identifications(path),
          port.requests(path, CMD_GET_SERIAL_NUMBER)};
}

TEST(CameraWalkTest, EachDeviceIsOpenedAndAskedOnceAtEitherPace) {
  const struct {
    WalkPlan plan;
    int serials;  // per camera
  } cases[] = {
      {{WalkPlan::Pace::OneByOne, false}, 0},
      {{WalkPlan::Pace::OneByOne, true}, 1},
      {{WalkPlan::Pace::AllAtOnce, false}, 0},
      {{WalkPlan::Pace::AllAtOnce, true}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "all at once " << (c.plan.pace == WalkPlan::Pace::AllAtOnce)
                                    << ", serial " << c.plan.readSerial);
    Dock dock;
    std::mutex mutex;
    std::set<std::string> visited;
    const std::vector<DeviceCandidate> candidates = DriveLetterCandidates();
    const std::size_t cameras =
        WalkCameras(dock.port, candidates, c.plan,
                    [&](std::size_t i, DeviceSession& session, const WalkedCamera& camera) {
                      EXPECT_EQ(camera.candidate, candidates[i]);
                      EXPECT_EQ(session.deviceName, camera.candidate.name);
                      EXPECT_EQ(camera.serialNumber.has_value(), c.plan.readSerial);
                      const std::lock_guard lock(mutex);
                      visited.insert(camera.candidate.name);
                    });
    EXPECT_EQ(cameras, 2u);
    EXPECT_EQ(visited, (std::set<std::string>{"D:", "F:"}));
    EXPECT_EQ(CostOf(dock.port, kD), (Cost{1, 1, 1, c.serials}));
    EXPECT_EQ(CostOf(dock.port, kF), (Cost{1, 1, 1, c.serials}));
    EXPECT_EQ(CostOf(dock.port, kE), (Cost{1, 1, 0, 0}));  // the disk: its INQUIRY only
    EXPECT_EQ(dock.drives.OpenHandleCount(), 0);
  }
}

// Through zulctl as a whole: the walk's serial number serves the readout of
// --all status, so a camera costs one readout.
TEST(CameraWalkTest, CommandsCostEachCameraOneOpenAndOneSerialNumber) {
  const struct {
    std::vector<const char*> args;
    Cost camera;  // at D: and at F:
  } cases[] = {
      {{"--all", "status"}, {1, 1, 1, 1}},
      {{"--all", "status", "--json"}, {1, 1, 1, 1}},
      {{"--all", "set-time"}, {1, 1, 1, 1}},
      {{"list"}, {1, 1, 1, 1}},
  };
  for (const auto& c : cases) {
    std::vector<const char*> args = c.args;
    args.insert(args.begin(), "zulctl");
    testing::Message command;
    for (const char* arg : c.args) command << arg << " ";
    SCOPED_TRACE(command);
    Dock dock;
    std::FILE* in = std::tmpfile();
    std::fputs("1234\n", in);
    std::rewind(in);
    std::ostringstream out, err;
    EXPECT_EQ(RunZulctl(static_cast<int>(args.size()), args.data(), in, out, err, &dock.port), 0)
        << err.str();
    std::fclose(in);
    EXPECT_EQ(CostOf(dock.port, kD), c.camera);
    EXPECT_EQ(CostOf(dock.port, kF), c.camera);
    EXPECT_EQ(CostOf(dock.port, kE), (Cost{1, 1, 0, 0}));
  }
}

}  // namespace
}  // namespace zul::cli
