// zulctl watch on Windows: the volume broadcasts the system makes, taken by
// the hidden window and turned into notices, and a whole watch over them.

// clang-format off
#include <windows.h>
#include <dbt.h>
// clang-format on

#include <fcntl.h>
#include <gtest/gtest.h>
#include <io.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <thread>

#include "cli/ExitCode.h"
#include "cli/Terminal.h"
#include "cli/Zulctl.h"
#include "cli/win32/VolumeNotices.h"
#include "simulator/SimulatedDrives.h"
#include "tests/support/win32/Console.h"

namespace zul::cli {
namespace {

using Change = DeviceNotice::Change;

TEST(WatchTest, VolumeUnitMasksNameTheLettersFromD) {
  EXPECT_EQ(VolumeMaskNotices(Change::Arrived, (1u << 2) | (1u << 5) | (1u << 25)),
            (std::vector<DeviceNotice>{{Change::Arrived, DriveLetterCandidate('F')},
                                       {Change::Arrived, DriveLetterCandidate('Z')}}));
  EXPECT_EQ(VolumeMaskNotices(Change::Removed, 1u << 3),
            (std::vector<DeviceNotice>{{Change::Removed, DriveLetterCandidate('D')}}));
  EXPECT_TRUE(VolumeMaskNotices(Change::Removed, 0x7).empty());  // A: to C: only
}

// The broadcast the system makes for a volume, to the top-level windows of
// every desktop (Wine 8 delivers it to none without BSM_ALLDESKTOPS).
void BroadcastVolume(WPARAM event, DWORD unitMask) {
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof volume;
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  volume.dbcv_unitmask = unitMask;
  DWORD recipients = BSM_ALLDESKTOPS | BSM_APPLICATIONS;
  BroadcastSystemMessageW(BSF_FORCEIFHUNG | BSF_QUERY, &recipients, WM_DEVICECHANGE, event,
                          reinterpret_cast<LPARAM>(&volume));
}

TEST(WatchTest, TheHiddenWindowTakesVolumeBroadcastsAndGoesCleanly) {
  sim::SimulatedDrives unused;  // the port matters on Linux only
  std::string error;
  auto notices = OpenSystemNotices(unused, error);
  ASSERT_TRUE(notices) << error;
  const HWND window = FindWindowW(kVolumeNoticeClass, nullptr);
  ASSERT_NE(window, nullptr);
  EXPECT_FALSE(IsWindowVisible(window));
  EXPECT_EQ(GetParent(window), nullptr);  // top-level: broadcasts reach it

  // Broadcast from another thread, as the system does, while Wait pumps.
  std::vector<DeviceNotice> seen;
  std::thread broadcaster([] {
    BroadcastVolume(DBT_DEVICEARRIVAL, (1u << 5) | (1u << 6));
    BroadcastVolume(DBT_DEVICEREMOVECOMPLETE, 1u << 5);
  });
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (seen.size() < 3 && std::chrono::steady_clock::now() < end) {
    ASSERT_TRUE(notices->Wait(std::chrono::milliseconds(200), seen, error)) << error;
  }
  broadcaster.join();
  EXPECT_EQ(seen, (std::vector<DeviceNotice>{{Change::Arrived, DriveLetterCandidate('F')},
                                             {Change::Arrived, DriveLetterCandidate('G')},
                                             {Change::Removed, DriveLetterCandidate('F')}}));

  notices.reset();
  EXPECT_FALSE(IsWindow(window));
}

// Says when the watch has tried the last drive letter of its first scan: its
// first walk starts no thread for a letter that holds nothing, so from then
// on the first scan is over.
class LastLetterPort final : public DevicePort {
 public:
  explicit LastLetterPort(DevicePort& inner) : inner_(inner) {}
  std::vector<DeviceCandidate> Candidates() override { return inner_.Candidates(); }
  VolumeHandle OpenVolume(const char* p) override {
    if (std::string(p) == "\\\\.\\Z:") triedZ_ = true;
    return inner_.OpenVolume(p);
  }
  void CloseVolume(VolumeHandle h) override { inner_.CloseVolume(h); }
  bool PassThrough(VolumeHandle h, void* b, std::uint32_t in, std::uint32_t out) override {
    return inner_.PassThrough(h, b, in, out);
  }
  std::atomic<bool> triedZ_{false};

 private:
  DevicePort& inner_;
};

TEST(WatchTest, ZulctlWatchTakesTheSystemsVolumeNotices) {
  const test::OwnConsole console;  // where Ctrl-Break comes from
  ASSERT_TRUE(console.ok);
  sim::SimulatedDrives drives;
  sim::SimulatedDrive camera;
  camera.type = sim::DriveType::Camera;
  camera.camera = std::make_shared<sim::SimulatedCamera>();
  camera.camera->state.serial = "CAM0000F";
  drives.Insert('F', std::move(camera));
  drives.Unplug('F');  // in the dock's drawer until the notice
  LastLetterPort port(drives);
  int ends[2];
  ASSERT_EQ(_pipe(ends, 256, _O_BINARY), 0);
  std::FILE* in = _fdopen(ends[0], "rb");
  std::ostringstream out, err;
  int rc = -1;
  std::thread watch([&] {
    const char* args[] = {"zulctl", "watch"};
    rc = RunZulctl(2, args, in, out, err, &port);  // not simulating: the system's notices
  });
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (!(port.triedZ_ && FindWindowW(kVolumeNoticeClass, nullptr)) &&
         std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  }
  drives.Plug('F');
  BroadcastVolume(DBT_DEVICEARRIVAL, 1u << 5);  // returns once the window has taken it
  drives.Unplug('F');
  BroadcastVolume(DBT_DEVICEREMOVECOMPLETE, 1u << 5);
  _close(ends[1]);  // the end of input means nothing to the watch: Ctrl-Break ends it
  std::this_thread::sleep_for(std::chrono::milliseconds(500));
  EXPECT_TRUE(FindWindowW(kVolumeNoticeClass, nullptr)) << "the watch ended with its input";
  if (!GenerateConsoleCtrlEvent(CTRL_BREAK_EVENT, 0)) {
    // Wine sends no console events to a program without a console of its
    // own: ask for the stop as the handler would.
    RequestStop();
  }
  watch.join();
  std::fclose(in);
  EXPECT_EQ(rc, kExitDone) << err.str();
  std::istringstream lines(out.str());
  std::string line, untimed;
  while (std::getline(lines, line)) untimed += line.substr(line.find('\t') + 1) + "\n";
  EXPECT_EQ(untimed, "F:\tCAM0000F\tarrived\nF:\tCAM0000F\tremoved\nCameras handled: 1\n");
  EXPECT_EQ(FindWindowW(kVolumeNoticeClass, nullptr), nullptr);  // gone with the watch
}

}  // namespace
}  // namespace zul::cli
