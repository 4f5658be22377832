#pragma once
// USB Mass Storage Bulk-Only Transport, device side, without any I/O: the
// caller reads a command wrapper (CBW) from the bulk-out endpoint, hands it to
// Command() and carries out what comes back (send data, receive data, halt an
// endpoint, say nothing), then sends the status wrapper (CSW) from Status().
//
// Phase rules: the data phase the host asked for (Hn, Hi, Ho and its length)
// is compared with what the command moves (Dn, Di, Do). Data to the host that
// falls short of the host's length is padded to it, the residue telling the
// difference; more data than the host asked for, or a direction the host did
// not expect, ends in a phase error. Data from the host is always taken whole
// so that the next wrapper is read in step. A wrapper that is not valid or not
// meaningful halts both endpoints until the host's reset recovery (the class
// request Bulk-Only Mass Storage Reset, then clearing both halts).

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "ScsiTarget.h"

namespace zul::gadget {

inline constexpr std::size_t kCbwLength = 31;
inline constexpr std::size_t kCswLength = 13;
inline constexpr std::uint8_t kCswPassed = 0, kCswFailed = 1, kCswPhaseError = 2;

// Class requests on the control endpoint.
inline constexpr std::uint8_t kGetMaxLun = 0xFE;
inline constexpr std::uint8_t kMassStorageReset = 0xFF;

struct Step {
  enum class Kind {
    Status,    // send data (when any), then the CSW
    Receive,   // read `receive` bytes, give them to DataReceived(), then the CSW
    HaltBoth,  // invalid wrapper: halt both endpoints, wait for reset recovery
    Ignore,    // say nothing: the host's time-out ends the command
    Unplug,    // leave the bus
  };
  Kind kind = Kind::Status;
  std::vector<std::uint8_t> data;  // for Status: the bytes of the data-in phase
  std::uint32_t receive = 0;
  bool haltIn = false;  // halt bulk-in instead of the data phase, before the CSW
};

class BulkOnlyTransport {
 public:
  explicit BulkOnlyTransport(ScsiTarget& target) : target_(target) {}

  Step Command(const std::uint8_t* cbw, std::size_t length);
  void DataReceived(const std::uint8_t* data, std::size_t length);
  std::array<std::uint8_t, kCswLength> Status() const;

  // Bulk-Only Mass Storage Reset: ready for the next wrapper.
  void Reset() { waitingForReset_ = false; }
  // A wrapper came that was not valid: every command waits for the reset.
  bool WaitingForReset() const { return waitingForReset_; }

 private:
  void Finish(const Outcome& outcome, std::uint32_t residue);

  ScsiTarget& target_;
  std::atomic<bool> waitingForReset_ = false;  // cleared from the control endpoint's thread
  // The command in progress.
  std::uint32_t tag_ = 0;
  std::uint32_t hostLength_ = 0;
  std::array<std::uint8_t, 16> cdb_{};
  std::size_t cdbLength_ = 0;
  std::uint32_t residue_ = 0;
  std::uint8_t status_ = kCswPassed;
};

}  // namespace zul::gadget
