#pragma once
// Simulated drives that outlive one run of a program and are shared between
// programs: their state (camera texts, password digests, wrong-attempt counts,
// settings, logins, request counters) lives in a file. Every program given the
// file reads it before each request to the drives and writes it back after
// each request that changed them, so that any number of runs, one after
// another or at the same time, meet one camera that stays plugged in.
//
// The file is a scenario with one key more, "scenarioSha256": the fingerprint
// of the scenario text the state grew from. A state is only ever carried on
// from the scenario it belongs to.
//
// Read, request and write happen as one, under an exclusive lock on FILE.lock
// beside the file (FileLock.h), so no program's change is lost to another's;
// the file is replaced whole by a rename, so a reader never finds half of one.
// The file is readable by its owner only. What it does not hold stays with the
// program: its open volume handles, and a text it has half sent.

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

#include "devicelink/DevicePort.h"
#include "platform/FileLock.h"
#include "simulator/Scenario.h"
#include "simulator/SimulatedDrives.h"

namespace zul::sim {

// SHA-256 of a scenario's text, in 64 lower-case hexadecimal digits.
std::string ScenarioFingerprint(std::string_view scenarioText);

// The file's format: what it holds and how it is read and written.
class StateFile {
 public:
  StateFile(std::string path, std::string fingerprint)
      : path_(std::move(path)), fingerprint_(std::move(fingerprint)) {}

  enum class Load { Loaded, Absent, Refused };

  // Loaded with the file's bytes in text; Absent when there is no file;
  // Refused when it cannot be read, with error saying why.
  Load ReadText(std::string& text, std::string& error) const;
  // The drives a file's text holds. False with error when the text is not a
  // sound saved state of this scenario.
  bool Parse(const std::string& text, Scenario& drives, std::string& error) const;
  // The file's text for drives written as JSON (ToJson).
  std::string Compose(const std::string& drivesJson) const;
  // Replaces the file by text (FileText.h).
  bool Write(const std::string& text, std::string& error) const;

  const std::string& path() const { return path_; }

 private:
  std::string path_;
  std::string fingerprint_;
};

// A device port over simulated drives shared through a state file: each open
// and each request reads the file first when another program changed it
// (UpdateDrives: handles and half-sent texts go on), and writes it when the
// drives changed. A failed read or save does not fail the request (the
// simulated camera did answer, from the drives as this program holds them);
// the first failure is kept for the program to report, and a file that is
// refused is never written over.
//
// Threads: any number of threads may use one port at once (sessions on
// different simulated cameras). Each open, request and close is done whole
// under one mutex, then the file lock, which only guards against other
// handles. Reach the drives only through the port while threads use it.
class StateSavingPort final : public DevicePort {
 public:
  StateSavingPort(SimulatedDrives& drives, StateFile file)
      : drives_(drives),
        file_(std::move(file)),
        lock_(file_.path() + ".lock", file_.path()),
        saved_(ToJson(drives)) {}

  // Carries the drives on from the file when it exists. False with error when
  // the file is refused; the drives are then left alone.
  bool Load(std::string& error);

  std::vector<DeviceCandidate> Candidates() override { return drives_.Candidates(); }
  VolumeHandle OpenVolume(const char* devicePath) override;
  bool PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                   std::uint32_t outSize) override;
  void CloseVolume(VolumeHandle handle) override;

  // Runs step on the drives as one step, as a request runs: the file read
  // first, and saved after when step changed the drives. A failed read or
  // save is kept for SaveError.
  void WithDrives(const std::function<void(SimulatedDrives&)>& step);

  // The message of the first read or save that failed, or empty.
  std::string SaveError() const;

 private:
  template <typename Request>
  auto Exchange(Request request);
  bool Refresh(std::string& error);
  bool SaveIfChanged(std::string& error);

  mutable std::mutex mutex_;  // guards everything below, and the drives
  SimulatedDrives& drives_;
  StateFile file_;
  platform::FileLock lock_;
  std::optional<std::string> seen_;  // the file's text as last read or written here
  std::string saved_;                // the drives (ToJson) as last read or written
  std::string saveError_;
};

}  // namespace zul::sim
