#pragma once
// USB Mass Storage Bulk-Only Transport, device side, without any I/O: the
// caller reads a command wrapper (CBW) from the bulk-out endpoint, hands it to
// Command() and carries out what comes back (send data, receive data, halt an
// endpoint, say nothing), then sends the status wrapper (CSW) from Status().
//
// Phase rules: the data phase the host asked for (Hn, Hi, Ho and its length)
// is compared with what the command moves (Dn, Di, Do). The host's length
// sizes nothing here: it may claim up to 4 GiB. Data to the host is what the
// command has, never more than the host asked for; when it falls short, the
// bulk-in endpoint is halted after it and the residue tells the difference.
// More data than the host asked for, or a direction the host did not expect,
// ends in a phase error. Data from the host is always taken whole, so that
// the next wrapper is read in step, in pieces of at most kDataPiece bytes:
// the command keeps what it needs and the rest is dropped. A wrapper that is
// not valid or not meaningful halts both endpoints until the host's reset
// recovery (the class request Bulk-Only Mass Storage Reset, then clearing
// both halts).

#include <array>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "gadget/ScsiTarget.h"

namespace zul::gadget {

inline constexpr std::size_t kCbwLength = 31;
inline constexpr std::size_t kCswLength = 13;
inline constexpr std::uint8_t kCswPassed = 0, kCswFailed = 1, kCswPhaseError = 2;
// The largest piece of a data-out phase read at once.
inline constexpr std::size_t kDataPiece = 64 * 1024;

// Class requests on the control endpoint.
inline constexpr std::uint8_t kGetMaxLun = 0xFE;
inline constexpr std::uint8_t kMassStorageReset = 0xFF;

struct Step {
  enum class Kind {
    Status,    // send data (when any), then the CSW
    Receive,   // read `receive` bytes in pieces, each to DataReceived(), then the CSW
    HaltBoth,  // invalid wrapper: halt both endpoints, wait for reset recovery
    Ignore,    // say nothing: the host's time-out ends the command
    Unplug,    // leave the bus
  };
  Kind kind = Kind::Status;
  std::vector<std::uint8_t> data;  // for Status: the bytes of the data-in phase
  std::uint32_t receive = 0;       // the host's data-out length
  // Halt bulk-in after the data, before the CSW: the data-in phase fell short
  // of the host's length (the host clears the halt, then reads the CSW).
  bool haltIn = false;
};

class BulkOnlyTransport {
 public:
  explicit BulkOnlyTransport(ScsiTarget& target) : target_(target) {}

  Step Command(const std::uint8_t* cbw, std::size_t length);
  // One piece of the data-out phase; the command runs once the host's length is in.
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
  // Data-out: bytes taken so far, and the ones the command keeps (at most
  // what it moves, nothing when that could never fit the storage).
  std::uint32_t received_ = 0;
  std::uint32_t keep_ = 0;
  std::vector<std::uint8_t> dataOut_;
};

// The two bulk endpoints as the function's loop uses them.
class BulkEndpoints {
 public:
  virtual ~BulkEndpoints() = default;
  virtual bool Read(std::uint8_t* data, std::size_t length) = 0;  // exactly length bytes
  virtual bool Write(const std::uint8_t* data, std::size_t length) = 0;
  virtual void HaltIn() = 0;
  virtual void HaltOut() = 0;
};

// Carries out a step of Command() on the endpoints: the data phase, the halts
// and the CSW. Unplug and Ignore are the caller's. False when an endpoint
// failed and the command was left unfinished.
bool CarryOut(BulkOnlyTransport& transport, const Step& step, BulkEndpoints& endpoints);

}  // namespace zul::gadget
