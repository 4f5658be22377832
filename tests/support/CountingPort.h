#pragma once
// A port that passes everything through to another and counts, per device
// path, what a walk costs: opens that succeeded, INQUIRYs, vendor requests by
// their code, and how often the candidates were listed. Safe for walks that
// work on several devices at once.

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "devicelink/DevicePort.h"
#include "devicelink/PassThroughBuffer.h"

namespace zul::test {

class CountingPort final : public DevicePort {
 public:
  explicit CountingPort(DevicePort& inner) : inner_(inner) {}

  std::vector<DeviceCandidate> Candidates() override {
    const std::lock_guard lock(mutex_);
    ++listings_;
    return inner_.Candidates();
  }
  VolumeHandle OpenVolume(const char* path) override {
    const VolumeHandle h = inner_.OpenVolume(path);
    const std::lock_guard lock(mutex_);
    if (h != kNoHandle) {
      ++opens_[path];
      paths_[h] = path;
    }
    return h;
  }
  bool PassThrough(VolumeHandle h, void* buffer, std::uint32_t in, std::uint32_t out) override {
    const auto* cdb = static_cast<const PassThroughBuffer*>(buffer)->header.Cdb;
    {
      const std::lock_guard lock(mutex_);
      const std::string& path = paths_[h];
      if (cdb[0] == 0x12) {
        ++inquiries_[path];
      } else {
        const std::uint32_t code = std::uint32_t{cdb[4]} << 24 | std::uint32_t{cdb[5]} << 16 |
                                   std::uint32_t{cdb[6]} << 8 | cdb[7];
        ++vendor_[{path, code}];
      }
    }
    return inner_.PassThrough(h, buffer, in, out);
  }
  void CloseVolume(VolumeHandle h) override { inner_.CloseVolume(h); }

  int opens(const std::string& path) {
    const std::lock_guard lock(mutex_);
    return opens_[path];
  }
  int inquiries(const std::string& path) {
    const std::lock_guard lock(mutex_);
    return inquiries_[path];
  }
  // Identification requests (FA 55 66 01, bytes 4 to 7 zero: code 0).
  int identifications(const std::string& path) { return requests(path, 0); }
  // Vendor requests of this code (CommandCatalogue.h) to the device at path.
  int requests(const std::string& path, std::uint32_t code) {
    const std::lock_guard lock(mutex_);
    return vendor_[{path, code}];
  }
  int listings() {
    const std::lock_guard lock(mutex_);
    return listings_;
  }

 private:
  DevicePort& inner_;
  std::mutex mutex_;
  std::map<std::string, int> opens_, inquiries_;
  std::map<std::pair<std::string, std::uint32_t>, int> vendor_;
  std::map<VolumeHandle, std::string> paths_;
  int listings_ = 0;
};

}  // namespace zul::test
