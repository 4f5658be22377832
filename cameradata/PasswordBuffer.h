#pragma once
// Room for a password's characters that wipes itself when it goes, however
// the scope is left: what the window's fields and zulctl's input lines are
// read into.

#include <cstddef>

#include "platform/SecureWipe.h"

namespace zul {

template <std::size_t N>
class PasswordBuffer {
 public:
  PasswordBuffer() = default;
  ~PasswordBuffer() { Wipe(); }
  PasswordBuffer(const PasswordBuffer&) = delete;
  PasswordBuffer& operator=(const PasswordBuffer&) = delete;

  static constexpr std::size_t size() { return N; }
  char* data() { return chars_; }
  const char* data() const { return chars_; }
  char& operator[](std::size_t i) { return chars_[i]; }
  void Wipe() { platform::SecureWipe(chars_, N); }

 private:
  char chars_[N] = {};
};

}  // namespace zul
