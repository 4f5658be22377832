// Time per request through a real kernel's storage stack next to the
// simulated port, run inside the kernel rig (tests/rig/checks.sh) against a
// gadget camera: one vendor request, and the whole readout with its request
// count. The device comes from the environment:
//   ZUL_RIG_SG=/dev/sg2 ZUL_RIG_SCENARIO=tests/rig/cameras.json ZUL_RIG_LETTER=G rig-bench

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "cameradata/CameraStatus.h"
#include "devicelink/DeviceSession.h"
#include "devicelink/linux/LinuxSgPort.h"
#include "simulator/Simulation.h"

namespace zul::gadget {
namespace {

// Counts the requests that pass.
class CountingPort final : public DevicePort {
 public:
  explicit CountingPort(DevicePort& inner) : inner_(inner) {}
  std::vector<DeviceCandidate> Candidates() override { return inner_.Candidates(); }
  VolumeHandle OpenVolume(const char* path) override { return inner_.OpenVolume(path); }
  bool PassThrough(VolumeHandle h, void* buffer, std::uint32_t in, std::uint32_t out) override {
    ++requests;
    return inner_.PassThrough(h, buffer, in, out);
  }
  void CloseVolume(VolumeHandle h) override { inner_.CloseVolume(h); }
  std::uint64_t requests = 0;

 private:
  DevicePort& inner_;
};

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// The camera on one of the two ports, held open for the whole benchmark.
struct Held {
  explicit Held(bool real) {
    if (!simulation.Open(Env("ZUL_RIG_SCENARIO"), "", error)) return;
    inner = real ? static_cast<DevicePort*>(&sg) : &simulation.Port();
    counting = std::make_unique<CountingPort>(*inner);
    session = std::make_unique<DeviceSession>(*counting);
    const std::string path = real ? Env("ZUL_RIG_SG") : "\\\\.\\" + Env("ZUL_RIG_LETTER") + ":";
    session->handle = counting->OpenVolume(path.c_str());
    session->devicePath = path;
    if (session->handle == kNoHandle) error = path + ": cannot be opened";
  }
  ~Held() {
    if (session) session->ReleaseHandle();
  }
  LinuxSgPort sg;
  sim::Simulation simulation;
  DevicePort* inner = nullptr;
  std::unique_ptr<CountingPort> counting;
  std::unique_ptr<DeviceSession> session;
  std::string error;
};

void BM_Request(benchmark::State& state) {
  Held held(state.range(0) == 1);
  if (!held.error.empty()) return state.SkipWithError(held.error.c_str());
  std::string serial;
  for (auto _ : state) {
    if (!ReadSerialNumber(*held.session, serial)) return state.SkipWithError("request failed");
  }
  state.SetLabel(state.range(0) == 1 ? "real kernel" : "simulated");
}
BENCHMARK(BM_Request)->Arg(1)->Arg(0)->Unit(benchmark::kMicrosecond)->UseRealTime()->MinTime(0.5);

void BM_Readout(benchmark::State& state) {
  Held held(state.range(0) == 1);
  if (!held.error.empty()) return state.SkipWithError(held.error.c_str());
  CameraStatus status;
  for (auto _ : state) {
    if (!ReadHeldCameraStatus(*held.session, status)) return state.SkipWithError("readout failed");
  }
  const double requests = double(held.counting->requests) / double(state.iterations());
  state.counters["requests"] = requests;
  state.counters["per_request"] =
      benchmark::Counter(requests * double(state.iterations()),
                         benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
  state.SetLabel(state.range(0) == 1 ? "real kernel" : "simulated");
}
BENCHMARK(BM_Readout)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(0.5);

}  // namespace
}  // namespace zul::gadget

BENCHMARK_MAIN();
