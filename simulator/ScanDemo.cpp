// Scans the simulated drives once and prints what it finds: a first look at
// the device link before the window exists.

#include <cstdio>
#include <memory>

#include "Discovery.h"
#include "SimulatedDrives.h"
#include "TracingPort.h"

int main() {
  using namespace zul;
  sim::SimulatedDrives drives;
  sim::SimulatedDrive disk;
  disk.type = sim::DriveType::Disk;
  drives.Insert('D', disk);
  sim::SimulatedDrive camera;
  camera.type = sim::DriveType::Camera;
  camera.camera = std::make_shared<sim::SimulatedCamera>();
  drives.Insert('F', camera);
  TraceLog trace(stdout);
  TracingPort port(drives, trace);
  DeviceSession session{port};
  if (DiscoverCamera(session)) {
    std::printf("camera found at %s (%s)\n", session.driveName().c_str(), session.devicePath);
    return 0;
  }
  std::printf("no camera found\n");
  return 1;
}
