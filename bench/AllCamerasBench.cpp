// zulctl --all set-time on a dock of sixteen cameras against the same on one
// camera, at 400 us per request, the device latency modelled as a blocking
// sleep. The cameras are independent devices worked on at once, so sixteen
// should take about as long as one (goal: at most 1.5 times).

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <sstream>
#include <string>

#include "bench/LatencyPort.h"
#include "cli/Zulctl.h"
#include "simulator/SimulatedDrives.h"

namespace zul::bench {
namespace {

constexpr auto kLatency = std::chrono::microseconds(400);

// cameras cameras from D: on (password 1234), behind a latency of their own.
struct Dock {
  explicit Dock(int cameras) : port(drives, kLatency, LatencyPort::Wait::Sleep) {
    for (int i = 0; i < cameras; ++i) {
      sim::SimulatedDrive drive;
      drive.type = sim::DriveType::Camera;
      drive.camera = std::make_shared<sim::SimulatedCamera>();
      drives.Insert(static_cast<char>('D' + i), std::move(drive));
    }
  }
  sim::SimulatedDrives drives;
  LatencyPort port;
};

// One zulctl --all set-time run, as the program does it; its wall time.
std::chrono::nanoseconds SetTimeOnAll(Dock& dock, std::FILE* password) {
  const char* args[] = {"zulctl", "--all", "set-time"};
  std::rewind(password);
  std::ostringstream out, err;
  const auto start = std::chrono::steady_clock::now();
  const int rc = cli::RunZulctl(3, args, password, out, err, &dock.port);
  const auto wall = std::chrono::steady_clock::now() - start;
  if (rc != 0) std::fprintf(stderr, "zulctl --all set-time: %d %s", rc, err.str().c_str());
  return wall;
}

// Counters: one_ms and sixteen_ms, the mean wall time of a run on one camera
// and on sixteen, and ratio, sixteen over one, both measured in this run,
// one after the other in each iteration.
void BM_AllSetTime(benchmark::State& state) {
  Dock one(1), sixteen(16);
  std::FILE* password = std::tmpfile();
  std::fputs("1234\n", password);
  std::chrono::nanoseconds oneWall{0}, sixteenWall{0};
  std::uint64_t oneRequests = 0;
  for (auto _ : state) {
    const std::uint64_t before = one.port.requests();
    oneWall += SetTimeOnAll(one, password);
    oneRequests += one.port.requests() - before;
    sixteenWall += SetTimeOnAll(sixteen, password);
  }
  std::fclose(password);
  const auto n = static_cast<double>(state.iterations());
  state.counters["requests_per_camera"] = static_cast<double>(oneRequests) / n;
  state.counters["one_ms"] = static_cast<double>(oneWall.count()) / n / 1e6;
  state.counters["sixteen_ms"] = static_cast<double>(sixteenWall.count()) / n / 1e6;
  state.counters["ratio"] =
      static_cast<double>(sixteenWall.count()) / static_cast<double>(oneWall.count());
}
BENCHMARK(BM_AllSetTime)->UseRealTime()->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace zul::bench
