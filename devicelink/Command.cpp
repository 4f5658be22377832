#include "devicelink/Command.h"

#include <algorithm>

namespace zul {

CommandBlock BuildCommandBlock(std::uint32_t code, const ReplyBlock& arguments) {
  CommandBlock cdb{};
  cdb[3] = kVendorMarker;
  cdb[4] = static_cast<std::uint8_t>(code >> 24);
  cdb[5] = static_cast<std::uint8_t>(code >> 16);
  cdb[6] = static_cast<std::uint8_t>(code >> 8);
  cdb[7] = static_cast<std::uint8_t>(code);
  std::copy_n(arguments.begin(), 8, cdb.begin() + 8);
  return cdb;
}

bool IssueCommand(DeviceSession& session, std::uint32_t code, ReplyBlock& block) {
  CommandBlock cdb = BuildCommandBlock(code, block);
  block.fill(0);
  return VendorTransfer(session, cdb, block);
}

}  // namespace zul
