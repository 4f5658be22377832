// zulctl watch in this process: the watcher over simulated drives, fed by a
// scripted notice source; the Linux udev events and the Windows volume
// notices it stands for. The tsan preset runs it under ThreadSanitizer.

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <thread>

#include "ExitCode.h"
#include "Options.h"
#include "SimulatedDrives.h"
#include "Watch.h"
#if defined(_WIN32)
// clang-format off
#include <windows.h>
#include <dbt.h>
// clang-format on

#include <fcntl.h>
#include <io.h>

#include <atomic>

#include "Zulctl.h"
#include "win32/VolumeNotices.h"
#elif defined(__linux__)
#include "linux/UdevNotices.h"
#endif

namespace zul::cli {
namespace {

using Change = DeviceNotice::Change;

// One wait of the watcher: the drives change, then these notices come.
struct Step {
  std::function<void(sim::SimulatedDrives&)> change;
  std::vector<DeviceNotice> notices;
  bool fails = false;  // the source breaks down instead
};

class ScriptedNotices final : public DeviceNotices {
 public:
  ScriptedNotices(sim::SimulatedDrives& drives, std::vector<Step> steps)
      : drives_(drives), steps_(steps.begin(), steps.end()) {}

  bool Wait(std::chrono::milliseconds, std::vector<DeviceNotice>& notices,
            std::string& error) override {
    if (steps_.empty()) return true;
    Step step = std::move(steps_.front());
    steps_.pop_front();
    if (step.fails) {
      error = "the notices broke down";
      return false;
    }
    if (step.change) step.change(drives_);
    notices.insert(notices.end(), step.notices.begin(), step.notices.end());
    return true;
  }
  bool done() const { return steps_.empty(); }

