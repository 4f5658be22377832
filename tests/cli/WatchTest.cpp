// zulctl watch in this process: the watcher over simulated drives, fed by a
// scripted notice source; the Linux udev events it stands for (the Windows
// volume notices are in win32/). The tsan preset runs it under ThreadSanitizer.

#include <gtest/gtest.h>

#include <csignal>
#include <deque>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <thread>

#include "cli/ExitCode.h"
#include "cli/Options.h"
#include "cli/Watch.h"
#include "cli/WatchStop.h"
#include "devicelink/CommandCatalogue.h"
#include "simulator/SimulatedDrives.h"
#include "tests/support/CountingPort.h"
#if defined(__linux__)
#include "cli/linux/UdevNotices.h"
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
  OutcomeKind outcome;
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
  const Outcome outcome = WatchCameras(
      drives, notices, o, password, [&] { return notices.done(); }, out, err);
  std::istringstream lines(out.str());
  std::string line, untimed;
  while (std::getline(lines, line)) {
    const std::size_t tab = line.find('\t');
    untimed += (tab == 19 ? line.substr(tab + 1) : line) + "\n";
  }
  return {outcome.kind, untimed, err.str()};
}

TEST(WatchTest, NoticesBecomeLinesForCamerasOnly) {
  struct Case {
    const char* name;
    std::vector<Step> steps;
    Command command;
    OutcomeKind outcome;
    std::string lines;
    const char* fPassword = "2580";  // of the camera docked at F: from the start
  };
  const auto insert = [](char letter, const char* serial) {
    return [=](sim::SimulatedDrives& d) { d.Insert(letter, Camera(serial)); };
  };
  const auto remove = [](char letter) {
    return [=](sim::SimulatedDrives& d) { d.Remove(letter); };
  };
  const std::string watching = "Watching for cameras; Ctrl-C stops.\n";
  const Case cases[] = {
      {"a disk, an empty letter and a device never seen are passed over",
       {{[](sim::SimulatedDrives& d) { d.Insert('G', {}); },
         {{Change::Arrived, DriveLetterCandidate('G')},
          {Change::Arrived, DriveLetterCandidate('Q')},
          {Change::Removed, DriveLetterCandidate('H')}}}},
       Command::Watch,
       OutcomeKind::Done,
       "F:\tCAM0000F\tdocked\nCameras handled: 1\n"},
      {"arrivals that come together are taken in drive order",
       {{[](sim::SimulatedDrives& d) {
           d.Insert('K', Camera("CAM0000K"));
           d.Insert('H', Camera("CAM0000H"));
         },
         {{Change::Arrived, DriveLetterCandidate('K')},
          {Change::Arrived, DriveLetterCandidate('H')}}}},
       Command::SetHint,
       OutcomeKind::Done,
       "F:\tCAM0000F\tdocked\nF:\tCAM0000F\tdone\tYou've updated your hint!\n"
       "H:\tCAM0000H\tarrived\nH:\tCAM0000H\tdone\tYou've updated your hint!\n"
       "K:\tCAM0000K\tarrived\nK:\tCAM0000K\tdone\tYou've updated your hint!\n"
       "Cameras handled: 3, done on 3\n"},
      {"a camera that came and went between two waits is not reported",
       {{insert('H', "CAM0000H"), {}},
        {remove('H'),
         {{Change::Arrived, DriveLetterCandidate('H')},
          {Change::Removed, DriveLetterCandidate('H')}}}},
       Command::Watch,
       OutcomeKind::Done,
       "F:\tCAM0000F\tdocked\nCameras handled: 1\n"},
      {"a missed removal is reported before the camera that replaced it",
       {{insert('F', "CAM0001F"), {{Change::Arrived, DriveLetterCandidate('F')}}}},
       Command::Watch,
       OutcomeKind::Done,
       "F:\tCAM0000F\tdocked\nF:\tCAM0000F\tremoved\nF:\tCAM0001F\tarrived\n"
       "Cameras handled: 2\n"},
      {"a camera refusing the password is skipped when it comes back",
       {{[](sim::SimulatedDrives& d) { d.Insert('H', Camera("CAM0000H", "1111")); },
         {{Change::Arrived, DriveLetterCandidate('H')}}},
        {[](sim::SimulatedDrives& d) { d.Unplug('H'); },
         {{Change::Removed, DriveLetterCandidate('H')}}},
        {[](sim::SimulatedDrives& d) { d.Plug('H'); },
         {{Change::Arrived, DriveLetterCandidate('H')}}}},
       Command::SetHint,
       OutcomeKind::NotAll,
       "F:\tCAM0000F\tdocked\nF:\tCAM0000F\tdone\tYou've updated your hint!\n"
       "H:\tCAM0000H\tarrived\nH:\tCAM0000H\trefused\tWrong password!  You have 5 chances "
       "remaining.\nH:\tCAM0000H\tremoved\nH:\tCAM0000H\tarrived\n"
       "H:\tCAM0000H\tskipped\tIt refused the password before; not tried again.\n"
       "Cameras handled: 3, done on 1\n"},
      {"the only camera not done gives its own status",
       {},
       Command::SetHint,
       OutcomeKind::Refused,
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
    EXPECT_EQ(r.outcome, c.outcome);
  }
}

TEST(WatchTest, NoticesThatBreakDownEndTheWatchWithTheCount) {
  sim::SimulatedDrives drives;
  drives.Insert('F', Camera("CAM0000F"));
  const WatchRun r = RunWatch(drives, {Step{{}, {}, true}}, Command::Watch);
  EXPECT_EQ(r.outcome, OutcomeKind::NoCamera);
  EXPECT_EQ(r.lines, "F:\tCAM0000F\tdocked\nCameras handled: 1\n");
  EXPECT_NE(r.err.find("zulctl: the notices broke down\n"), std::string::npos) << r.err;
}

// A camera's arrival is the device its notice carries, tried alone: one open,
// one INQUIRY, one identification and one serial number before its command,
// and the port's candidates are not listed again.
TEST(WatchTest, AnArrivalCostsItsOwnDeviceOnly) {
  sim::SimulatedDrives drives;
  drives.Insert('F', Camera("CAM0000F"));
  test::CountingPort port(drives);
  ScriptedNotices notices(drives,
                          {{[](sim::SimulatedDrives& d) { d.Insert('H', Camera("CAM0000H")); },
                            {{Change::Arrived, DriveLetterCandidate('H')}}}});
  Options o;
  o.watch = true;
  o.command = Command::Watch;
  std::ostringstream out, err;
  EXPECT_TRUE(WatchCameras(
                  port, notices, o, Secret{}, [&] { return notices.done(); }, out, err)
                  .done());
  EXPECT_NE(out.str().find("H:\tCAM0000H\tarrived\n"), std::string::npos) << out.str();
  const std::string h = "\\\\.\\H:";
  EXPECT_EQ(port.opens(h), 1);
  EXPECT_EQ(port.inquiries(h), 1);
  EXPECT_EQ(port.identifications(h), 1);
  EXPECT_EQ(port.requests(h, CMD_GET_SERIAL_NUMBER), 1);
  EXPECT_EQ(port.listings(), 1) << "the dock listed again for an arrival";
  EXPECT_EQ(port.opens("\\\\.\\F:"), 1) << "the docked camera tried again";
}

#if !defined(_WIN32)

// What stops a watch is caught while it runs, and only then; a hang-up that
// was ignored (nohup) stays ignored.
TEST(WatchTest, StopRequestsAreCaughtWhileWatching) {
  for (const int signal : {SIGINT, SIGTERM, SIGHUP}) {
    SCOPED_TRACE(signal);
    {
      const WatchStop stop;
      EXPECT_FALSE(stop.Requested());
      std::raise(signal);
      EXPECT_TRUE(stop.Requested());
    }
    struct sigaction after {};
    sigaction(signal, nullptr, &after);
    EXPECT_EQ(after.sa_handler, SIG_DFL) << "not put back as it was";
  }
  std::signal(SIGHUP, SIG_IGN);
  {
    const WatchStop stop;
    std::raise(SIGHUP);
    EXPECT_FALSE(stop.Requested());
  }
  struct sigaction after {};
  sigaction(SIGHUP, nullptr, &after);
  EXPECT_EQ(after.sa_handler, SIG_IGN);
  std::signal(SIGHUP, SIG_DFL);
}

#endif

#if defined(__linux__)

TEST(WatchTest, UdevEventsOfUsbNodesBecomeNotices) {
  const DeviceCandidate sg0{"/dev/sg0", "/dev/sg0"}, sg2{"/dev/sg2", "/dev/sg2"},
      sg5{"/dev/sg5", "/dev/sg5"};
  const struct {
    UdevEvent event;
    std::optional<DeviceNotice> notice;
  } cases[] = {
      {{"add", "/dev/sg5", true}, DeviceNotice{Change::Arrived, sg5}},
      {{"add", "/dev/sg0", false}, std::nullopt},  // not on a USB bus: no candidate
      {{"remove", "/dev/sg0", false}, DeviceNotice{Change::Removed, sg0}},  // bus unknown by now
      {{"remove", "/dev/sg2", true}, DeviceNotice{Change::Removed, sg2}},
      {{"change", "/dev/sg2", true}, std::nullopt},
      {{"bind", "/dev/sg2", true}, std::nullopt},
      {{"add", "", true}, std::nullopt},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.event.action + " " + c.event.devnode);
    EXPECT_EQ(UdevEventNotice(c.event), c.notice);
  }
}

#endif

}  // namespace
}  // namespace zul::cli
