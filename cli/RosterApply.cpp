#include "cli/RosterApply.h"

#include <vector>

#include "cameradata/CameraOperations.h"
#include "cameradata/CameraStatus.h"
#include "cameradata/OperatorTexts.h"
#include "cli/CameraCommands.h"
#include "cli/CameraWalk.h"
#include "cli/Messages.h"
#include "cli/StatusReport.h"
#include "platform/Latin1.h"

namespace zul::cli {
namespace {

// The camera's text for each roster field.
std::string CameraStatus::*const kStatusTexts[] = {
    &CameraStatus::officerText, &CameraStatus::departmentText, &CameraStatus::additionalText,
    &CameraStatus::hintText};
static_assert(std::size(kStatusTexts) == kRosterFields.size());

class RosterRun {
 public:
  RosterRun(DeviceSession& session, const Roster& roster, const Secret* password, std::ostream& out,
            std::ostream& err, AuditLog* audit)
      : session_(&session),
        roster_(roster),
        password_(password),
        audit_(audit),
        out_(out),
        err_(err),
        docked_(roster.size(), false) {}

  // The camera session holds.
  void Camera(DeviceSession& session) {
    session_ = &session;
    CameraStatus status;
    if (!ReadWholeStatus(*session_, status)) {
      Fail("-", kCameraDidNotAnswer, OutcomeKind::NoAnswer);
      unread_ = true;
      return;
    }
    const std::string serial = ShownText(status.serialNumber);
    const RosterRow* row = RowOf(platform::Latin1ToUtf8(status.serialNumber));
    if (!row) {
      Line(out_, serial, "not in roster", "");
      return;
    }
    std::string refusal;
    const auto texts = CameraTexts(*row, refusal);
    if (!texts) {
      Line(err_, serial, "refused", refusal);
      Failed(OutcomeKind::Usage);
      return;
    }
    std::vector<TextToWrite> writes;
    std::string names, changes;
    for (std::size_t i = 0; i < kRosterFields.size(); ++i) {
      const std::string& now = status.*kStatusTexts[i];
      if (!(*texts)[i] || *(*texts)[i] == now) continue;
      writes.push_back({kRosterFields[i].kind, *(*texts)[i]});
      const std::string name = kRosterFields[i].name;
      names += (names.empty() ? "" : ", ") + name;
      changes += (changes.empty() ? "" : "; ") + name + " \"" + ShownText(now) + "\" -> \"" +
                 ShownText(*(*texts)[i]) + "\"";
    }
    if (writes.empty()) {
      Line(out_, serial, "unchanged", "");
      Done();
      return;
    }
    if (!password_) {
      Line(out_, serial, "would change", changes);
      Done();
      return;
    }
    AuditEntry attempt = TextsAttempt(writes, &status);
    attempt.action = "apply";
    attempt.serialNumber = status.serialNumber;
    const LoginResult login = LogIn(*session_, password_->text());
    if (const Outcome refused = LoginOutcome(login, ""); !refused.done()) {
      Conclude(attempt, *session_, login);
      if (!Audit(attempt, serial)) return;
      // this camera only; the password goes to no other try here
      Fail(serial, refused.message, refused.kind);
      return;
    }
    const Exchange written = WriteTexts(*session_, writes);
    Conclude(attempt, *session_, written);
    if (!Audit(attempt, serial)) return;
    if (written != Exchange::Done) {
      Fail(serial, kCameraDidNotAnswer, OutcomeKind::NoAnswer);
      return;
    }
    Line(out_, serial, "changed", names);
    Done();
  }

  // Each roster row whose camera the walk did not meet; where a camera could
  // not be read, it may have been that one.
  void NotDocked() {
    for (std::size_t i = 0; i < roster_.size(); ++i) {
      if (docked_[i]) continue;
      out_ << "-\t" << Shown(roster_[i].serial)
           << (unread_ ? "\tnot docked or not read\t" : "\tnot docked\t") << roster_[i].where
           << "\n";
    }
  }

  Outcome Over() const { return {OverCameras(outcomes_), "", std::nullopt}; }

 private:
  const RosterRow* RowOf(const std::string& serial) {
    for (std::size_t i = 0; i < roster_.size(); ++i) {
      if (roster_[i].serial != serial) continue;
      docked_[i] = true;
      return &roster_[i];
    }
    return nullptr;
  }

  // A roster text as the operator is shown it: as the camera would show it,
  // or the bytes as they are where they are no camera text.
  static std::string Shown(const std::string& utf8) {
    const auto bytes = platform::Utf8ToLatin1(utf8);
    return bytes ? ShownText(*bytes) : Printable(utf8);
  }

  void Line(std::ostream& to, const std::string& serial, const char* outcome,
            const std::string& detail) {
    to << session_->deviceName << "\t" << serial << "\t" << outcome;
    if (!detail.empty()) to << "\t" << detail;
    to << "\n";
  }
  void Fail(const std::string& serial, const std::string& message, OutcomeKind outcome) {
    Line(err_, serial, "failed", message);
    Failed(outcome);
  }
  void Failed(OutcomeKind outcome) { outcomes_.push_back(outcome); }
  // Appends the attempt's line when there is an audit log; a line not written
  // fails the camera: "not audited" when its change was made.
  bool Audit(const AuditEntry& attempt, const std::string& serial) {
    std::string error;
    if (!audit_ || audit_->Append(attempt, error)) return true;
    if (attempt.outcome == AuditOutcome::Done) {
      Line(err_, serial, kNotAudited, audit_->NotWritten(attempt, error));
      Failed(OutcomeKind::AuditLost);
    } else {
      Fail(serial, audit_->NotWritten(attempt, error), OutcomeKind::Usage);
    }
    return false;
  }
  void Done() { outcomes_.push_back(OutcomeKind::Done); }

  DeviceSession* session_;  // the one holding the camera at hand
  const Roster& roster_;
  const Secret* password_;
  AuditLog* audit_;
  std::ostream& out_;
  std::ostream& err_;
  std::vector<bool> docked_;           // by roster row
  std::vector<OutcomeKind> outcomes_;  // of each camera of the roster
  bool unread_ = false;                // a camera's readout failed: its serial number is unknown
};

}  // namespace

Outcome ApplyRoster(DeviceSession& session, const Roster& roster, const Secret* password,
                    std::ostream& out, std::ostream& err, StorageLocator* storage,
                    AuditLog* audit) {
  RosterRun run(session, roster, password, out, err, audit);
  ScanReport report;
  const std::size_t cameras = WalkCameras(
      session.port, session.port.Candidates(), {},
      [&](std::size_t, DeviceSession& held, const WalkedCamera&) { run.Camera(held); }, &report);
  if (cameras == 0) {
    Outcome none = NoCameraFound(report, storage);
    err << none.message << "\n";
    return none;
  }
  run.NotDocked();
  return run.Over();
}

}  // namespace zul::cli
