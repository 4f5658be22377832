#pragma once
// A device port for tests that look at the exact request handed to the system:
// it keeps a copy of each request's buffer and sizes and answers through a
// function the test supplies.

#include <cstring>
#include <functional>
#include <vector>

#include "devicelink/DevicePort.h"
#include "devicelink/PassThroughBuffer.h"

namespace zul::test {

struct SeenRequest {
  std::vector<std::uint8_t> bufferBefore;  // the first outSize bytes as handed over
  std::uint32_t inSize;
  std::uint32_t outSize;
  ScsiPassThroughHeader header() const {
    ScsiPassThroughHeader h;
    std::memcpy(&h, bufferBefore.data(), sizeof h);
    return h;
  }
};

class ScriptedPort : public DevicePort {
 public:
  // Answers a request: may write into the data area; returns the call's result.
  std::function<bool(PassThroughBuffer&)> answer = [](PassThroughBuffer&) { return true; };
  std::vector<SeenRequest> seen;
  int opens = 0;
  int closes = 0;

  std::vector<DeviceCandidate> Candidates() override { return DriveLetterCandidates(); }
  VolumeHandle OpenVolume(const char*) override {
    ++opens;
    return reinterpret_cast<VolumeHandle>(static_cast<std::uintptr_t>(opens));
  }
  bool PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                   std::uint32_t outSize) override {
    auto* b = static_cast<std::uint8_t*>(buffer);
    seen.push_back({std::vector<std::uint8_t>(b, b + outSize), inSize, outSize});
    if (handle == kNoHandle) return false;
    return answer(*static_cast<PassThroughBuffer*>(buffer));
  }
  void CloseVolume(VolumeHandle) override { ++closes; }
};

// Counts the handles a port has open, whatever port it wraps.
class CountingPort : public DevicePort {
 public:
  explicit CountingPort(DevicePort& inner) : inner_(inner) {}
  int open = 0;
  std::vector<DeviceCandidate> Candidates() override { return inner_.Candidates(); }
  VolumeHandle OpenVolume(const char* p) override {
    VolumeHandle h = inner_.OpenVolume(p);
    if (h != kNoHandle) ++open;
    return h;
  }
  bool PassThrough(VolumeHandle h, void* b, std::uint32_t i, std::uint32_t o) override {
    return inner_.PassThrough(h, b, i, o);
  }
  void CloseVolume(VolumeHandle h) override {
    if (h != kNoHandle) --open;
    inner_.CloseVolume(h);
  }

 private:
  DevicePort& inner_;
};

}  // namespace zul::test
