// camera-gadget: one drive of a scenario as a USB mass-storage device through
// FunctionFS. See docs/gadget.md.

#include <CLI/CLI.hpp>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>
#include <vector>

#include "gadget/BulkOnly.h"
#include "gadget/FunctionFs.h"
#include "gadget/ScsiTarget.h"
#include "runcontext/SharedOptions.h"
#include "simulator/Simulation.h"

namespace {

constexpr char kUsage[] =
    "Usage: camera-gadget --ffs DIR [--simulate FILE] [--state FILE] [--drive LETTER]\n"
    "                     [--image FILE] [--silent-from K] [--stall K] [--unplug-at K] "
    "[--verbose]\n"
    "Serves the camera (or impostor) at LETTER of the scenario FILE as a USB mass-storage\n"
    "function from the FunctionFS mount DIR. --image: the FAT image its storage holds.\n"
    "Faults by request number: --silent-from K (no answer from request K on), --stall K\n"
    "(the data phase of request K is stalled; may be given again), --unplug-at K.\n"
    "camera-gadget --list [--simulate FILE]: the scenario's drives, one \"LETTER TYPE\" a line.\n";

bool Number(const char* text, std::uint64_t& value) {
  char* end = nullptr;
  value = std::strtoull(text, &end, 10);
  return end && *end == 0 && value > 0;
}

int Usage() {
  std::cerr << kUsage;
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  std::string ffs, imagePath;
  std::vector<std::string> letters, silentFrom, stalls, unplugAt;
  bool verbose = false, list = false;
  zul::run::RunOptions run;
  CLI::App app{"", "camera-gadget"};
  app.set_help_flag();  // any fault, --help too, shows the usage
  zul::run::SharedOptions shared(app, run, zul::run::Grammar::Gadget);
  app.add_option("--ffs", ffs)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_option("--image", imagePath)->multi_option_policy(CLI::MultiOptionPolicy::TakeLast);
  app.add_option("--drive", letters)->allow_extra_args(false);
  // Request numbers, checked below; --stall may be given again.
  for (auto [name, values] : {std::pair{"--silent-from", &silentFrom},
                              std::pair{"--stall", &stalls}, std::pair{"--unplug-at", &unplugAt}}) {
    app.add_option(name, *values)->allow_extra_args(false);
  }
  app.add_flag("--verbose", verbose);
  app.add_flag("--list", list);
  const std::vector<std::string> words(argv + std::min(argc, 1), argv + argc);
  try {
    if (!shared.EmptyValue(words).empty()) throw CLI::ValidationError("a file name is missing");
    app.parse(argc, argv);
  } catch (const CLI::ParseError&) {
    return Usage();
  }
  shared.Take();

  char letter = 0;
  for (const std::string& d : letters) {
    letter = d.size() == 1 && d[0] >= 'D' && d[0] <= 'Z' ? d[0] : 0;
    if (!letter) {
      std::cerr << "camera-gadget: --drive: a letter from D to Z\n";
      return 2;
    }
  }
  // Request numbers count from 1; of --silent-from and --unplug-at the last counts.
  zul::gadget::LinkFaults faults;
  for (const std::string& text : silentFrom) {
    if (!Number(text.c_str(), faults.silentFrom)) return Usage();
  }
  for (const std::string& text : unplugAt) {
    if (!Number(text.c_str(), faults.unplugAt)) return Usage();
  }
  for (const std::string& text : stalls) {
    std::uint64_t k = 0;
    if (!Number(text.c_str(), k)) return Usage();
    faults.stall.insert(k);
  }
  if (ffs.empty() && !list) return Usage();

  zul::sim::Simulation simulation;
  std::string error;
  if (!simulation.Open(run.scenarioPath, run.statePath, error)) {
    std::cerr << "camera-gadget: " << error << "\n";
    return 2;
  }
  auto& drives = simulation.Drives();
  if (list) {  // the scenario's drives, one "LETTER TYPE" a line, for scripts
    static const char* const names[] = {"disk", "unopenable", "impostor", "camera"};
    for (char l : drives.Letters()) {
      std::cout << l << ' ' << names[static_cast<int>(drives.Drive(l)->type)] << '\n';
    }
    return 0;
  }
  if (!letter) {  // the first camera, or else the first impostor
    for (char l : drives.Letters()) {
      const auto type = drives.Drive(l)->type;
      if (type == zul::sim::DriveType::Camera) {
        letter = l;
        break;
      }
      if (type == zul::sim::DriveType::Impostor && !letter) letter = l;
    }
  }
  const zul::sim::SimulatedDrive* drive = letter ? drives.Drive(letter) : nullptr;
  if (!drive || (drive->type != zul::sim::DriveType::Camera &&
                 drive->type != zul::sim::DriveType::Impostor)) {
    std::cerr << "camera-gadget: the scenario has no camera or impostor"
              << (letter ? std::string(" at ") + letter : std::string()) << "\n";
    return 2;
  }
  std::vector<std::uint8_t> image;
  if (!imagePath.empty()) {
    std::ifstream f(imagePath, std::ios::binary);
    image.assign(std::istreambuf_iterator<char>(f), {});
    if (!f.good() && !f.eof()) {
      std::cerr << "camera-gadget: " << imagePath << ": cannot be read\n";
      return 2;
    }
  }

  const std::string path = std::string("\\\\.\\") + letter + ":";
  zul::DevicePort& port = simulation.Port();
  zul::gadget::DriveLink link;
  link.port = &port;
  link.handle = port.OpenVolume(path.c_str());
  if (link.handle == zul::kNoHandle) {
    std::cerr << "camera-gadget: drive " << letter << " cannot be opened\n";
    return 2;
  }
  link.mediumPresent = [&drives, letter] {
    const zul::sim::SimulatedDrive* d = drives.Drive(letter);
    return d && d->camera && d->camera->state.diskAccess;
  };
  link.nextRequest = [&drives, letter] {
    const zul::sim::SimulatedDrive* d = drives.Drive(letter);
    return d ? d->requests + 1 : 0;
  };
  zul::gadget::ScsiTarget target(std::move(link), std::move(image), faults);
  zul::gadget::BulkOnlyTransport transport(target);
  zul::gadget::FunctionFsHooks hooks;
  hooks.replugged = [&drives, letter] {
    zul::sim::SimulatedDrive* d = drives.Drive(letter);
    if (d && d->camera) d->camera->Connected();
  };
  if (verbose) hooks.log = [](const std::string& line) { std::cerr << line << std::endl; };
  const int rc = zul::gadget::ServeFunctionFs(ffs, transport, hooks, error);
  if (rc != 0) std::cerr << "camera-gadget: " << error << "\n";
  const std::string saveError = simulation.SaveError();
  if (!saveError.empty()) std::cerr << "camera-gadget: " << saveError << "\n";
  std::fflush(nullptr);
  return rc;
}
