#pragma once
// One pass-through exchange with the camera's volume.

#include <array>
#include <cstdint>

#include "devicelink/DeviceSession.h"
#include "devicelink/PassThroughBuffer.h"
#include "platform/SecureWipe.h"

namespace zul {

// The 16-byte vendor command block, and the 16-byte block its answer lands in
// (bytes 0 to 7 the camera's answer, 8 to 15 always zero). Either may carry
// password characters, so every copy clears itself when it goes.
using CommandBlock = platform::Wiped<std::array<std::uint8_t, 16>>;
using ReplyBlock = platform::Wiped<std::array<std::uint8_t, 16>>;

inline constexpr std::uint32_t kVendorReplyLength = 8;

// Sends the command block the caller placed in buffer.header.Cdb, on the handle
// the session holds, and reads n data bytes (n <= 64 KiB) into buffer.data.
// Writes the header fields; leaves Cdb, ScsiStatus and the data area as the
// caller left them. Returns true when the system call succeeded.
bool RawTransfer(DeviceSession& session, PassThroughBuffer& buffer, std::uint32_t n);

// Sends one vendor command block and copies the 8-byte answer into reply
// (bytes 8 to 15 zero). Writes FA 55 66 into bytes 0 to 2 of command whatever
// the outcome. On failure returns false and leaves reply untouched.
bool VendorTransfer(DeviceSession& session, CommandBlock& command, ReplyBlock& reply);

}  // namespace zul
