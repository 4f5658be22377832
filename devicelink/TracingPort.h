#pragma once
// A device port that writes one trace line per pass-through request of the
// port it wraps:  \\.\F: FA 55 66 FE ... -> 00 00 ...   or   ... -> failed
// Password characters and lengths in login and new-password chunks are shown as **.

#include <map>
#include <mutex>
#include <string>

#include "devicelink/DevicePort.h"
#include "devicelink/TraceLog.h"

namespace zul {

class TracingPort final : public DevicePort {
 public:
  TracingPort(DevicePort& inner, TraceLog& log) : inner_(inner), log_(log) {}

  std::vector<DeviceCandidate> Candidates() override { return inner_.Candidates(); }
  VolumeHandle OpenVolume(const char* devicePath) override;
  bool PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                   std::uint32_t outSize) override;
  void CloseVolume(VolumeHandle handle) override;

 private:
  DevicePort& inner_;
  TraceLog& log_;
  std::mutex mutex_;  // guards paths_: sessions on other threads open and close meanwhile
  std::map<VolumeHandle, std::string> paths_;
};

// The trace line for one request, from the buffer as it stood before the call
// (command block, expected length) and after it (data). Exposed for tests.
std::string FormatTraceLine(const std::string& path, const unsigned char* cdb, unsigned cdbLength,
                            const unsigned char* data, unsigned n, bool ok);

}  // namespace zul
