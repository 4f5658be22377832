#include "cli/Zulctl.h"

#include <optional>
#include <vector>

#include "audit/AuditLog.h"
#include "cameradata/CameraVocabulary.h"
#include "cli/AllCameras.h"
#include "cli/CameraCommands.h"
#include "cli/DeviceNotices.h"
#include "cli/ExitCode.h"
#include "cli/Messages.h"
#include "cli/Options.h"
#include "cli/PasswordFile.h"
#include "cli/Roster.h"
#include "cli/RosterApply.h"
#include "cli/Secret.h"
#include "cli/SystemDevices.h"
#include "cli/Watch.h"
#include "runcontext/RunContext.h"

namespace zul::cli {
namespace {

// One password line, refused before anything is sent when it cannot be one;
// from the file at passwordPath when there is one.
bool ReadPassword(std::FILE* in, const std::string& passwordPath, const char* prompt,
                  std::ostream& err, Secret& secret) {
  if (!ReadSecretLine(in, prompt, err, secret)) {
    if (passwordPath.empty()) {
      err << kNoPassword << "\n";
    } else {
      err << "zulctl: " << passwordPath << ": " << kNoPasswordInFile << "\n";
    }
    return false;
  }
  if (secret.length() < kMinPassword) {
    err << kPasswordTooShort << "\n";
    return false;
  }
  if (secret.length() > kMaxPassword) {
    err << kPasswordTooLong << "\n";
    return false;
  }
  if (secret.text().find('\0') != std::string_view::npos) {  // the camera would end it there
    err << kPasswordZero << "\n";
    return false;
  }
  return true;
}

// What the operator reads when the run cannot start; its exit status.
int Refuse(const run::RunFault& fault, const Options& o, std::ostream& err) {
  switch (fault.step) {
    case run::RunFault::Step::NoDevices:
      err << kNoDeviceAccess << "\n";
      return kExitNoCamera;
    case run::RunFault::Step::Trace:
      err << "zulctl: " << o.tracePath << ": cannot be written\n";
      break;
    case run::RunFault::Step::FileClash:
    case run::RunFault::Step::Simulation:
    case run::RunFault::Step::Audit:
    case run::RunFault::Step::None:
      err << "zulctl: " << fault.message << "\n";
      break;
  }
  return kExitUsage;
}

}  // namespace

int RunZulctl(int argc, const char* const* argv, std::FILE* in, std::ostream& out,
              std::ostream& err, DevicePort* drives, SystemDevices* system) {
  const ParsedCommandLine parsed =
      ParseCommandLine(argc, argv, out, err, system ? system->Naming() : DeviceNaming{});
  if (!parsed.options) return parsed.exitCode;
  const Options& o = *parsed.options;
  // The files zulctl reads besides the scenario, in this order.
  const RunFile read[] = {{"roster", o.rosterPath}, {"password", o.passwordPath}};
  if (const run::RunFault fault = run::RunContext::CheckFiles(o, read)) {
    return Refuse(fault, o, err);
  }
  // The roster is read whole before any drive is opened or password asked for.
  Roster roster;
  if (o.command == Command::Apply) {
    std::string error;
    if (!ReadRoster(o.rosterPath, roster, error)) {
      err << "zulctl: " << error << "\n";
      return kExitUsage;
    }
  }

  run::RunContext run("zulctl");
  if (const run::RunFault fault = run.OpenDevices(o, system ? system->Port() : nullptr, drives)) {
    return Refuse(fault, o, err);
  }
  StorageLocator* storage = run.OnSystemDevices() ? system->Storage() : nullptr;
  if (o.command == Command::UdevRule && !storage) {
    err << kUdevRuleNeedsDevices << "\n";
    return kExitUsage;
  }
  if (const run::RunFault fault = run.OpenLogs(o)) return Refuse(fault, o, err);
  DevicePort* port = &run.Port();
  AuditLog* audit = run.Audit();

  Secret password, newPassword;
  if (ChangesCamera(o.command) && !o.dryRun) {
    // Read here, once: nothing reads standard input (or the terminal) later.
    FileHandle passwordFile;
    if (!o.passwordPath.empty()) {
      std::string error;
      passwordFile = OpenPasswordFile(o.passwordPath, error);
      if (!passwordFile) {
        err << "zulctl: " << error << "\n";
        return kExitUsage;
      }
    }
    std::FILE* from = passwordFile ? passwordFile.get() : in;
    if (!ReadPassword(from, o.passwordPath, "Password: ", err, password)) return kExitUsage;
    if (o.command == Command::SetPassword &&
        !ReadPassword(from, o.passwordPath, "New password: ", err, newPassword)) {
      return kExitUsage;
    }
  }

  DeviceSession session{*port};
  CameraCommands commands(session, storage ? storage->DeviceFor(o.drive) : o.drive, out, err,
                          storage);
  if (audit) commands.SetAudit(audit);
  Outcome outcome;
  if (o.all) {
    outcome = RunOnAllCameras(*port, o, password, out, err, storage, audit);
  } else if (o.command == Command::Plug || o.command == Command::Unplug) {
    outcome = PlugSimulatedDrive(run.Simulation(), o, out, err);
  } else if (o.watch) {
    outcome = RunWatch(*port, run.Simulating() ? &run.Simulation() : nullptr, o, password, out,
                       err, storage, audit);
  } else {
    switch (o.command) {
      case Command::List:
        outcome = commands.List();
        break;
      case Command::Status:
        outcome = commands.Status(o.json);
        break;
      case Command::Login:
        outcome = commands.Login(password);
        break;
      case Command::UdevRule:
        outcome = commands.UdevRule();
        break;
      case Command::Apply:
        outcome = ApplyRoster(session, roster, o.dryRun ? nullptr : &password, out, err, storage,
                              audit);
        break;
      default:
        outcome = commands.Change(o, password, &newPassword);
        break;
    }
  }
  session.ReleaseHandle();
  int rc = ExitStatus(outcome.kind);

  const std::string saveError = run.SaveError();
  if (!saveError.empty()) {
    err << "zulctl: the simulated camera's state was not saved: " << saveError << "\n";
    if (rc == kExitDone) rc = kExitUsage;
  }
  return rc;
}

}  // namespace zul::cli
