#include "gadget/ScsiTarget.h"

#include <algorithm>
#include <cstring>

#include "simulator/CameraResponder.h"

namespace zul::gadget {
namespace {

enum : std::uint8_t {
  kTestUnitReady = 0x00,
  kRequestSense = 0x03,
  kInquiry = 0x12,
  kModeSense6 = 0x1A,
  kStartStopUnit = 0x1B,
  kPreventAllow = 0x1E,
  kReadCapacity10 = 0x25,
  kRead10 = 0x28,
  kWrite10 = 0x2A,
  kModeSense10 = 0x5A,
};

enum : std::uint8_t {
  kNotReady = 0x02,
  kHardwareError = 0x04,
  kIllegalRequest = 0x05,
  kUnitAttention = 0x06
};

std::uint32_t Be32(const std::uint8_t* p) {
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
std::uint16_t Be16(const std::uint8_t* p) {
  return static_cast<std::uint16_t>(p[0] << 8 | p[1]);
}

void Cut(std::vector<std::uint8_t>& data, std::uint32_t allocation) {
  if (data.size() > allocation) data.resize(allocation);
}

}  // namespace

ScsiTarget::ScsiTarget(DriveLink link, std::vector<std::uint8_t> image, LinkFaults faults)
    : link_(std::move(link)),
      image_(std::move(image)),
      faults_(std::move(faults)),
      buffer_(std::make_unique<PassThroughBuffer>()) {
  image_.resize(image_.size() / kBlockSize * kBlockSize);
}

std::uint32_t ScsiTarget::DataOutLength(const std::uint8_t* cdb, std::size_t cdbLength) const {
  if (cdbLength >= 10 && cdb[0] == kWrite10) return std::uint32_t{Be16(cdb + 7)} * kBlockSize;
  return 0;
}

Outcome ScsiTarget::Fail(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq) {
  std::memset(sense_, 0, sizeof sense_);
  sense_[0] = 0x70;
  sense_[2] = key;
  sense_[7] = 10;
  sense_[12] = asc;
  sense_[13] = ascq;
  Outcome o;
  o.check = true;
  return o;
}

bool ScsiTarget::MediumCheck(Outcome& outcome) {
  const bool present = link_.mediumPresent && link_.mediumPresent();
  if (!present) {
    mediumSeen_ = false;
    outcome = Fail(kNotReady, 0x3A);  // medium not present
    return true;
  }
  if (!mediumSeen_) {
    mediumSeen_ = true;
    outcome = Fail(kUnitAttention, 0x28);  // not ready to ready change, medium may have changed
    return true;
  }
  return false;
}

Outcome ScsiTarget::Forward(const std::uint8_t* cdb, std::size_t cdbLength, std::uint32_t length) {
  length = std::min(length, kDataAreaSize);
  Outcome o;
  const std::uint64_t number = link_.nextRequest ? link_.nextRequest() : 0;
  if (faults_.unplugAt > 0 && number >= faults_.unplugAt) {
    o.fault = LinkFault::Unplug;
    return o;
  }
  if (faults_.silentFrom > 0 && number >= faults_.silentFrom) {
    o.fault = LinkFault::Silent;
    return o;
  }
  PassThroughBuffer& b = *buffer_;
  std::memset(&b, 0, kDataOffset + length);
  FillPassThroughHeader(b, static_cast<std::uint8_t>(cdbLength), length);
  std::memcpy(b.header.Cdb, cdb, cdbLength);
  const bool passed =
      link_.port->PassThrough(link_.handle, &b, kHeaderLength, OutputSizeFor(length));
  if (faults_.stall.count(number)) {  // the drive took the request; its answer is lost
    std::memset(&b, 0, kDataOffset + length);
    o = Fail(kHardwareError, 0x44);  // internal target failure
    o.fault = LinkFault::Stall;
    return o;
  }
  if (!passed) {
    o.transportFailed = true;
    return o;
  }
  if (b.header.ScsiStatus != 0) {
    o.check = true;
    std::memset(sense_, 0, sizeof sense_);
    std::memcpy(sense_, b.sense, std::min<std::size_t>(b.header.SenseInfoLength, sizeof sense_));
    return o;
  }
  o.data.assign(b.data, b.data + std::min(b.header.DataTransferLength, length));
  // The block may have carried a password: it leaves no copy here.
  std::memset(&b, 0, kDataOffset + length);
  return o;
}

Outcome ScsiTarget::Execute(const std::uint8_t* cdb, std::size_t cdbLength,
                            std::uint32_t hostLength, const std::uint8_t* dataOut) {
  if (cdbLength == 0) return Fail(kIllegalRequest, 0x20);
  if (sim::HasCameraSignature(cdb, cdbLength)) return Forward(cdb, cdbLength, hostLength);

  const std::uint8_t op = cdb[0];
  const bool six = cdbLength >= 6, ten = cdbLength >= 10;
  Outcome o;
  if (op == kRequestSense && six) {
    // Sense is taken by reading it: the next REQUEST SENSE finds none.
    o.data.assign(sense_, sense_ + sizeof sense_);
    if (o.data[0] == 0) o.data = {0x70, 0, 0, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::memset(sense_, 0, sizeof sense_);
    Cut(o.data, cdb[4]);
    return o;
  }
  std::memset(sense_, 0, sizeof sense_);
  if (op == kInquiry && six) {
    if (cdb[1] & 0x01) return Fail(kIllegalRequest, 0x24);  // no vital product data pages
    return Forward(cdb, cdbLength, std::min<std::uint32_t>(Be16(cdb + 3), hostLength));
  }
  if (op == kTestUnitReady && six) {
    MediumCheck(o);
    return o;
  }
  if ((op == kPreventAllow || op == kStartStopUnit) && six) return o;
  if (op == kModeSense6 && six) {
    o.data = {3, 0, 0, 0};  // header only: no block descriptor, not write-protected
    Cut(o.data, cdb[4]);
    return o;
  }
  if (op == kModeSense10 && ten) {
    o.data = {0, 6, 0, 0, 0, 0, 0, 0};
    Cut(o.data, Be16(cdb + 7));
    return o;
  }
  const std::uint32_t blocks = static_cast<std::uint32_t>(image_.size() / kBlockSize);
  if (op == kReadCapacity10 && ten) {
    if (MediumCheck(o)) return o;
    const std::uint32_t last = blocks == 0 ? 0 : blocks - 1;
    o.data = {std::uint8_t(last >> 24),
              std::uint8_t(last >> 16),
              std::uint8_t(last >> 8),
              std::uint8_t(last),
              0,
              0,
              kBlockSize >> 8,
              0};
    return o;
  }
  if ((op == kRead10 || op == kWrite10) && ten) {
    if (MediumCheck(o)) return o;
    const std::uint64_t lba = Be32(cdb + 2), count = Be16(cdb + 7);
    if (lba + count > blocks) return Fail(kIllegalRequest, 0x21);  // LBA out of range
    auto* at = image_.data() + lba * kBlockSize;
    if (op == kRead10) {
      o.data.assign(at, at + count * kBlockSize);
    } else if (count > 0) {
      std::memcpy(at, dataOut, count * kBlockSize);
    }
    return o;
  }
  return Fail(kIllegalRequest, 0x20);  // invalid command operation code
}

}  // namespace zul::gadget
