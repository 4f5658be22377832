#include "cli/Options.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <vector>

#include "ZulVersion.h"
#include "cameradata/CameraVocabulary.h"
#include "cli/CameraText.h"
#include "runcontext/SharedOptions.h"

namespace zul::cli {
namespace {

constexpr char kUsage[] =
    "Usage: zulctl [--simulate[=FILE]] [--state FILE] [--trace FILE] [--audit FILE]\n"
    "              [--password-file FILE] [--drive LETTER | --all] "
    "COMMAND [ARGS]\n"
    "Commands: list, status [--json], login, set-time, set-resolution 1080p|720p,\n"
    "          set-loop on|off, set-hint TEXT, set-reference [--officer T] [--department T]\n"
    "          [--additional T], set-password, apply [--dry-run] ROSTER, watch [COMMAND [ARGS]],\n"
    "          plug LETTER, unplug LETTER (simulated drives shared through --state)\n"
    "Run with --help for more information.\n";

constexpr char kFooter[] =
    "Passwords are read from standard input (or --password-file), one a line: the current\n"
    "password, then (for set-password) the new one. Every command that changes the camera logs\n"
    "in first.\n"
    "\n"
    "With --all: one line per camera (drive, serial number, outcome, message), or with --json\n"
    "one JSON array; the password is read once and tried once on each camera.\n"
    "\n"
    "Exit status: 0 done, 1 usage error or unusable file, 2 no camera, 3 the camera did not\n"
    "answer, 4 password refused, 5 camera locked, 6 done on some cameras, not on all.";

// A text for the camera becomes its bytes here, as a roster's do (CameraText);
// one it cannot keep is refused rather than cut or garbled.
const CLI::Validator kCameraText(
    [](std::string& text) {
      std::string refusal;
      const std::optional<std::string> bytes = CameraText(text, refusal);
      if (!bytes) return refusal;
      text = *bytes;
      return std::string();
    },
    "");

// "F", "f", "F:" or "f:" for a letter from D to Z; becomes "F". With paths, a
// device path ("/dev/sg2") passes as it is.
CLI::Validator DriveLetter(bool paths) {
  return CLI::Validator(
      [paths](std::string& value) {
        if (paths && !value.empty() && value[0] == '/') return std::string();
        std::string v = value;
        if (v.size() == 2 && v[1] == ':') v.pop_back();
        if (v.size() == 1 && v[0] >= 'a' && v[0] <= 'z') {
          v[0] = static_cast<char>(v[0] - 'a' + 'A');
        }
        if (v.size() != 1 || v[0] < 'D' || v[0] > 'Z') {
          return std::string("must be one drive letter from D to Z");
        }
        value = v;
        return std::string();
      },
      "");
}

// watch works on every camera that arrives, one at a time as they come.
ParsedCommandLine CheckWatch(ParsedCommandLine parsed, std::ostream& err) {
  const Options& o = *parsed.options;
  if (o.watch && (o.all || !o.drive.empty() || o.json)) {
    err << "zulctl: watch works on every camera that arrives; --all, --drive and --json do not "
           "go with it\n"
        << kUsage;
    return {std::nullopt, 1};
  }
  return parsed;
}

}  // namespace

bool ChangesCamera(Command command) {
  return command != Command::List && command != Command::Status && command != Command::UdevRule &&
         command != Command::Watch && command != Command::Plug && command != Command::Unplug;
}

bool WorksOnAllCameras(Command command) {
  switch (command) {
    case Command::Status:
    case Command::SetTime:
    case Command::SetResolution:
    case Command::SetLoop:
    case Command::SetHint:
    case Command::SetReference:
      return true;
    case Command::List:
    case Command::Login:
    case Command::SetPassword:
    case Command::UdevRule:
    case Command::Apply:  // walks every camera of its own
    case Command::Watch:
    case Command::Plug:
    case Command::Unplug:
      break;
  }
  return false;
}

namespace {

// watching: the words after watch, where no command is one too (command Watch).
ParsedCommandLine Parse(int argc, const char* const* argv, std::ostream& out, std::ostream& err,
                        DeviceNaming naming, bool watching) {
  Options o;
  CLI::App app{"zulctl: the USB camera's login, settings and texts from the command line.",
               "zulctl"};
  app.fallthrough();             // the global options may also follow the command
  app.require_subcommand(0, 1);  // none is refused below, after unknown words
  app.footer(kFooter);
  app.set_version_flag("--version", "zulctl " ZUL_VERSION_TEXT);

  run::SharedOptions shared(app, o, run::Grammar::Zulctl);
  app.add_option("--password-file", o.passwordPath,
                 "Read the passwords from FILE instead of standard input, one a line; refused "
                 "when others than its owner may read or write FILE")
      ->type_name("FILE");
  std::string drive;
  const CLI::Validator driveLetter = DriveLetter(naming.paths);
  CLI::Option* driveOption =
      app.add_option("--drive", drive,
                     naming.paths ? "Use this camera only: its sg node or block device (/dev/sg2, "
                                    "/dev/sdb), or a drive letter (D to Z) of the simulated drives"
                                  : "Use the camera at this drive letter (D to Z) only")
          ->transform(driveLetter)
          ->type_name(naming.paths ? "DEVICE" : "LETTER");
  app.add_flag("--all", o.all,
               "Every camera found, all at once: status, set-time, set-resolution, set-loop, "
               "set-hint, set-reference; one result line per camera")
      ->excludes(driveOption);

  CLI::App* list = app.add_subcommand(
      "list", "Every drive D: to Z: that answers as a camera: letter, serial number, firmware");
  CLI::App* status = app.add_subcommand("status", "The whole readout of the camera");
  status->add_flag("--json", o.json, "As one JSON object");
  CLI::App* login =
      app.add_subcommand("login", "Log in; on success the camera opens its storage to the PC");
  CLI::App* setTime = app.add_subcommand("set-time", "Set the camera clock from the PC clock");
  CLI::App* setResolution =
      app.add_subcommand("set-resolution", "Set the video resolution: 1080p or 720p");
  std::string resolution;
  setResolution->add_option("RESOLUTION", resolution, "1080p or 720p")
      ->required()
      ->check(CLI::IsMember({kResolutionChoices[0].word, kResolutionChoices[1].word},
                            CLI::ignore_case));
  CLI::App* setLoop =
      app.add_subcommand("set-loop", "Switch loop recording (overwrite): on or off");
  std::string loop;
  setLoop->add_option("SWITCH", loop, "on or off")
      ->required()
      ->check(CLI::IsMember({kLoopRecordingChoices[1].word, kLoopRecordingChoices[0].word},
                            CLI::ignore_case));
  CLI::App* setHint = app.add_subcommand("set-hint", "Set the password hint: TEXT");
  setHint->add_option("TEXT", o.hint, "At most 40 characters")->required()->transform(kCameraText);
  CLI::App* setReference = app.add_subcommand(
      "set-reference", "Set reference texts; those not given keep the camera's current text");
  std::string officer, department, additional;
  CLI::Option* officerOption =
      setReference->add_option("--officer", officer, "At most 40 characters")
          ->transform(kCameraText);
  CLI::Option* departmentOption =
      setReference->add_option("--department", department, "At most 40 characters")
          ->transform(kCameraText);
  CLI::Option* additionalOption =
      setReference->add_option("--additional", additional, "At most 40 characters")
          ->transform(kCameraText);
  // With --all the set- commands report as JSON too.
  for (CLI::App* c : {setTime, setResolution, setLoop, setHint, setReference}) {
    c->add_flag("--json", o.json, "With --all: the results as one JSON array");
  }
  CLI::App* setPassword = app.add_subcommand(
      "set-password", "Set a new login password (read from standard input after the current one)");
  CLI::App* apply = app.add_subcommand(
      "apply",
      "Bring every docked camera in line with a roster: write the texts that differ from it");
  apply
      ->add_option("ROSTER", o.rosterPath,
                   "CSV file with a header row naming serial and any of officer, department, "
                   "additional, hint; or the same as a JSON array of objects")
      ->required()
      ->type_name("FILE");
  apply->add_flag("--dry-run", o.dryRun, "Show the changes; log in to no camera, write nothing");
  CLI::App* watch = app.add_subcommand(
      "watch",
      "Wait for cameras; one line per arrival and removal. With a COMMAND (status, set-time, "
      "set-resolution, set-loop, set-hint, set-reference and its ARGS), run it on each camera as "
      "it arrives. Runs until stopped: Ctrl-C, SIGTERM (on Windows Ctrl-C, Ctrl-Break or the "
      "console closing)");
  // The words after it are the command to run, parsed on their own.
  watch->prefix_command()->fallthrough(false);
  std::string plugDrive;
  CLI::App* plug = app.add_subcommand(
      "plug", "Simulated drives shared through --state: plug the drive at LETTER in again");
  CLI::App* unplug = app.add_subcommand(
      "unplug", "Simulated drives shared through --state: pull the drive at LETTER out");
  for (CLI::App* c : {plug, unplug}) {
    c->add_option("LETTER", plugDrive, "A drive letter from D to Z")
        ->required()
        ->transform(driveLetter)
        ->type_name("LETTER");
  }
  CLI::App* udevRule =
      naming.paths
          ? app.add_subcommand("udev-rule",
                               "Print the udev rule that lets users without root reach the "
                               "cameras found (run as root)")
          : nullptr;

  try {
    const std::vector<std::string> words(argv + std::min(argc, 1), argv + argc);
    if (const std::string empty = shared.EmptyValue(words, {"--password-file"}); !empty.empty()) {
      throw CLI::ValidationError(empty + "= needs a file name");
    }
    app.parse(argc, argv);
    if (app.get_subcommands().empty() && !watching) throw CLI::RequiredError("A command");
    if (setReference->parsed() && !officerOption->count() && !departmentOption->count() &&
        !additionalOption->count()) {
      throw CLI::ValidationError("set-reference",
                                 "give at least one of --officer, --department, --additional");
    }
    if ((plug->parsed() || unplug->parsed()) && (plugDrive[0] == '/' || o.statePath.empty())) {
      throw CLI::ValidationError(plug->parsed() ? "plug" : "unplug",
                                 "works on simulated drives: give --simulate and --state, and a "
                                 "drive letter");
    }
    if (apply->parsed() && !drive.empty()) {
      throw CLI::ValidationError("apply",
                                 "works on every camera docked; --drive does not go with it");
    }
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) {  // --help, --version
      app.exit(e, out, err);
      return {std::nullopt, 0};
    }
    err << "zulctl: " << e.what() << "\n" << kUsage;
    return {std::nullopt, 1};
  }

