#include "devicelink/Transfer.h"

#include <cstring>

#include "devicelink/CommandCatalogue.h"
#include "platform/SecureWipe.h"

namespace zul {

void FillPassThroughHeader(PassThroughBuffer& buffer, std::uint8_t cdbLength, std::uint32_t n) {
  ScsiPassThroughHeader& h = buffer.header;
  h.Length = static_cast<std::uint16_t>(kHeaderLength);
  h.PathId = 0;
  h.TargetId = kTargetId;
  h.Lun = 0;
  h.CdbLength = cdbLength;
  h.SenseInfoLength = kSenseInfoLength;
  h.DataIn = kDataIn;
  h.DataTransferLength = n;
  h.TimeOutValue = kTimeOutSeconds;
  h.DataBufferOffset = kDataOffset;
  h.SenseInfoOffset = kSenseOffset;
}

bool RawTransfer(DeviceSession& session, PassThroughBuffer& buffer, std::uint32_t n) {
  if (n > kDataAreaSize) return false;
  FillPassThroughHeader(buffer, 16, n);
  const bool ok =
      session.port.PassThrough(session.handle, &buffer, kHeaderLength, OutputSizeFor(n));
  if (!ok) session.lastError = LastDeviceError();
  return ok;
}

bool VendorTransfer(DeviceSession& session, CommandBlock& command, ReplyBlock& reply) {
  command[0] = kSignature[0];
  command[1] = kSignature[1];
  command[2] = kSignature[2];
  // A buffer of this call's own. Only what the system and the device can see is
  // cleared (header, sense area, the 8 answer bytes) plus the rest of the 16
  // bytes copied out, so reply bytes 8 to 15 are zero; clearing all 64 KiB
  // would cost more than the request itself.
  PassThroughBuffer buffer;
  std::memset(&buffer, 0, kDataOffset + sizeof(ReplyBlock));
  std::memcpy(buffer.header.Cdb, command.data(), command.size());
  FillPassThroughHeader(buffer, 16, kVendorReplyLength);
  const bool ok = session.port.PassThrough(session.handle, &buffer, kHeaderLength,
                                           OutputSizeFor(kVendorReplyLength));
  if (ok) {
    std::memcpy(reply.data(), buffer.data, reply.size());
    if (buffer.header.ScsiStatus != 0 || buffer.header.DataTransferLength < kVendorReplyLength) {
      ++session.incompleteTransfers;
    }
  } else {
    ++session.failedTransfers;
    session.lastError = LastDeviceError();
  }
  // A block may have carried password characters, out or back.
  platform::SecureWipe(buffer.header.Cdb, sizeof buffer.header.Cdb);
  platform::SecureWipe(buffer.data, sizeof(ReplyBlock));
  return ok;
}

}  // namespace zul
