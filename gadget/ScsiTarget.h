#pragma once
// The SCSI side of the gadget: the commands a host sends to a USB drive at
// attach and use, answered here, and the camera's own blocks (INQUIRY and
// every block with the camera's signature), passed unchanged to a simulated
// drive through its device port, so that they meet the same responder,
// camera state, request counter and scenario faults as under the simulation.
//
// The storage is a FAT image held in memory. A camera shows no medium until
// it allows disk access on its connection; then one command reports the
// medium change (UNIT ATTENTION) and the image is there.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <vector>

#include "devicelink/DevicePort.h"
#include "devicelink/PassThroughBuffer.h"

namespace zul::gadget {

inline constexpr std::uint32_t kBlockSize = 512;

// Faults only a real link has, by request number as the drive counts its
// requests (the blocks passed to the drive, INQUIRY included).
struct LinkFaults {
  std::uint64_t silentFrom = 0;   // > 0: from this request on, no answer at all
  std::set<std::uint64_t> stall;  // the data phase is stalled, the command fails
  std::uint64_t unplugAt = 0;     // > 0: the device leaves the bus at this request
};

enum class LinkFault { None, Silent, Stall, Unplug };

// The outcome of one command. data: what goes to the host (Di bytes), check:
// CHECK CONDITION (sense kept for REQUEST SENSE), transportFailed: the drive
// refused the request as a failed system call (reported as a phase error).
struct Outcome {
  std::vector<std::uint8_t> data;
  bool check = false;
  bool transportFailed = false;
  LinkFault fault = LinkFault::None;
};

// What the target needs from the simulated drive behind it.
struct DriveLink {
  DevicePort* port = nullptr;
  VolumeHandle handle = kNoHandle;
  // Whether the medium is there now (the camera allows disk access).
  std::function<bool()> mediumPresent;
  // The number the next request to the drive gets.
  std::function<std::uint64_t()> nextRequest;
};

class ScsiTarget {
 public:
  ScsiTarget(DriveLink link, std::vector<std::uint8_t> image, LinkFaults faults = {});

  // Data-out bytes the block expects from the host (WRITE(10)), 0 for others.
  std::uint32_t DataOutLength(const std::uint8_t* cdb, std::size_t cdbLength) const;

  // Runs one command. hostLength: what the host asked to move (data-in
  // requests forwarded to the drive ask for that much). dataOut: the data a
  // WRITE(10) carries, DataOutLength() bytes; may be null for blocks that
  // could not fit the storage, which are refused before it is read.
  Outcome Execute(const std::uint8_t* cdb, std::size_t cdbLength, std::uint32_t hostLength,
                  const std::uint8_t* dataOut = nullptr);

  // The sense data (18 bytes, fixed format) REQUEST SENSE would return now.
  const std::uint8_t* Sense() const { return sense_; }
  const std::vector<std::uint8_t>& Image() const { return image_; }

 private:
  Outcome Forward(const std::uint8_t* cdb, std::size_t cdbLength, std::uint32_t length);
  Outcome Fail(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq = 0);
  // NOT READY or UNIT ATTENTION for a command that needs the medium, or nothing.
  bool MediumCheck(Outcome& outcome);

  DriveLink link_;
  std::vector<std::uint8_t> image_;
  LinkFaults faults_;
  std::unique_ptr<PassThroughBuffer> buffer_;
  std::uint8_t sense_[18] = {};
  bool mediumSeen_ = false;  // the host was told of the medium now present
};

}  // namespace zul::gadget
