#include "platform/Latin1.h"

#include <cstdint>

namespace zul::platform {
namespace {

// The UTF-8 sequence at the start of text: its length and character, or a
// length of 0 when it is not one (a stray continuation byte, a cut sequence,
// an overlong form, a surrogate or a number past U+10FFFF).
struct Decoded {
  std::size_t length = 0;
  std::uint32_t character = 0;
};

Decoded DecodeOne(std::string_view text) {
  const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
  const unsigned char lead = byte(0);
  if (lead < 0x80) return {1, lead};
  std::size_t length = 0;
  std::uint32_t character = 0;
  // The second byte's range rules out overlong forms, surrogates and numbers
  // past U+10FFFF.
  unsigned char low = 0x80, high = 0xBF;
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
    character = lead & 0x1F;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    character = lead & 0x0F;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    character = lead & 0x07;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return {};
  }
  if (text.size() < length) return {};
  for (std::size_t i = 1; i < length; ++i) {
    const unsigned char next = byte(i);
    if (next < (i == 1 ? low : 0x80) || next > (i == 1 ? high : 0xBF)) return {};
    character = character << 6 | (next & 0x3F);
  }
  return {length, character};
}

}  // namespace

std::string Latin1ToUtf8(std::string_view bytes) {
  std::string out;
  for (char ch : bytes) {
    const auto c = static_cast<unsigned char>(ch);
    if (c < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::optional<std::string> Utf8ToLatin1(std::string_view utf8, std::string* outside) {
  if (outside) outside->clear();
  std::string out;
  while (!utf8.empty()) {
    const Decoded d = DecodeOne(utf8);
    if (d.length == 0) return std::nullopt;
    if (d.character > 0xFF) {
      if (outside) outside->assign(utf8.substr(0, d.length));
      return std::nullopt;
    }
    out += static_cast<char>(d.character);
    utf8.remove_prefix(d.length);
  }
  return out;
}

}  // namespace zul::platform
