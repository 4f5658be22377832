#pragma once
// Building and sending one vendor command.

#include <cstdint>

#include "devicelink/CommandCatalogue.h"
#include "devicelink/Transfer.h"

namespace zul {

// Builds the command block for code with block bytes 0 to 7 as arguments,
// clears block, sends, and leaves the answer in block. Returns true when the
// transfer succeeded; on failure block stays all zero.
bool IssueCommand(DeviceSession& session, std::uint32_t code, ReplyBlock& block);

// The command block IssueCommand puts on the wire for code and arguments
// (bytes 0 to 2 left zero: the transfer writes the signature).
CommandBlock BuildCommandBlock(std::uint32_t code, const ReplyBlock& arguments);

}  // namespace zul