  shared.Take();
  if (!drive.empty()) o.drive = drive[0] == '/' ? drive : drive + ":";
  const struct {
    CLI::App* app;
    Command command;
  } commands[] = {
      {list, Command::List},
      {status, Command::Status},
      {login, Command::Login},
      {setTime, Command::SetTime},
      {setResolution, Command::SetResolution},
      {setLoop, Command::SetLoop},
      {setHint, Command::SetHint},
      {setReference, Command::SetReference},
      {setPassword, Command::SetPassword},
      {apply, Command::Apply},
      {watch, Command::Watch},
      {plug, Command::Plug},
      {unplug, Command::Unplug},
      {udevRule, Command::UdevRule},
  };
  for (const auto& c : commands) {
    if (c.app && c.app->parsed()) o.command = c.command;
  }
  if (o.command == Command::Plug || o.command == Command::Unplug) {
    o.plugDrive = plugDrive + ":";
  }
  // watch COMMAND: the command line without the word watch is read as the
  // command's own, with the global options wherever they stand.
  if (watch->parsed() && !watch->remaining().empty()) {
    const int at = argc - 1 - static_cast<int>(watch->remaining().size());
    std::vector<const char*> inner(argv, argv + argc);
    inner.erase(inner.begin() + at);
    ParsedCommandLine command =
        Parse(static_cast<int>(inner.size()), inner.data(), out, err, naming, true);
    if (!command.options) return command;
    if (command.options->command != Command::Watch &&
        (!WorksOnAllCameras(command.options->command) || command.options->watch)) {
      err << "zulctl: watch runs status, set-time, set-resolution, set-loop, set-hint or "
             "set-reference on each camera\n"
          << kUsage;
      return {std::nullopt, 1};
    }
    command.options->watch = true;
    return CheckWatch(std::move(command), err);
  }
  o.watch = watch->parsed();
  // Checked once the command is known; a usage error like the parser's own.
  const char* misuse = nullptr;
  if (o.all && !WorksOnAllCameras(o.command)) {
    misuse =
        "--all works with status, set-time, set-resolution, set-loop, set-hint and "
        "set-reference only";
  } else if (o.json && !o.all && o.command != Command::Status) {
    misuse = "--json goes with status, or with --all";
  }
  if (misuse) {
    err << "zulctl: " << misuse << "\n" << kUsage;
    return {std::nullopt, 1};
  }
  // The choices are taken in either case.
  o.resolutionIndex = CLI::detail::to_lower(resolution) == kResolutionChoices[1].word ? 1 : 0;
  o.loopRecordingIndex = CLI::detail::to_lower(loop) == kLoopRecordingChoices[1].word ? 1 : 0;
  if (officerOption->count()) o.officer = officer;
  if (departmentOption->count()) o.department = department;
  if (additionalOption->count()) o.additional = additional;
  if (watching && app.get_subcommands().empty()) o.command = Command::Watch;
  return CheckWatch({std::move(o), 0}, err);
}

}  // namespace

ParsedCommandLine ParseCommandLine(int argc, const char* const* argv, std::ostream& out,
                                   std::ostream& err, DeviceNaming naming) {
  return Parse(argc, argv, out, err, naming, false);
}

}  // namespace zul::cli
