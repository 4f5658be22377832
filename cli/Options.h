#pragma once
// zulctl's command line.

#include <optional>
#include <ostream>
#include <string>

#include "runcontext/RunOptions.h"

namespace zul::cli {

enum class Command {
  List,
  Status,
  Login,
  SetTime,
  SetResolution,
  SetLoop,
  SetHint,
  SetReference,
  SetPassword,
  UdevRule,
  Apply,
  Watch,  // watch with no command: arrivals and removals only
  Plug,   // the simulated drives shared through --state
  Unplug,
};

// The shared options (simulation, state, trace, audit), and zulctl's own.
struct Options : run::RunOptions {
  // The passwords' file (OpenPasswordFile); empty: they come from standard input.
  std::string passwordPath;
  // The only device to try: "F:" (a letter from D to Z), on Linux also a
  // device path ("/dev/sg2", "/dev/sdb"); empty for the first camera found.
  std::string drive;
  // Every camera found, all at once (status and the set- commands but
  // set-password); excludes drive.
  bool all = false;

  Command command = Command::Status;
  bool json = false;           // status; with all, also the set- commands
  int resolutionIndex = 0;     // set-resolution: 0 1080p, 1 720p
  int loopRecordingIndex = 0;  // set-loop: 0 off, 1 on
  // The texts as the camera keeps them (CameraText): Latin-1 bytes.
  std::string hint;                    // set-hint
  std::optional<std::string> officer;  // set-reference: given fields only
  std::optional<std::string> department;
  std::optional<std::string> additional;
  std::string rosterPath;  // apply
  bool dryRun = false;     // apply: show the changes, send none
  // watch [COMMAND]: wait for cameras; command is then the one run on each
  // camera as it arrives (one --all takes), or Watch for none.
  bool watch = false;
  std::string plugDrive;  // plug, unplug: "G:"
};

// Every command but list, status and udev-rule changes the camera and logs in
// first (apply only where a camera needs a change, and not in a dry run).
bool ChangesCamera(Command command);

// The commands --all takes.
bool WorksOnAllCameras(Command command);

struct ParsedCommandLine {
  std::optional<Options> options;  // nothing: the run is over, with exitCode
  int exitCode = 0;
};

// What the system's devices let the command line name (SystemDevices).
struct DeviceNaming {
  // --drive also takes a device path ("/dev/sg2", "/dev/sdb"), and there is
  // a udev rule to print (udev-rule): the Linux devices.
  bool paths = false;
};

// Parses argv. For --help or --version prints it to out (exit code 0); for a usage
// error prints the fault and a pointer to --help to err (exit code 1).
ParsedCommandLine ParseCommandLine(int argc, const char* const* argv, std::ostream& out,
                                   std::ostream& err, DeviceNaming naming = {});

}  // namespace zul::cli
