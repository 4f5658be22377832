#pragma once
// Wraps a port and makes every pass-through request take at least a fixed
// device latency. Two ways to wait: spinning to a deadline (a sleep
// overshoots, which matters where one request's host cost is measured), or
// sleeping, as a real device blocks the calling thread without using the
// processor (what matters where several cameras are worked on at once: a
// spinning wait would measure the machine's cores, not the tool).

#include <atomic>
#include <chrono>
#include <thread>

#include "devicelink/DevicePort.h"

namespace zul::bench {

class LatencyPort final : public DevicePort {
 public:
  enum class Wait { Spin, Sleep };

  LatencyPort(DevicePort& inner, std::chrono::nanoseconds latency, Wait wait = Wait::Spin)
      : inner_(inner), latency_(latency), wait_(wait) {}

  std::vector<DeviceCandidate> Candidates() override { return inner_.Candidates(); }
  VolumeHandle OpenVolume(const char* p) override { return inner_.OpenVolume(p); }
  bool PassThrough(VolumeHandle h, void* b, std::uint32_t in, std::uint32_t out) override {
    const auto deadline = std::chrono::steady_clock::now() + latency_;
    const bool ok = inner_.PassThrough(h, b, in, out);
    if (wait_ == Wait::Sleep) {
      std::this_thread::sleep_until(deadline);
    } else {
      while (std::chrono::steady_clock::now() < deadline) {
      }
    }
    ++requests_;
    return ok;
  }
  void CloseVolume(VolumeHandle h) override { inner_.CloseVolume(h); }

  std::uint64_t requests() const { return requests_; }

 private:
  DevicePort& inner_;
  std::chrono::nanoseconds latency_;
  Wait wait_;
  std::atomic<std::uint64_t> requests_ = 0;  // sessions on several threads count here
};

}  // namespace zul::bench
