// camera-gadget: one drive of a scenario as a USB mass-storage device through
// FunctionFS. See docs/gadget.md.

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <iterator>
#include <string>

#include "gadget/BulkOnly.h"
#include "gadget/FunctionFs.h"
#include "gadget/ScsiTarget.h"
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

}  // namespace

int main(int argc, char** argv) {
  std::string ffs, scenario, state, imagePath;
  char letter = 0;
  bool verbose = false, list = false;
  zul::gadget::LinkFaults faults;
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    const bool hasValue = i + 1 < argc;
    std::uint64_t k = 0;
    if (a == "--verbose") {
      verbose = true;
    } else if (a == "--list") {
      list = true;
    } else if (!hasValue) {
      std::cerr << kUsage;
      return 2;
    } else if (a == "--ffs") {
      ffs = argv[++i];
    } else if (a == "--simulate") {
      scenario = argv[++i];
    } else if (a == "--state") {
      state = argv[++i];
    } else if (a == "--image") {
      imagePath = argv[++i];
    } else if (a == "--drive") {
      const std::string d = argv[++i];
      letter = d.size() == 1 && d[0] >= 'D' && d[0] <= 'Z' ? d[0] : 0;
      if (!letter) {
        std::cerr << "camera-gadget: --drive: a letter from D to Z\n";
        return 2;
      }
    } else if ((a == "--silent-from" || a == "--stall" || a == "--unplug-at") &&
               Number(argv[i + 1], k)) {
      ++i;
      if (a == "--silent-from") faults.silentFrom = k;
      if (a == "--stall") faults.stall.insert(k);
      if (a == "--unplug-at") faults.unplugAt = k;
    } else {
      std::cerr << kUsage;
      return 2;
    }
  }
  if (ffs.empty() && !list) {
    std::cerr << kUsage;
    return 2;
  }

  zul::sim::Simulation simulation;
  std::string error;
  if (!simulation.Open(scenario, state, error)) {
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
