// Every answer of the camera taken from the input: whether each volume opens,
// whether each request succeeds, its SCSI status, how many data bytes arrive
// and which. The first bytes are the operator's side (flags, password, hint).
// Layouts in OperatorSession.h and ReplyScript.h.

#include <cstddef>
#include <cstdint>

#include "fuzz/CheckedPort.h"
#include "fuzz/OperatorSession.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace zul::fuzz;
  const SessionConfig config = SessionConfig::Decode(data, size);
  const std::size_t skip = size < SessionConfig::kConfigSize ? size : SessionConfig::kConfigSize;
  ScriptReader script(data + skip, size - skip);
  ScriptedReplyPort port(script);
  RunOperatorSession(port, config);
  return 0;
}
