// The gadget's Bulk-Only Transport and SCSI target against a hostile host:
// command wrappers of any length, signature, direction, LUN, flags, block
// and data length (up to 4 GiB), data-out payloads, the host giving up in a
// data phase, Bulk-Only Mass Storage Resets and clearing of halts in between,
// the medium coming and going, and link faults. Each wrapper runs through
// BulkOnlyTransport::Command and CarryOut, as camera-gadget's loop runs it,
// against the host's side of the endpoints below.
//
// Input: byte 0 the drive (bit 0: impostor) and its link faults (bits 1-3:
// stall, silent, unplug at the request number in byte 1); then operations,
// each a byte and its operands (see Run below).

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "fuzz/Check.h"
#include "gadget/AllocationProbe.h"
#include "gadget/BulkOnly.h"
#include "gadget/ScsiTarget.h"
#include "simulator/SimulatedDrives.h"

namespace {

using namespace zul::gadget;
using Bytes = std::vector<std::uint8_t>;

constexpr std::size_t kImageBlocks = 64;
// No allocation while one wrapper is handled may be larger: the storage, a
// data-out piece and a pass-through request are each far below it.
constexpr std::size_t kAllocationBound = 1 << 20;

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : p_(data), left_(size) {}
  bool Empty() const { return left_ == 0; }
  std::uint8_t Byte() {
    if (left_ == 0) return 0;
    --left_;
    return *p_++;
  }
  std::uint32_t Le32() {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= std::uint32_t(Byte()) << (8 * i);
    return v;
  }
  // Up to n bytes, fewer at the end.
  Bytes Take(std::size_t n) {
    n = std::min(n, left_);
    Bytes b(p_, p_ + n);
    p_ += n;
    left_ -= n;
    return b;
  }

 private:
  const std::uint8_t* p_;
  std::size_t left_;
};

// The host's side of the bulk endpoints. It sends `payload` as data-out, zeros
// after it as far as the storage reaches, and leaves the rest of a longer
// phase unwritten (its values matter to nobody), so that 4 GiB cost no time;
// or it gives up after the payload (`fails`).
class Host : public BulkEndpoints {
 public:
  bool Read(std::uint8_t* data, std::size_t length) override {
    FUZZ_CHECK(length > 0 && length <= kDataPiece, "data-out read in bounded pieces");
    if (fails && taken >= payload.size()) return false;
    const std::uint64_t end = taken + length;
    for (std::uint64_t at = taken; at < end && at < kImageBlocks * kBlockSize; ++at) {
      const std::uint8_t b = at < payload.size() ? payload[at] : 0;
      data[at - taken] = b;
      sentOut.push_back(b);
    }
    taken = end;
    return true;
  }
  bool Write(const std::uint8_t* data, std::size_t length) override {
    in.insert(in.end(), data, data + length);
    return true;
  }
  void HaltIn() override {
    ++inHalts;
    inHaltedAt = in.size();
  }
  void HaltOut() override { ++outHalts; }

  Bytes payload;
  bool fails = false;
  std::uint64_t taken = 0;
  Bytes sentOut;  // the first bytes of the data-out phase, as far as the storage reaches
  Bytes in;
  std::size_t inHaltedAt = 0;
  int inHalts = 0, outHalts = 0;
};

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}

std::uint32_t HostLength(Input& in) {
  static constexpr std::uint32_t kLengths[] = {
      0,       1,       8,          18,         36,         512,        1024,
      0x10000, 0x10001, 0x7FFFFFFF, 0x80000000, 0x40000000, 0xFFFFFFF0, 0xFFFFFFFF};
  const std::uint8_t pick = in.Byte();
  if (pick < std::size(kLengths)) return kLengths[pick];
  if (pick < 128) return pick;
  return in.Le32();
}

// The commands the target knows, so that most blocks reach it.
std::uint8_t Opcode(Input& in) {
  static constexpr std::uint8_t kOps[] = {0x00, 0x03, 0x12, 0x1A, 0x1B, 0x1E,
                                          0x25, 0x28, 0x2A, 0x5A, 0xFA, 0x35};
  const std::uint8_t pick = in.Byte();
  return pick < std::size(kOps) ? kOps[pick] : in.Byte();
}

