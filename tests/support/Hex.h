#pragma once
// Bytes as a trace or a test failure shows them: two hex digits each, spaced.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace zul::test {

inline std::string Hex(const std::uint8_t* bytes, std::size_t n, bool lower = false) {
  const char* digits = lower ? "0123456789abcdef" : "0123456789ABCDEF";
  std::string out;
  for (std::size_t i = 0; i < n; ++i) {
    if (i) out += ' ';
    out += digits[bytes[i] >> 4];
    out += digits[bytes[i] & 15];
  }
  return out;
}

inline std::string Hex(std::string_view bytes, bool lower = false) {
  return Hex(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), lower);
}

}  // namespace zul::test
