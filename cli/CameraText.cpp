#include "cli/CameraText.h"

#include <cstdio>

#include "platform/Latin1.h"

namespace zul::cli {
namespace {

// "U+20AC" for the UTF-8 of one character.
std::string CodePoint(std::string_view utf8) {
  const auto lead = static_cast<unsigned char>(utf8[0]);
  unsigned long character = lead & (utf8.size() == 3 ? 0x0F : 0x07);
  for (std::size_t i = 1; i < utf8.size(); ++i) {
    character = character << 6 | (static_cast<unsigned char>(utf8[i]) & 0x3F);
  }
  char text[16];
  std::snprintf(text, sizeof text, "U+%04lX", character);
  return text;
}

}  // namespace

std::optional<std::string> CameraText(std::string_view utf8, std::string& refusal) {
  std::string outside;
  std::optional<std::string> bytes = platform::Utf8ToLatin1(utf8, &outside);
  if (!bytes && !outside.empty()) {
    refusal = "holds \"" + outside + "\" (" + CodePoint(outside) +
              "), which the camera cannot keep (it keeps Latin-1 only)";
    return std::nullopt;
  }
  if (!bytes) {
    refusal = "holds bytes that are not UTF-8 (texts are read as UTF-8)";
    return std::nullopt;
  }
  if (bytes->find('\0') != std::string::npos) {
    refusal = "holds a zero character";
    return std::nullopt;
  }
  if (bytes->size() > kMaxCameraText) {
    refusal = "holds " + std::to_string(bytes->size()) + " characters; the camera keeps at most " +
              std::to_string(kMaxCameraText);
    return std::nullopt;
  }
  return bytes;
}

}  // namespace zul::cli
