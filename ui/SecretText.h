#pragma once
// A fixed buffer for a password read from a field: wiped when the flow is
// done with it and, whatever path the flow takes, when it goes out of scope.

#include <cstddef>
#include <cstring>

#include "platform/SecureWipe.h"
#include "ui/framework/DialogHost.h"

namespace zul::ui {

template <std::size_t N>
class SecretText {
 public:
  SecretText() = default;
  ~SecretText() { Wipe(); }
  SecretText(const SecretText&) = delete;
  SecretText& operator=(const SecretText&) = delete;

  // Reads field id, at most N - 1 characters, as GetDlgItemText does.
  void ReadFrom(const DialogHost& h, int id) { h.GetControlText(id, chars_, N); }
  const char* c_str() const { return chars_; }
  std::size_t size() const { return strnlen(chars_, N); }
  void Wipe() { platform::SecureWipe(chars_, N); }

 private:
  char chars_[N] = {};
};

}  // namespace zul::ui