class Session {
 public:
  Session(bool impostor, LinkFaults faults) {
    zul::sim::SimulatedDrive d;
    d.type = impostor ? zul::sim::DriveType::Impostor : zul::sim::DriveType::Camera;
    d.camera = std::make_shared<zul::sim::SimulatedCamera>();
    drives_.Insert('F', std::move(d));
    DriveLink link;
    link.port = &drives_;
    link.handle = drives_.OpenVolume("\\\\.\\F:");
    link.mediumPresent = [this] { return medium_; };
    link.nextRequest = [this] { return drives_.Drive('F')->requests + 1; };
    Bytes image(kImageBlocks * kBlockSize);
    for (std::size_t i = 0; i < image.size(); ++i) image[i] = std::uint8_t(i * 7 + i / 512);
    target_ = std::make_unique<ScsiTarget>(std::move(link), std::move(image), std::move(faults));
    transport_ = std::make_unique<BulkOnlyTransport>(*target_);
  }

  // False once the device has left the bus.
  bool Step(Input& in) {
    switch (in.Byte() % 5) {
      case 0:
        return Wrapper(in);
      case 1:  // reset recovery's class request
        transport_->Reset();
        waitingForReset_ = false;
        return true;
      case 2:  // clearing the halts
        outHalted_ = false;
        return true;
      case 3:
        medium_ = !medium_;
        return true;
      default:
        return Wrapper(in, true);
    }
  }