 private:
  sim::SimulatedDrives& drives_;
  std::deque<Step> steps_;
};

sim::SimulatedDrive Camera(const char* serial, const char* password = "2580") {
  sim::SimulatedDrive d;
  d.type = sim::DriveType::Camera;
  d.camera = std::make_shared<sim::SimulatedCamera>();
  d.camera->state.serial = serial;
  d.camera->state.userPassword = sim::DigestOfPassword(password);
  return d;
}

struct WatchRun {
  int exitCode;
  std::string lines;  // without their time
  std::string err;
};

WatchRun RunWatch(sim::SimulatedDrives& drives, std::vector<Step> steps, Command command) {
  ScriptedNotices notices(drives, std::move(steps));
  Options o;
  o.watch = true;
  o.command = command;
  o.hint = "BAY 7";
  std::FILE* in = std::tmpfile();
  std::fputs("2580\n", in);
  std::rewind(in);
  Secret password;
  ReadSecretLine(in, "", std::cerr, password);
  std::fclose(in);
  std::ostringstream out, err;
  const int rc = WatchCameras(
      drives, notices, o, password, [&] { return notices.done(); }, out, err);
  std::istringstream lines(out.str());
  std::string line, untimed;
  while (std::getline(lines, line)) {
    const std::size_t tab = line.find('\t');
    untimed += (tab == 19 ? line.substr(tab + 1) : line) + "\n";
  }
  return {rc, untimed, err.str()};
}

TEST(WatchTest, NoticesBecomeLinesForCamerasOnly) {
  struct Case {
    const char* name;
    std::vector<Step> steps;
    Command command;
    int exitCode;
    std::string lines;
    const char* fPassword = "2580";  // of the camera docked at F: from the start
  };
  const auto insert = [](char letter, const char* serial) {
    return [=](sim::SimulatedDrives& d) { d.Insert(letter, Camera(serial)); };
  };
  const auto remove = [](char letter) {
    return [=](sim::SimulatedDrives& d) { d.Remove(letter); };
  };
  const std::string watching = "Watching for cameras; Ctrl-C or the end of input stops.\n";
  const Case cases[] = {
      {"a disk, an empty letter and a device never seen are passed over",
       {{[](sim::SimulatedDrives& d) { d.Insert('G', {}); },
         {{Change::Arrived, "G:"}, {Change::Arrived, "Q:"}, {Change::Removed, "H:"}}}},
       Command::Watch,
       0,
       "F:\tCAM0000F\tdocked\nCameras handled: 1\n"},
      {"arrivals that come together are taken in drive order",
       {{[](sim::SimulatedDrives& d) {
           d.Insert('K', Camera("CAM0000K"));
           d.Insert('H', Camera("CAM0000H"));
         },
         {{Change::Arrived, "K:"}, {Change::Arrived, "H:"}}}},
       Command::SetHint,
       0,
       "F:\tCAM0000F\tdocked\nF:\tCAM0000F\tdone\tYou've updated your hint!\n"
       "H:\tCAM0000H\tarrived\nH:\tCAM0000H\tdone\tYou've updated your hint!\n"
       "K:\tCAM0000K\tarrived\nK:\tCAM0000K\tdone\tYou've updated your hint!\n"
       "Cameras handled: 3, done on 3\n"},
      {"a camera that came and went between two waits is not reported",
       {{insert('H', "CAM0000H"), {}},
        {remove('H'), {{Change::Arrived, "H:"}, {Change::Removed, "H:"}}}},
       Command::Watch,
       0,
       "F:\tCAM0000F\tdocked\nCameras handled: 1\n"},
      {"a missed removal is reported before the camera that replaced it",
       {{insert('F', "CAM0001F"), {{Change::Arrived, "F:"}}}},
       Command::Watch,
       0,
       "F:\tCAM0000F\tdocked\nF:\tCAM0000F\tremoved\nF:\tCAM0001F\tarrived\n"
       "Cameras handled: 2\n"},
      {"a camera refusing the password is skipped when it comes back",
       {{[](sim::SimulatedDrives& d) { d.Insert('H', Camera("CAM0000H", "1111")); },
         {{Change::Arrived, "H:"}}},
        {[](sim::SimulatedDrives& d) { d.Unplug('H'); }, {{Change::Removed, "H:"}}},
        {[](sim::SimulatedDrives& d) { d.Plug('H'); }, {{Change::Arrived, "H:"}}}},
       Command::SetHint,
       6,
       "F:\tCAM0000F\tdocked\nF:\tCAM0000F\tdone\tYou've updated your hint!\n"
       "H:\tCAM0000H\tarrived\nH:\tCAM0000H\trefused\tWrong password!  You have 5 chances "
       "remaining.\nH:\tCAM0000H\tremoved\nH:\tCAM0000H\tarrived\n"
       "H:\tCAM0000H\tskipped\tIt refused the password before; not tried again.\n"
       "Cameras handled: 3, done on 1\n"},
      {"the only camera not done gives its own status",
       {},
       Command::SetHint,
       kExitRefused,
       "F:\tCAM0000F\tdocked\nF:\tCAM0000F\trefused\tWrong password!  You have 5 chances "
       "remaining.\nCameras handled: 1, done on 0\n",
       "1111"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    sim::SimulatedDrives drives;
    drives.Insert('F', Camera("CAM0000F", c.fPassword));
    const WatchRun r = RunWatch(drives, c.steps, c.command);
    EXPECT_EQ(r.lines, c.lines);
    EXPECT_EQ(r.err, watching);
    EXPECT_EQ(r.exitCode, c.exitCode);
  }
}

TEST(WatchTest, NoticesThatBreakDownEndTheWatchWithTheCount) {
  sim::SimulatedDrives drives;
  drives.Insert('F', Camera("CAM0000F"));
  const WatchRun r = RunWatch(drives, {Step{{}, {}, true}}, Command::Watch);
  EXPECT_EQ(r.exitCode, kExitNoCamera);
  EXPECT_EQ(r.lines, "F:\tCAM0000F\tdocked\nCameras handled: 1\n");
  EXPECT_NE(r.err.find("zulctl: the notices broke down\n"), std::string::npos) << r.err;
}

#if defined(__linux__)

TEST(WatchTest, UdevEventsOfUsbNodesBecomeNotices) {
  const std::vector<DeviceCandidate> usb = {{"/dev/sg2", "/dev/sg2"}, {"/dev/sg5", "/dev/sg5"}};
  const struct {
    UdevEvent event;
    std::optional<DeviceNotice> notice;
  } cases[] = {
      {{"add", "/dev/sg5"}, DeviceNotice{Change::Arrived, "/dev/sg5"}},
      {{"add", "/dev/sg0"}, std::nullopt},  // not on a USB bus: no candidate
      {{"remove", "/dev/sg0"}, DeviceNotice{Change::Removed, "/dev/sg0"}},  // bus unknown by now
      {{"remove", "/dev/sg2"}, DeviceNotice{Change::Removed, "/dev/sg2"}},
      {{"change", "/dev/sg2"}, std::nullopt},
      {{"bind", "/dev/sg2"}, std::nullopt},
      {{"add", ""}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.event.action + " " + c.event.devnode);
    EXPECT_EQ(UdevEventNotice(c.event, usb), c.notice);
  }
}

#endif

#if defined(_WIN32)

TEST(WatchTest, VolumeUnitMasksNameTheLettersFromD) {
  EXPECT_EQ(VolumeMaskNotices(Change::Arrived, (1u << 2) | (1u << 5) | (1u << 25)),
            (std::vector<DeviceNotice>{{Change::Arrived, "F:"}, {Change::Arrived, "Z:"}}));
  EXPECT_EQ(VolumeMaskNotices(Change::Removed, 1u << 3),
            (std::vector<DeviceNotice>{{Change::Removed, "D:"}}));
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
  EXPECT_EQ(seen, (std::vector<DeviceNotice>{
                      {Change::Arrived, "F:"}, {Change::Arrived, "G:"}, {Change::Removed, "F:"}}));

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
  sim::SimulatedDrives drives;
  drives.Insert('F', Camera("CAM0000F"));
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
  _close(ends[1]);  // the end of input ends the watch
  watch.join();
  std::fclose(in);
  EXPECT_EQ(rc, kExitDone) << err.str();
  std::istringstream lines(out.str());
  std::string line, untimed;
  while (std::getline(lines, line)) untimed += line.substr(line.find('\t') + 1) + "\n";
  EXPECT_EQ(untimed, "F:\tCAM0000F\tarrived\nF:\tCAM0000F\tremoved\nCameras handled: 1\n");
  EXPECT_EQ(FindWindowW(kVolumeNoticeClass, nullptr), nullptr);  // gone with the watch
}

#endif

}  // namespace
}  // namespace zul::cli
