#include "cli/Watch.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "cli/AllCameras.h"
#include "cli/CameraCommands.h"
#include "cli/CameraWalk.h"
#include "cli/WatchStop.h"

namespace zul::cli {
namespace {

constexpr std::chrono::milliseconds kLongestWait{200};

std::string TimeText() {
  const CameraClock now = LocalNow();
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", now.year % 10000,
                now.month % 100, now.day % 100, now.hour % 100, now.minute % 100, now.second % 100);
  return text;
}

class Watcher {
 public:
  Watcher(DevicePort& port, const Options& o, const Secret& password, std::ostream& out,
          StorageLocator* storage, AuditLog* audit)
      : port_(port), o_(o), password_(password), out_(out), storage_(storage), audit_(audit) {}

  // The cameras among candidates, all at once (WalkCameras, each serial
  // number read), reported in the candidates' order as event ("docked",
  // "arrived").
  void Arrive(const std::vector<DeviceCandidate>& candidates, const char* event) {
    if (candidates.empty()) return;
    const std::string when = TimeText();
    struct Arrival {
      WalkedCamera camera;
      std::optional<CameraOutcome> outcome;
    };
    std::vector<std::optional<Arrival>> slots(candidates.size());
    WalkCameras(port_, candidates, {WalkPlan::Pace::AllAtOnce, true},
                [&](std::size_t i, DeviceSession& session, const WalkedCamera& camera) {
                  slots[i].emplace(Arrival{camera, std::nullopt});
                  if (o_.command == Command::Watch) return;
                  if (camera.serialNumber && refused_.count(*camera.serialNumber)) {
                    slots[i]->outcome = CameraOutcome{
                        {OutcomeKind::Refused, "It refused the password before; not tried again.",
                         std::nullopt},
                        "skipped",
                        std::nullopt};
                  } else {
                    slots[i]->outcome =
                        WorkOnCamera(session, camera, o_, password_, storage_, audit_);
                  }
                });
    for (const auto& slot : slots) {
      if (!slot) continue;
      const WalkedCamera& camera = slot->camera;
      const std::string serial = camera.serialNumber ? ShownText(*camera.serialNumber) : "-";
      docked_[camera.candidate.name] = serial;
      ++handled_;
      out_ << when << "\t" << camera.candidate.name << "\t" << serial << "\t" << event << "\n";
      if (const auto& r = slot->outcome) {
        const OutcomeKind kind = r->outcome.kind;
        outcomes_.push_back(kind);
        if ((kind == OutcomeKind::Refused || kind == OutcomeKind::Locked) && camera.serialNumber) {
          refused_.insert(*camera.serialNumber);
        }
        out_ << TimeText() << "\t" << camera.candidate.name << "\t" << serial << "\t" << r->word
             << "\t" << r->outcome.message << "\n";
      }
    }
    out_.flush();
  }

  // Notices in the order they came: a removal is reported at once; the
  // devices that arrived (and stayed) are then taken together, in the port's
  // order, each device the notice carries tried alone.
  void Take(const std::vector<DeviceNotice>& notices) {
    std::vector<DeviceCandidate> arriving;
    for (const DeviceNotice& n : notices) {
      const std::string& name = n.candidate.name;
      std::erase_if(arriving, [&](const DeviceCandidate& c) { return c.name == name; });
      if (const auto it = docked_.find(name); it != docked_.end()) {
        // Arriving where a camera still stands: its removal was missed.
        out_ << TimeText() << "\t" << it->first << "\t" << it->second << "\tremoved\n";
        docked_.erase(it);
      }
      if (n.change == DeviceNotice::Change::Arrived) arriving.push_back(n.candidate);
    }
    out_.flush();
    // The port's order without asking the port again: drive letters in
    // alphabetical order, sg nodes in numeric order (/dev/sg9 before /dev/sg10).
    std::sort(
        arriving.begin(), arriving.end(), [](const DeviceCandidate& a, const DeviceCandidate& b) {
          return a.name.size() != b.name.size() ? a.name.size() < b.name.size() : a.name < b.name;
        });
    Arrive(arriving, "arrived");
  }

  OutcomeKind Finish() {
    out_ << "Cameras handled: " << handled_;
    if (o_.command != Command::Watch)
      out_ << ", done on " << std::count(outcomes_.begin(), outcomes_.end(), OutcomeKind::Done);
    out_ << "\n";
    out_.flush();
    return o_.command == Command::Watch ? OutcomeKind::Done : OverCameras(outcomes_);
  }

 private:
  DevicePort& port_;
  const Options& o_;
  const Secret& password_;
  std::ostream& out_;
  StorageLocator* storage_;
  AuditLog* audit_;
  std::map<std::string, std::string> docked_;  // name: the serial number as shown
  std::set<std::string> refused_;              // serial numbers that refused the password
  int handled_ = 0;
  std::vector<OutcomeKind> outcomes_;  // each camera's when a command ran on it
};

}  // namespace

Outcome WatchCameras(DevicePort& port, DeviceNotices& notices, const Options& o,
                     const Secret& password, const std::function<bool()>& stopped,
                     std::ostream& out, std::ostream& err, StorageLocator* storage,
                     AuditLog* audit) {
  Watcher watcher(port, o, password, out, storage, audit);
  watcher.Arrive(port.Candidates(), "docked");
  err << "Watching for cameras; Ctrl-C stops.\n";
  err.flush();
  std::optional<Outcome> failed;
  while (!stopped()) {
    std::vector<DeviceNotice> changes;
    std::string error;
    if (!notices.Wait(kLongestWait, changes, error)) {
      failed = Outcome{OutcomeKind::NoCamera, "zulctl: " + error, std::nullopt};
      err << failed->message << "\n";
      break;
    }
    watcher.Take(changes);
  }
  const OutcomeKind handled = watcher.Finish();
  return failed ? *failed : Outcome{handled, "", std::nullopt};
}

Outcome RunWatch(DevicePort& port, sim::Simulation* simulation, const Options& o,
                 const Secret& password, std::ostream& out, std::ostream& err,
                 StorageLocator* storage, AuditLog* audit) {
  std::string error;
  const std::unique_ptr<DeviceNotices> notices =
      simulation ? OpenSimulatedNotices(*simulation) : OpenSystemNotices(port, error);
  if (!notices) {
    const Outcome none{OutcomeKind::NoCamera, "zulctl: " + error, std::nullopt};
    err << none.message << "\n";
    return none;
  }
  const WatchStop stop;
  return WatchCameras(
      port, *notices, o, password, [&] { return stop.Requested(); }, out, err, storage, audit);
}

}  // namespace zul::cli
