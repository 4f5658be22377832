#include "BulkOnly.h"

#include <algorithm>
#include <cstring>

namespace zul::gadget {
namespace {

constexpr std::uint32_t kCbwSignature = 0x43425355;  // "USBC"
constexpr std::uint32_t kCswSignature = 0x53425355;  // "USBS"

std::uint32_t Le32(const std::uint8_t* p) {
  return p[0] | std::uint32_t(p[1]) << 8 | std::uint32_t(p[2]) << 16 | std::uint32_t(p[3]) << 24;
}
void PutLe32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

}  // namespace

Step BulkOnlyTransport::Command(const std::uint8_t* cbw, std::size_t length) {
  Step step;
  const bool valid = length == kCbwLength && Le32(cbw) == kCbwSignature;
  const std::size_t cdbLength = valid ? cbw[14] & 0x1F : 0;
  // Meaningful: LUN 0 (the only one), a block of 1 to 16 bytes, no reserved bits.
  const bool meaningful = valid && (cbw[13] & 0x0F) == 0 && (cbw[13] & 0xF0) == 0 &&
                          (cbw[12] & 0x7F) == 0 && cdbLength >= 1 && cdbLength <= 16 &&
                          (cbw[14] & 0xE0) == 0;
  if (waitingForReset_ || !meaningful) {
    waitingForReset_ = true;
    step.kind = Step::Kind::HaltBoth;
    return step;
  }
  tag_ = Le32(cbw + 4);
  hostLength_ = Le32(cbw + 8);
  const bool hostIn = (cbw[12] & 0x80) != 0 && hostLength_ > 0;
  const bool hostOut = (cbw[12] & 0x80) == 0 && hostLength_ > 0;
  cdbLength_ = cdbLength;
  std::memcpy(cdb_.data(), cbw + 15, cdbLength);

  if (hostOut) {  // executed once the data is in
    step.kind = Step::Kind::Receive;
    step.receive = hostLength_;
    return step;
  }
  if (target_.DataOutLength(cdb_.data(), cdbLength_) > 0) {  // Hn or Hi, but Do
    Finish(Outcome{}, hostLength_);
    status_ = kCswPhaseError;
    if (hostIn) step.data.assign(hostLength_, 0);
    return step;
  }
  Outcome o = target_.Execute(cdb_.data(), cdbLength_, hostLength_);
  if (o.fault == LinkFault::Silent) {
    step.kind = Step::Kind::Ignore;
    return step;
  }
  if (o.fault == LinkFault::Unplug) {
    step.kind = Step::Kind::Unplug;
    return step;
  }
  if (o.fault == LinkFault::Stall) {
    Finish(o, hostLength_);
    step.haltIn = hostIn;
    return step;
  }
  const std::uint32_t di = static_cast<std::uint32_t>(o.data.size());
  if (!hostIn) {  // Hn
    Finish(o, 0);
    if (di > 0) status_ = kCswPhaseError;
    return step;
  }
  if (di > hostLength_) {  // Hi < Di: what fits, then a phase error
    o.data.resize(hostLength_);
    Finish(o, 0);
    status_ = kCswPhaseError;
  } else {
    Finish(o, hostLength_ - di);
  }
  step.data = std::move(o.data);
  step.data.resize(hostLength_, 0);  // fill: the residue says how much was real
  return step;
}

void BulkOnlyTransport::DataReceived(const std::uint8_t* data, std::size_t length) {
  const std::uint32_t expected = target_.DataOutLength(cdb_.data(), cdbLength_);
  if (expected > length) {  // Ho < Do
    Finish(Outcome{}, static_cast<std::uint32_t>(length));
    status_ = kCswPhaseError;
    return;
  }
  Outcome o = target_.Execute(cdb_.data(), cdbLength_, 0, data);
  if (!o.data.empty()) {  // Ho <> Di
    Finish(o, static_cast<std::uint32_t>(length));
    status_ = kCswPhaseError;
    return;
  }
  Finish(o, static_cast<std::uint32_t>(length) - expected);
}

void BulkOnlyTransport::Finish(const Outcome& outcome, std::uint32_t residue) {
  residue_ = residue;
  status_ = outcome.transportFailed ? kCswPhaseError : outcome.check ? kCswFailed : kCswPassed;
}

std::array<std::uint8_t, kCswLength> BulkOnlyTransport::Status() const {
  std::array<std::uint8_t, kCswLength> csw{};
  PutLe32(csw.data(), kCswSignature);
  PutLe32(csw.data() + 4, tag_);
  PutLe32(csw.data() + 8, residue_);
  csw[12] = status_;
  return csw;
}

}  // namespace zul::gadget
