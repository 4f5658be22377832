#pragma once
// Wraps a port and makes every pass-through request take at least a fixed
// device latency, waited by spinning to a deadline (a sleep overshoots).

#include <chrono>

#include "DevicePort.h"

namespace zul::bench {

class LatencyPort final : public DevicePort {
 public:
  LatencyPort(DevicePort& inner, std::chrono::nanoseconds latency)
      : inner_(inner), latency_(latency) {}

  std::vector<DeviceCandidate> Candidates() override { return inner_.Candidates(); }
  VolumeHandle OpenVolume(const char* p) override { return inner_.OpenVolume(p); }
  bool PassThrough(VolumeHandle h, void* b, std::uint32_t in, std::uint32_t out) override {
    const auto deadline = std::chrono::steady_clock::now() + latency_;
    const bool ok = inner_.PassThrough(h, b, in, out);
    while (std::chrono::steady_clock::now() < deadline) {
    }
    ++requests_;
    return ok;
  }
  void CloseVolume(VolumeHandle h) override { inner_.CloseVolume(h); }

  std::uint64_t requests() const { return requests_; }

 private:
  DevicePort& inner_;
  std::chrono::nanoseconds latency_;
  std::uint64_t requests_ = 0;
};

}  // namespace zul::bench