 private:
  bool Wrapper(Input& in, bool wellFormed = false) {
    const std::uint8_t form = in.Byte();
    const std::uint32_t tag = in.Le32();
    const std::uint32_t length = HostLength(in);
    const std::uint8_t flags = wellFormed ? (in.Byte() & 0x80) : in.Byte();
    const std::uint8_t lun = wellFormed ? 0 : in.Byte();
    const std::uint8_t cdbLength = wellFormed ? 1 + in.Byte() % 16 : in.Byte();
    Bytes w(kCbwLength, 0);
    std::memcpy(w.data(), (form & 0x07) == 0x07 && !wellFormed ? "USBX" : "USBC", 4);
    for (int i = 0; i < 4; ++i) {
      w[4 + i] = std::uint8_t(tag >> (8 * i));
      w[8 + i] = std::uint8_t(length >> (8 * i));
    }
    w[12] = flags;
    w[13] = lun;
    w[14] = cdbLength;
    w[15] = Opcode(in);
    const Bytes rest = in.Take(15);
    std::copy(rest.begin(), rest.end(), w.begin() + 16);
    if (!wellFormed && (form & 0x18) == 0x18) w.resize(in.Byte() % 64, 0x55);  // short or long
    Host host;
    if ((flags & 0x80) == 0 && length > 0) {
      host.payload = in.Take(in.Byte() * 4);
      host.fails = (form & 0x20) != 0;
    }
    if (outHalted_) return true;  // the host cannot send it before clearing the halt

    const bool meaningful = w.size() == kCbwLength && Le32(w.data()) == 0x43425355 &&
                            (flags & 0x7F) == 0 && lun == 0 && cdbLength >= 1 && cdbLength <= 16;
    const bool in_ = (flags & 0x80) != 0 && length > 0;
    const bool out = (flags & 0x80) == 0 && length > 0;
    const Bytes imageBefore = target_->Image();

    zul::gadget::Step step;
    bool finished = false;
    std::size_t largest = 0;
    {
      AllocationProbe probe(kAllocationBound);
      try {
        step = transport_->Command(w.data(), w.size());
        finished = CarryOut(*transport_, step, host);
      } catch (const std::bad_alloc&) {
        FUZZ_CHECK(false, "no allocation above the bound while a wrapper is handled");
      }
      largest = probe.Largest();
    }
    FUZZ_CHECK(largest <= kAllocationBound, "allocations bounded");

    if (waitingForReset_ || !meaningful) {
      waitingForReset_ = true;
      outHalted_ = true;
      FUZZ_CHECK(step.kind == Step::Kind::HaltBoth, "a wrapper not valid or meaningful halts");
      FUZZ_CHECK(host.in.empty() && host.inHalts == 1 && host.outHalts == 1, "both halted");
      FUZZ_CHECK(target_->Image() == imageBefore, "storage untouched");
      return true;
    }
    FUZZ_CHECK(step.kind != Step::Kind::HaltBoth, "a meaningful wrapper is carried out");
    FUZZ_CHECK(host.outHalts == 0, "bulk-out halted only for a bad wrapper");
    if (step.kind == Step::Kind::Ignore || step.kind == Step::Kind::Unplug) {
      FUZZ_CHECK(host.in.empty() && host.taken == 0, "a link fault answers nothing");
      return step.kind != Step::Kind::Unplug;
    }
    FUZZ_CHECK((step.kind == Step::Kind::Receive) == out, "data-out taken exactly when sent");
    if (out) {
      FUZZ_CHECK(step.receive == length, "the host's whole data-out phase is taken");
      if (!finished) {  // the host gave up: no status, the storage as it was
        FUZZ_CHECK(host.fails && host.in.empty(), "only a host that gave up ends it early");
        FUZZ_CHECK(target_->Image() == imageBefore, "a write without its data changes nothing");
        return true;
      }
      FUZZ_CHECK(host.taken == length, "every byte of data-out read");
    }
    FUZZ_CHECK(finished, "a status for every command carried out");
    FUZZ_CHECK(step.data.size() <= std::max<std::size_t>(zul::kDataAreaSize, imageBefore.size()),
               "data-in bounded by what the target holds");

    // What the host got: the data phase, then exactly one well-formed CSW echoing the tag.
    FUZZ_CHECK(host.in.size() >= kCswLength, "a CSW");
    const std::size_t sent = host.in.size() - kCswLength;
    const std::uint8_t* csw = host.in.data() + sent;
    const std::uint32_t residue = Le32(csw + 8);
    const std::uint8_t status = csw[12];
    FUZZ_CHECK(Le32(csw) == 0x53425355, "CSW signature");
    FUZZ_CHECK(Le32(csw + 4) == tag, "CSW echoes the tag");
    FUZZ_CHECK(status <= kCswPhaseError, "CSW status");
    FUZZ_CHECK(residue <= length, "residue within the host's length");
    FUZZ_CHECK(sent == step.data.size(), "the data phase, then one CSW");
    FUZZ_CHECK(sent == 0 || in_, "data only when the host asked for data-in");
    FUZZ_CHECK(sent <= length, "never more than the host asked for");
    // A data-in phase short of the host's length ends in a halt, after the data.
    FUZZ_CHECK(host.inHalts == (in_ && sent < length ? 1 : 0), "short data-in halts bulk-in");
    FUZZ_CHECK(host.inHalts == 0 || host.inHaltedAt == sent, "halted after the data");
    if (in_ && status != kCswPhaseError) {
      FUZZ_CHECK(residue == length - sent, "residue is what was not sent");
    }
    if (!in_ && !out) FUZZ_CHECK(residue == 0, "no data phase, no residue");

    // The storage changes only by a WRITE(10) that passed, by the first bytes the host sent.
    Bytes expected = imageBefore;
    if (out && status == kCswPassed && w[15] == 0x2A && cdbLength >= 10) {
      const std::uint64_t lba =
          Le32(std::array<std::uint8_t, 4>{w[20], w[19], w[18], w[17]}.data());
      const std::size_t bytes = (std::size_t(w[22]) << 8 | w[23]) * kBlockSize;
      FUZZ_CHECK(bytes <= length && lba * kBlockSize + bytes <= expected.size(),
                 "a write passes only whole and inside the storage");
      std::copy_n(host.sentOut.begin(), bytes, expected.begin() + lba * kBlockSize);
    }
    FUZZ_CHECK(target_->Image() == expected, "the storage holds what was written, nothing more");
    return true;
  }

  zul::sim::SimulatedDrives drives_;
  std::unique_ptr<ScsiTarget> target_;
  std::unique_ptr<BulkOnlyTransport> transport_;
  bool medium_ = false;
  bool waitingForReset_ = false;
  bool outHalted_ = false;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  const std::uint8_t drive = in.Byte();
  const std::uint8_t k = in.Byte();
  LinkFaults faults;
  if (drive & 0x02) faults.stall = {k};
  if (drive & 0x04) faults.silentFrom = k;
  if (drive & 0x08) faults.unplugAt = k;
  Session session(drive & 0x01, faults);
  while (!in.Empty() && session.Step(in)) {
  }
  return 0;
}
