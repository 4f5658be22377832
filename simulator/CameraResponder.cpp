#include "simulator/CameraResponder.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "devicelink/CommandCatalogue.h"

namespace zul::sim {
namespace {

std::vector<std::uint8_t> IdentifyData(DriveType type, AnswerForm answer) {
  std::vector<std::uint8_t> d(kIdentifyReplyLength, 0);
  if (type != DriveType::Camera) {
    d[0] = 0x55;  // an answer in neither of the camera's forms
    d[1] = 0xAA;
    return d;
  }
  if (answer == AnswerForm::AA55) {
    d[0] = 0xAA;
    d[1] = 0x55;
  } else {
    d[9] = 'R';
    d[10] = 'I';
    d[11] = 'Z';
  }
  return d;
}

}  // namespace

std::vector<std::uint8_t> InquiryData(DriveType type) {
  std::vector<std::uint8_t> d(kInquiryLength, 0);
  d[0] = 0x00;  // direct-access block device
  d[1] = 0x80;  // removable
  d[2] = 0x02;
  // Response data format: the camera's bridge reports the old format 1, an
  // ordinary disk format 2.
  d[3] = type == DriveType::Disk ? 0x02 : 0x01;
  d[4] = 31;
  const char* product = type == DriveType::Disk ? "GENERIC DISK    " : "USB2.0  VIDEO   ";
  std::memcpy(&d[8], "SIMULATE", 8);
  std::memcpy(&d[16], product, 16);
  std::memcpy(&d[32], "1.00", 4);
  return d;
}

bool HasCameraSignature(const std::uint8_t* cdb, std::size_t cdbLength) {
  return cdbLength == 16 && cdb[0] == kSignature[0] && cdb[1] == kSignature[1] &&
         cdb[2] == kSignature[2];
}

Response CameraResponder::Answer(const std::uint8_t* cdb, std::size_t cdbLength) const {
  if (cdbLength == 6 && cdb[0] == kInquiryOpcode) return {InquiryData(type_), false};
  if (HasCameraSignature(cdb, cdbLength)) {
    if (cdb[3] == kIdentifyMarker && type_ != DriveType::Disk) {
      return {IdentifyData(type_, answer_), false};
    }
    if (cdb[3] == kVendorMarker && type_ == DriveType::Camera && camera_) {
      const std::uint32_t code = std::uint32_t(cdb[4]) << 24 | std::uint32_t(cdb[5]) << 16 |
                                 std::uint32_t(cdb[6]) << 8 | cdb[7];
      SimulatedCamera::Bytes args;
      std::copy_n(cdb + 8, args.size(), args.begin());
      const SimulatedCamera::Bytes reply = camera_->Answer(code, args);
      return {std::vector<std::uint8_t>(reply.begin(), reply.end()), false};
    }
  }
  return {{}, true};  // a command this drive does not know
}

}  // namespace zul::sim
