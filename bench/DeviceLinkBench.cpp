// Host cost of the device path through the simulated drives, with no device
// latency: what the tool itself adds to every request.

#include <benchmark/benchmark.h>

#include <memory>

#include "devicelink/Command.h"
#include "devicelink/Discovery.h"
#include "simulator/SimulatedDrives.h"

namespace zul::bench {
namespace {

sim::SimulatedDrive Camera() {
  sim::SimulatedDrive d;
  d.type = sim::DriveType::Camera;
  d.camera = std::make_shared<sim::SimulatedCamera>();
  return d;
}

void BM_VendorTransfer(benchmark::State& state) {
  sim::SimulatedDrives drives;
  drives.Insert('F', Camera());
  DeviceSession session{drives};
  DiscoverCamera(session);
  for (auto _ : state) {
    CommandBlock cdb{};
    cdb[3] = 0xFE;
    cdb[4] = 0x60;
    cdb[7] = 0x01;
    ReplyBlock reply;
    benchmark::DoNotOptimize(VendorTransfer(session, cdb, reply));
    benchmark::DoNotOptimize(reply);
  }
}
BENCHMARK(BM_VendorTransfer);

void BM_IssueCommand(benchmark::State& state) {
  sim::SimulatedDrives drives;
  drives.Insert('F', Camera());
  DeviceSession session{drives};
  DiscoverCamera(session);
  for (auto _ : state) {
    ReplyBlock block{};
    benchmark::DoNotOptimize(IssueCommand(session, CMD_GET_RESOLUTION, block));
    benchmark::DoNotOptimize(block);
  }
}
BENCHMARK(BM_IssueCommand);

// The camera behind 22 plain disks (at Z:) or in front of them (at D:).
void BM_DiscoverCamera(benchmark::State& state) {
  const bool atZ = state.range(0) != 0;
  sim::SimulatedDrives drives;
  for (char l = 'D'; l <= 'Z'; ++l) {
    sim::SimulatedDrive disk;
    disk.type = sim::DriveType::Disk;
    drives.Insert(l, disk);
  }
  drives.Insert(atZ ? 'Z' : 'D', Camera());
  DeviceSession session{drives};
  for (auto _ : state) benchmark::DoNotOptimize(DiscoverCamera(session));
  state.SetLabel(atZ ? "camera at Z: behind 22 disks" : "camera at D:");
}
BENCHMARK(BM_DiscoverCamera)->Arg(0)->Arg(1);

}  // namespace
}  // namespace zul::bench
