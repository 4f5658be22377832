#include "cli/Zulctl.h"

#include <optional>
#include <vector>

#include "cli/AllCameras.h"
#include "audit/AuditLog.h"
#include "cli/CameraCommands.h"
#include "cli/DeviceNotices.h"
#include "cli/ExitCode.h"
#include "cli/Messages.h"
#include "cli/Options.h"
#include "cli/PasswordFile.h"
#include "cli/Roster.h"
#include "cli/RosterApply.h"
#include "devicelink/RunFiles.h"
#include "cli/Secret.h"
#include "simulator/Simulation.h"
#include "devicelink/TraceLog.h"
#include "devicelink/TracingPort.h"
#include "cli/Watch.h"
#if defined(_WIN32)
#include "devicelink/win32/Win32VolumePort.h"
#elif defined(__linux__)
#include "cli/LinuxStorage.h"
#include "devicelink/linux/LinuxSgPort.h"
#endif

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
  if (secret.length() < 4) {
    err << kPasswordTooShort << "\n";
    return false;
  }
  if (secret.length() > 10) {
    err << kPasswordTooLong << "\n";
    return false;
  }
  if (secret.text().find('\0') != std::string_view::npos) {  // the camera would end it there
    err << kPasswordZero << "\n";
    return false;
  }
  return true;
}

// Every file the run reads or writes, those read first.
std::vector<RunFile> RunFilesOf(const Options& o) {
  return {{"scenario", o.scenarioPath},
          {"roster", o.rosterPath},
          {"password", o.passwordPath},
          {"state", o.statePath},
          {"trace", o.tracePath},
          {"audit", o.auditPath}};
}

}  // namespace

int RunZulctl(int argc, const char* const* argv, std::FILE* in, std::ostream& out,
              std::ostream& err, DevicePort* drives) {
  const ParsedCommandLine parsed = ParseCommandLine(argc, argv, out, err);
  if (!parsed.options) return parsed.exitCode;
  const Options& o = *parsed.options;
  if (const FileClash clash = RunFileClash(RunFilesOf(o))) {
    err << "zulctl: " << clash.message << "\n";
    return kExitUsage;
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

  sim::Simulation simulation;
#if defined(_WIN32)
  Win32VolumePort volumes;
#elif defined(__linux__)
  LinuxSgPort volumes;
  LinuxStorage linuxStorage;
#endif
  StorageLocator* storage = nullptr;
  DevicePort* port = drives;
  if (port) {
    // the caller's drives
  } else if (o.simulate) {
    std::string error;
    if (!simulation.Open(o.scenarioPath, o.statePath, error)) {
      err << "zulctl: " << error << "\n";
      return kExitUsage;
    }
    port = &simulation.Port();
  } else {
#if defined(_WIN32)
    port = &volumes;
#elif defined(__linux__)
    port = &volumes;
    storage = &linuxStorage;
#else
    err << kNoDeviceAccess << "\n";
    return kExitNoCamera;
#endif
  }
  if (o.command == Command::UdevRule && !storage) {
    err << kUdevRuleNeedsDevices << "\n";
    return kExitUsage;
  }

  std::optional<TraceLog> trace;
  std::optional<TracingPort> tracing;
  if (!o.tracePath.empty()) {
    trace.emplace(o.tracePath);
    if (!trace->IsOpen()) {
      err << "zulctl: " << o.tracePath << ": cannot be written\n";
      return kExitUsage;
    }
    tracing.emplace(*port, *trace);
    port = &*tracing;
  }

  // Before anything is sent: a run that cannot leave its audit line does not start.
  std::optional<AuditLog> audit;
  if (!o.auditPath.empty()) {
    std::string error;
    if (!audit.emplace(o.auditPath, "zulctl").Open(error)) {
      err << "zulctl: " << error << "\n";
      return kExitUsage;
    }
  }

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
  if (audit) commands.SetAudit(&*audit);
  Outcome outcome;
  if (o.all) {
    outcome = RunOnAllCameras(*port, o, password, out, err, storage, audit ? &*audit : nullptr);
  } else if (o.command == Command::Plug || o.command == Command::Unplug) {
    outcome = PlugSimulatedDrive(simulation, o, out, err);
  } else if (o.watch) {
    outcome = RunWatch(*port, o.simulate && !drives ? &simulation : nullptr, o, password, out,
                       err, storage, audit ? &*audit : nullptr);
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
        outcome = ApplyRoster(session, roster, o.dryRun ? nullptr : &password, out, err,
                              storage, audit ? &*audit : nullptr);
        break;
      default:
        outcome = commands.Change(o, password, &newPassword);
        break;
    }
  }
  session.ReleaseHandle();
  int rc = ExitStatus(outcome.kind);

  const std::string saveError = simulation.SaveError();
  if (!saveError.empty()) {
    err << "zulctl: the simulated camera's state was not saved: " << saveError << "\n";
    if (rc == kExitDone) rc = kExitUsage;
  }
  return rc;
}

}  // namespace zul::cli
