#include "cli/AllCameras.h"

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "cli/CameraCommands.h"
#include "cli/CameraWalk.h"
#include "cli/ExitCode.h"
#include "cli/Messages.h"
#include "cli/StatusObject.h"
#include "cli/StatusReport.h"
#include "platform/Latin1.h"

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

// The word a line gives an outcome: the audit's, or "not audited".
const char* WordOf(OutcomeKind outcome) {
  return outcome == OutcomeKind::AuditLost ? kNotAudited : OutcomeName(AuditOutcomeOf(outcome));
}

}  // namespace

CameraOutcome WorkOnCamera(DeviceSession& session, const WalkedCamera& camera, const Options& o,
                           const Secret& password, StorageLocator* storage, AuditLog* audit) {
  // What the one-camera command writes is not shown: its outcome says it.
  std::ostream unshown(nullptr);
  CameraCommands commands(session, camera.candidate.name, unshown, unshown, storage);
  commands.SetAudit(audit);
  CameraOutcome result;
  if (!camera.serialNumber) {
    // The camera answered the scan, then not the serial number's request.
    result.outcome = {OutcomeKind::NoAnswer, kCameraDidNotAnswer, std::nullopt};
  } else if (o.command == Command::Status) {
    CameraReport report;
    result.outcome = commands.ReadReport(report, &*camera.serialNumber);
    if (result.outcome.done()) {
      result.outcome.message = StatusLine(report);
      result.report = std::move(report);
    }
  } else {
    result.outcome = commands.ChangeHeld(o, password, nullptr);
  }
  result.outcome.message = OneLine(result.outcome.message);
  result.word = WordOf(result.outcome.kind);
  // A camera pulled out midway says so, rather than that it did not answer.
  if (result.outcome.kind == OutcomeKind::NoAnswer && CameraGone(session.port, camera.candidate)) {
    result.word = "unplugged";
    result.outcome.message = "The camera was unplugged.";
  }
  return result;
}

Outcome RunOnAllCameras(DevicePort& port, const Options& o, const Secret& password,
                        std::ostream& out, std::ostream& err, StorageLocator* storage,
                        AuditLog* audit) {
  ScanReport scan;
  const auto results = WorkOnAllCameras(
      port,
      [&](DeviceSession& session, const WalkedCamera& camera) {
        return WorkOnCamera(session, camera, o, password, storage, audit);
      },
      &scan);
  if (results.empty()) {
    Outcome none = NoCameraFound(scan, storage);
    err << none.message << "\n";
    return none;
  }

  nlohmann::ordered_json array = nlohmann::ordered_json::array();
  std::vector<OutcomeKind> outcomes;
  for (const auto& [camera, r] : results) {
    outcomes.push_back(r.outcome.kind);
    if (!o.json) {
      out << camera.candidate.name << "\t"
          << (camera.serialNumber ? ShownText(*camera.serialNumber) : "-") << "\t" << r.word << "\t"
          << r.outcome.message << "\n";
      continue;
    }
    nlohmann::ordered_json j;
    j["drive"] = camera.candidate.name;
    j["devicePath"] = camera.candidate.path;
    j["serialNumber"] = camera.serialNumber
                            ? nlohmann::ordered_json(platform::Latin1ToUtf8(*camera.serialNumber))
                            : nlohmann::ordered_json(nullptr);
    j["outcome"] = r.word;
    j["exitStatus"] = ExitStatus(r.outcome.kind);  // what zulctl on that camera alone gives
    j["message"] = r.report ? "" : r.outcome.message;
    if (r.report) j["status"] = StatusObject(*r.report);
    array.push_back(std::move(j));
  }
  if (o.json) out << array.dump(2) << "\n";

  return {OverCameras(outcomes), "", std::nullopt};
}

}  // namespace zul::cli
