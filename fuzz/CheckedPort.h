#pragma once
// A device port that checks every call the tool makes through the seam and
// keeps a log of them, whoever answers: the fuzz input (ScriptedReplyPort) or
// a simulated camera whose answers are recorded as a seed (RecordingPort).

#include <cstdint>
#include <set>
#include <vector>

#include "devicelink/DevicePort.h"
#include "fuzz/ReplyScript.h"
#include "simulator/SimulatedDrives.h"

namespace zul::fuzz {

struct PortEvent {
  enum Kind { Open, Request, Close } kind = Open;
  char letter = 0;                  // Open: the letter asked for
  VolumeHandle handle = kNoHandle;  // Open: the result; Request, Close: the handle used
  std::uint8_t cdb[16] = {};
  std::uint8_t cdbLength = 0;
  std::uint32_t expected = 0;  // DataTransferLength asked for
  bool ok = false;
  bool whole = false;              // ok, a good status and every byte asked for arrived
  std::vector<std::uint8_t> data;  // what arrived, zero-filled to `expected`
};

class CheckedPort : public DevicePort {
 public:
  std::vector<DeviceCandidate> Candidates() final { return DriveLetterCandidates(); }
  VolumeHandle OpenVolume(const char* devicePath) final;
  bool PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                   std::uint32_t outSize) final;
  void CloseVolume(VolumeHandle handle) final;

  const std::set<VolumeHandle>& OpenHandles() const { return open_; }
  const std::vector<PortEvent>& Events() const { return events_; }

 protected:
  virtual VolumeHandle Open(const char* devicePath) = 0;
  // Answers a request that passed the checks, on a handle this port opened.
  virtual bool Answer(VolumeHandle handle, std::uint8_t* buffer, std::uint32_t inSize,
                      std::uint32_t outSize) = 0;
  virtual void Close(VolumeHandle handle) = 0;

 private:
  std::set<VolumeHandle> open_;
  std::vector<PortEvent> events_;
};

// Every answer taken from the fuzz input.
class ScriptedReplyPort final : public CheckedPort {
 public:
  explicit ScriptedReplyPort(ScriptReader& script) : script_(script) {}

 protected:
  VolumeHandle Open(const char* devicePath) override;
  bool Answer(VolumeHandle handle, std::uint8_t* buffer, std::uint32_t inSize,
              std::uint32_t outSize) override;
  void Close(VolumeHandle) override {}

 private:
  ScriptReader& script_;
  std::uintptr_t next_ = 0x10;
};

// Simulated drives answer; what they answered is written as a script.
class RecordingPort final : public CheckedPort {
 public:
  RecordingPort(sim::SimulatedDrives& drives, ScriptWriter& script)
      : drives_(drives), script_(script) {}

 protected:
  VolumeHandle Open(const char* devicePath) override;
  bool Answer(VolumeHandle handle, std::uint8_t* buffer, std::uint32_t inSize,
              std::uint32_t outSize) override;
  void Close(VolumeHandle handle) override { drives_.CloseVolume(handle); }

 private:
  sim::SimulatedDrives& drives_;
  ScriptWriter& script_;
};

}  // namespace zul::fuzz
