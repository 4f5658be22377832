#include "gadget/BulkOnly.h"

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
    const std::uint32_t expected = target_.DataOutLength(cdb_.data(), cdbLength_);
    // A block beyond the storage is refused before its data is looked at.
    keep_ = expected <= hostLength_ && expected <= target_.Image().size() ? expected : 0;
    received_ = 0;
    dataOut_.clear();
    dataOut_.reserve(keep_);
    step.kind = Step::Kind::Receive;
    step.receive = hostLength_;
    return step;
  }
  if (target_.DataOutLength(cdb_.data(), cdbLength_) > 0) {  // Hn or Hi, but Do
    Finish(Outcome{}, hostLength_);
    status_ = kCswPhaseError;
    step.haltIn = hostIn;
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
  } else {  // Hi >= Di: what there is; short of the host's length, a halt
    Finish(o, hostLength_ - di);
    step.haltIn = di < hostLength_;
  }
  step.data = std::move(o.data);
  return step;
}

void BulkOnlyTransport::DataReceived(const std::uint8_t* data, std::size_t length) {
  const std::uint32_t piece =
      static_cast<std::uint32_t>(std::min<std::size_t>(length, hostLength_ - received_));
  const std::size_t kept = std::min<std::size_t>(piece, keep_ - dataOut_.size());
  dataOut_.insert(dataOut_.end(), data, data + kept);
  received_ += piece;
  if (received_ < hostLength_) return;

  const std::uint32_t expected = target_.DataOutLength(cdb_.data(), cdbLength_);
  if (expected > hostLength_) {  // Ho < Do
    Finish(Outcome{}, hostLength_);
    status_ = kCswPhaseError;
    return;
  }
  Outcome o = target_.Execute(cdb_.data(), cdbLength_, 0,
                              dataOut_.size() == expected ? dataOut_.data() : nullptr);
  dataOut_.clear();
  if (!o.data.empty()) {  // Ho <> Di
    Finish(o, hostLength_);
    status_ = kCswPhaseError;
    return;
  }
  Finish(o, hostLength_ - expected);
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

bool CarryOut(BulkOnlyTransport& transport, const Step& step, BulkEndpoints& endpoints) {
  if (step.kind == Step::Kind::HaltBoth) {
    endpoints.HaltIn();
    endpoints.HaltOut();
    return true;
  }
  if (step.kind != Step::Kind::Status && step.kind != Step::Kind::Receive) return true;
  if (step.kind == Step::Kind::Receive && step.receive > 0) {
    std::vector<std::uint8_t> piece(std::min<std::size_t>(step.receive, kDataPiece));
    for (std::uint32_t left = step.receive; left > 0;) {
      const std::size_t n = std::min<std::size_t>(left, piece.size());
      if (!endpoints.Read(piece.data(), n)) return false;
      transport.DataReceived(piece.data(), n);
      left -= static_cast<std::uint32_t>(n);
    }
  }
  if (!step.data.empty() && !endpoints.Write(step.data.data(), step.data.size())) return false;
  if (step.haltIn) endpoints.HaltIn();
  const auto csw = transport.Status();
  return endpoints.Write(csw.data(), csw.size());
}

}  // namespace zul::gadget
