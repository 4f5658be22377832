#pragma once
// The camera's text fields. A text travels in five-character chunks, one
// vendor command per chunk, at most eight chunks (40 characters).

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "devicelink/DeviceSession.h"
#include "platform/SecureWipe.h"

namespace zul {

// Which text a chunk belongs to (byte 0 of every chunk).
enum TextKind : std::uint8_t {
  TEXT_OFFICER = 0,
  TEXT_DEPARTMENT = 1,
  TEXT_ADDITIONAL = 2,
  TEXT_HINT = 3,
  TEXT_LOGIN_PASSWORD = 4,  // written only
  TEXT_NEW_PASSWORD = 6,    // written only
};

inline constexpr std::size_t TEXT_CHUNK_CHARS = 5;
inline constexpr std::size_t MAX_TEXT_CHUNKS = 8;

// Writes text (bytes; only the first 40 travel) as chunks of kind
// {kind, index, length byte, five characters}. Stops after the chunk whose
// reply has byte 2 below 5, or after eight chunks. A failed transfer is not
// reported: its reply reads all zero, which ends the write. Returns the eight
// bytes of the reply to the last chunk sent (cleared when they go: a camera
// may echo password characters).
platform::Wiped<std::array<std::uint8_t, 8>> WriteTextField(DeviceSession& session, TextKind kind,
                                                            std::string_view text);

// Reads a text chunk by chunk until the total length the camera announces
// (reply byte 2) is below what has been requested, or eight chunks. The text
// is what arrived up to the first zero byte. Returns false, leaving out as it
// was, when any chunk's transfer fails.
bool ReadTextField(DeviceSession& session, TextKind kind, std::string& out);

}  // namespace zul
