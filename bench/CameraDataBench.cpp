// Host cost of the camera-data operations, and the wall time of a readout
// against the physical floor: requests x device latency.

#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <string>

#include "cameradata/CameraStatus.h"
#include "devicelink/Discovery.h"
#include "bench/LatencyPort.h"
#include "simulator/SimulatedDrives.h"
#include "cameradata/TextField.h"

namespace zul::bench {
namespace {

// A camera at F: behind a plain disk at D:; texts of the given length.
void FillDrives(sim::SimulatedDrives& drives, std::size_t textLength) {
  sim::SimulatedDrive disk;
  disk.type = sim::DriveType::Disk;
  drives.Insert('D', disk);
  sim::SimulatedDrive cam;
  cam.type = sim::DriveType::Camera;
  auto camera = std::make_shared<sim::SimulatedCamera>();
  const std::string text(textLength, 'x');
  camera->state.officer = camera->state.department = text;
  camera->state.additional = camera->state.hint = text;
  cam.camera = camera;
  drives.Insert('F', cam);
}

// Texts of 0 characters: 13 requests after the scan; of 40: 41.
void BM_ReadCameraStatus(benchmark::State& state) {
  sim::SimulatedDrives drives;
  FillDrives(drives, static_cast<std::size_t>(state.range(0)));
  DeviceSession session{drives};
  for (auto _ : state) {
    CameraStatus status;
    benchmark::DoNotOptimize(ReadCameraStatus(session, status));
  }
}
BENCHMARK(BM_ReadCameraStatus)->Arg(0)->Arg(40);

void BM_WriteTextField40(benchmark::State& state) {
  sim::SimulatedDrives drives;
  FillDrives(drives, 0);
  DeviceSession session{drives};
  DiscoverCamera(session);
  const std::string text(40, 'T');
  for (auto _ : state) benchmark::DoNotOptimize(WriteTextField(session, TEXT_OFFICER, text));
}
BENCHMARK(BM_WriteTextField40);

// With 400 us per request (about one USB 2.0 bulk-only command round trip):
// the readout's wall time divided by requests x latency. 1.00 is the floor.
void BM_ReadoutAgainstFloor(benchmark::State& state) {
  constexpr auto kLatency = std::chrono::microseconds(400);
  sim::SimulatedDrives drives;
  FillDrives(drives, static_cast<std::size_t>(state.range(0)));
  LatencyPort port(drives, kLatency);
  DeviceSession session{port};
  std::chrono::nanoseconds wall{0};
  std::uint64_t requests = 0;
  for (auto _ : state) {
    const std::uint64_t before = port.requests();
    const auto start = std::chrono::steady_clock::now();
    CameraStatus status;
    benchmark::DoNotOptimize(ReadCameraStatus(session, status));
    wall += std::chrono::steady_clock::now() - start;
    requests += port.requests() - before;
  }
  const double floor = static_cast<double>(requests) * static_cast<double>(
                           std::chrono::nanoseconds(kLatency).count());
  state.counters["requests"] =
      static_cast<double>(requests) / static_cast<double>(state.iterations());
  state.counters["ratio_to_floor"] = static_cast<double>(wall.count()) / floor;
}
BENCHMARK(BM_ReadoutAgainstFloor)->Arg(0)->Arg(40)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zul::bench
