#include <set>
#include <thread>

#include "cli/DeviceNotices.h"
#include "cli/ExitCode.h"
#include "simulator/Simulation.h"

namespace zul::cli {
namespace {

class SimulatedNotices final : public DeviceNotices {
 public:
  SimulatedNotices(sim::Simulation& simulation, std::chrono::milliseconds interval)
      : simulation_(simulation), interval_(interval), present_(Present()) {}

  bool Wait(std::chrono::milliseconds timeout, std::vector<DeviceNotice>& notices,
            std::string&) override {
    const auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
      const std::set<char> now = Present();
      const std::size_t before = notices.size();
      for (char letter : present_) {
        if (!now.count(letter))
          notices.push_back({DeviceNotice::Change::Removed, Candidate(letter)});
      }
      for (char letter : now) {
        if (!present_.count(letter))
          notices.push_back({DeviceNotice::Change::Arrived, Candidate(letter)});
      }
      present_ = now;
      const auto left = end - std::chrono::steady_clock::now();
      if (notices.size() > before || left <= left.zero()) return true;
      std::this_thread::sleep_for(std::min<std::chrono::steady_clock::duration>(interval_, left));
    }
  }

 private:
  static DeviceCandidate Candidate(char letter) { return DriveLetterCandidate(letter); }

  // The letters whose drive is plugged in, as the state file has them now.
  std::set<char> Present() {
    std::set<char> letters;
    simulation_.WithDrives([&](sim::SimulatedDrives& drives) {
      drives.Visit([&](char letter, const sim::SimulatedDrive& drive) {
        if (!drive.unplugged) letters.insert(letter);
      });
    });
    return letters;
  }

  sim::Simulation& simulation_;
  std::chrono::milliseconds interval_;
  std::set<char> present_;
};

}  // namespace

std::unique_ptr<DeviceNotices> OpenSimulatedNotices(sim::Simulation& simulation,
                                                    std::chrono::milliseconds interval) {
  return std::make_unique<SimulatedNotices>(simulation, interval);
}

Outcome PlugSimulatedDrive(sim::Simulation& simulation, const Options& o, std::ostream& out,
                           std::ostream& err) {
  const char letter = o.plugDrive.empty() ? 0 : o.plugDrive[0];
  bool there = false, changed = false;
  simulation.WithDrives([&](sim::SimulatedDrives& drives) {
    there = drives.Drive(letter) != nullptr;
    changed = o.command == Command::Plug ? drives.Plug(letter) : drives.Unplug(letter);
  });
  if (!there) {
    const Outcome none{OutcomeKind::NoCamera, o.plugDrive + " holds no simulated drive.",
                       std::nullopt};
    err << none.message << "\n";
    return none;
  }
  if (o.command == Command::Plug) {
    out << o.plugDrive << (changed ? " plugged in." : " is plugged in already.") << "\n";
  } else {
    out << o.plugDrive << (changed ? " pulled out." : " is out already.") << "\n";
  }
  return {};
}

}  // namespace zul::cli
