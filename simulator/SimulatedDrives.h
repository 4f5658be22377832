#pragma once
// Simulated drives D: to Z: behind the device seam. Requests are decoded from
// the pass-through header the way the system does: at most DataTransferLength
// bytes are written at DataBufferOffset, never beyond the output size, and the
// actual length and SCSI status are written back into the header.
//
// Threads: every member may be called from any thread at once, except
// Drive() and Drives(). One mutex guards the drives, their cameras, the open
// handles and the request log; a request runs under it, so requests to
// different drives are served one at a time, each whole. Drive() and Drives()
// hand out the drives themselves: use them only while no other thread uses
// these drives (to set a run up, or to look at it afterwards).

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "devicelink/DevicePort.h"
#include "simulator/CameraResponder.h"
#include "simulator/SimulatedCamera.h"

namespace zul::sim {

// Faults on demand, by request number (1-based, counted per drive over the
// drive's whole life).
struct FaultPlan {
  std::set<std::uint64_t> failRequests;   // the system call fails
  std::set<std::uint64_t> shortRequests;  // answered with shortLength bytes only
  std::set<std::uint64_t> checkRequests;  // completed with a check condition, no data
  std::uint64_t failFrom = 0;             // > 0: unplugged from this request on
  std::uint32_t shortLength = 3;

  bool operator==(const FaultPlan&) const = default;
};

struct SimulatedDrive {
  DriveType type = DriveType::Disk;
  AnswerForm answer = AnswerForm::AA55;
  std::shared_ptr<SimulatedCamera> camera;  // for DriveType::Camera
  FaultPlan faults;
  std::uint64_t requests = 0;  // requests seen so far
  bool unplugged = false;      // pulled out (failFrom reached, or Unplug): it no longer opens
};

// One request as it reached a drive, for tests that look at the wire.
struct RequestRecord {
  char letter;
  std::vector<std::uint8_t> cdb;
  bool ok;
};

class SimulatedDrives : public DevicePort {
 public:
  // Puts a drive at letter (D to Z), replacing what was there. A camera
  // plugged in starts a new connection.
  void Insert(char letter, SimulatedDrive drive);
  // Puts a drive back as it was saved: a camera keeps the connection it had.
  void InsertAsSaved(char letter, SimulatedDrive drive);
  // Takes the drive away, as if pulled out: its open handles stay open but fail.
  void Remove(char letter);
  // Pulls the drive at letter out but keeps it, to be plugged in again: it no
  // longer opens and its open handles fail. False when there is no drive
  // there, or it is out already.
  bool Unplug(char letter);
  // Plugs a drive that is out in again: a camera starts a new connection, and
  // a failFrom fault that pulled it out is over. False when there is no drive
  // there, or it is in already.
  bool Plug(char letter);
  // Not synchronised: see the note at the top.
  SimulatedDrive* Drive(char letter);
  const std::map<char, SimulatedDrive>& Drives() const { return drives_; }

  // The letters that hold a drive, in order.
  std::vector<char> Letters() const;
  // Calls visit for each drive in letter order, with no request running
  // meanwhile. visit must not call back into these drives.
  void Visit(const std::function<void(char, const SimulatedDrive&)>& visit) const;

  int OpenHandleCount() const;
  std::uint64_t OpenCount() const;
  // A copy of the log as it stands.
  std::vector<RequestRecord> Requests() const;
  void ClearRequestLog();
  // Keep a record of every request (off by default: a long run would grow).
  void RecordRequests(bool on);

  std::vector<DeviceCandidate> Candidates() override { return DriveLetterCandidates(); }
  VolumeHandle OpenVolume(const char* devicePath) override;
  bool PassThrough(VolumeHandle handle, void* buffer, std::uint32_t inSize,
                   std::uint32_t outSize) override;
  void CloseVolume(VolumeHandle handle) override;

 private:
  struct Open {
    char letter;
    std::uint64_t generation;
  };
  void Place(char letter, SimulatedDrive drive, bool connect);
  SimulatedDrive* DriveLocked(char letter);

  mutable std::mutex mutex_;
  std::map<char, SimulatedDrive> drives_;
  std::map<char, std::uint64_t> generation_;
  std::map<std::uintptr_t, Open> open_;
  std::uintptr_t nextHandle_ = 0x100;
  std::uint64_t opens_ = 0;
  bool record_ = false;
  std::vector<RequestRecord> log_;
};

// Letter of a device path "\\.\F:", or 0 when it is not one of D: to Z:.
char LetterOfDevicePath(const char* devicePath);

}  // namespace zul::sim
