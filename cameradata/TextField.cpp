#include "cameradata/TextField.h"

#include <algorithm>
#include <cstring>

#include "devicelink/Command.h"

namespace zul {

platform::Wiped<std::array<std::uint8_t, 8>> WriteTextField(DeviceSession& session, TextKind kind,
                                                            std::string_view text) {
  const std::size_t n = text.size();
  ReplyBlock block{};
  for (std::size_t i = 0; i < MAX_TEXT_CHUNKS; ++i) {
    block.fill(0);
    block[0] = kind;
    block[1] = static_cast<std::uint8_t>(i);
    // A last chunk of exactly five characters carries length 0: the camera
    // reads the length byte as "characters in this chunk, if fewer than five".
    block[2] = static_cast<std::uint8_t>(n > TEXT_CHUNK_CHARS * (i + 1) ? TEXT_CHUNK_CHARS
                                                                        : n % TEXT_CHUNK_CHARS);
    for (std::size_t j = 0; j < TEXT_CHUNK_CHARS; ++j) {
      const std::size_t pos = TEXT_CHUNK_CHARS * i + j;
      if (pos < n) block[3 + j] = static_cast<std::uint8_t>(text[pos]);
    }
    IssueCommand(session, CMD_WRITE_TEXT_CHUNK, block);
    // The camera decides whether more follows, not the chunk just built.
    if (block[2] < TEXT_CHUNK_CHARS) break;
  }
  platform::Wiped<std::array<std::uint8_t, 8>> reply;
  std::copy_n(block.begin(), reply.size(), reply.begin());
  return reply;
}

bool ReadTextField(DeviceSession& session, TextKind kind, std::string& out) {
  char text[64] = {};
  for (std::size_t i = 0; i < MAX_TEXT_CHUNKS; ++i) {
    ReplyBlock block{};
    block[0] = kind;
    block[1] = static_cast<std::uint8_t>(i);
    if (!IssueCommand(session, CMD_READ_TEXT_CHUNK, block)) return false;
    std::memcpy(text + TEXT_CHUNK_CHARS * i, &block[3], TEXT_CHUNK_CHARS);
    // A total that is an exact multiple of five asks for one chunk more.
    if (block[2] < TEXT_CHUNK_CHARS * (i + 1)) break;
  }
  out.assign(text, strnlen(text, sizeof text));
  return true;
}

}  // namespace zul
