#include "cli/AllCameras.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "cli/CameraCommands.h"
#include "cli/CameraWalk.h"
#include "cli/ExitCode.h"
#include "cli/Messages.h"
#include "cli/StatusObject.h"
#include "cli/StatusReport.h"
#include "simulator/Latin1.h"

namespace zul::cli {
namespace {

// Text the one-camera command wrote, on one line: each line break and the
// indentation after it become one space.
std::string OneLine(const std::string& text) {
  std::string line;
  bool lineBreak = false;
  for (char c : text) {
    if (c == '\n') {
      lineBreak = true;
    } else if (lineBreak && c == ' ') {
      continue;
    } else {
      if (lineBreak && !line.empty()) line += ' ';
      lineBreak = false;
      line += c;
    }
  }
  return line;
}

}  // namespace

CameraOutcome WorkOnCamera(DeviceSession& session, const WalkedCamera& camera, const Options& o,
                           const Secret& password, StorageLocator* storage, AuditLog* audit) {
  std::ostringstream said, faults;
  CameraCommands commands(session, camera.candidate.name, said, faults, storage);
  commands.SetAudit(audit);
  CameraOutcome result;
  if (!camera.serialNumber) {
    // The camera answered the scan, then not the serial number's request.
    result.exitCode = kExitNoAnswer;
    faults << kCameraDidNotAnswer << "\n";
  } else if (o.command == Command::Status) {
    CameraReport report;
    result.exitCode = commands.ReadReport(report, &*camera.serialNumber);
    if (result.exitCode == kExitDone) result.report = std::move(report);
  } else {
    result.exitCode = commands.ChangeHeld(o, password, nullptr);
  }
  result.outcome =
      result.exitCode == kExitAuditLost ? kNotAudited : OutcomeName(OutcomeOfExit(result.exitCode));
  result.message = OneLine(result.exitCode == kExitDone ? said.str() : faults.str());
  if (result.report) result.message = StatusLine(*result.report);
  // A camera pulled out midway says so, rather than that it did not answer.
  if (result.exitCode == kExitNoAnswer && CameraGone(session.port, camera.candidate)) {
    result.outcome = "unplugged";
    result.message = "The camera was unplugged.";
  }
  return result;
}

int RunOnAllCameras(DevicePort& port, const Options& o, const Secret& password, std::ostream& out,
                    std::ostream& err, StorageLocator* storage, AuditLog* audit) {
  ScanReport scan;
  const auto results = WorkOnAllCameras(
      port,
      [&](DeviceSession& session, const WalkedCamera& camera) {
        return WorkOnCamera(session, camera, o, password, storage, audit);
      },
      &scan);
  if (results.empty()) {
    ExplainNotFound(scan, storage, err);
    return kExitNoCamera;
  }

  nlohmann::ordered_json array = nlohmann::ordered_json::array();
  std::vector<int> statuses;
  for (const auto& [camera, r] : results) {
    statuses.push_back(r.exitCode);
    if (!o.json) {
      out << camera.candidate.name << "\t"
          << (camera.serialNumber ? ShownText(*camera.serialNumber) : "-") << "\t" << r.outcome
          << "\t" << r.message << "\n";
      continue;
    }
    nlohmann::ordered_json j;
    j["drive"] = camera.candidate.name;
    j["devicePath"] = camera.candidate.path;
    j["serialNumber"] = camera.serialNumber
                            ? nlohmann::ordered_json(sim::Latin1ToUtf8(*camera.serialNumber))
                            : nlohmann::ordered_json(nullptr);
    j["outcome"] = r.outcome;
    j["exitStatus"] = r.exitCode;
    j["message"] = r.report ? "" : r.message;
    if (r.report) j["status"] = StatusObject(*r.report);
    array.push_back(std::move(j));
  }
  if (o.json) out << array.dump(2) << "\n";

  return DockExitStatus(statuses);
}

}  // namespace zul::cli
