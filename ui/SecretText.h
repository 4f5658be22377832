#pragma once
// A fixed buffer for a password read from a field: wiped when the flow is
// done with it and, whatever path the flow takes, when it goes out of scope.

#include <cstddef>
#include <cstring>

#include "cameradata/PasswordBuffer.h"
#include "ui/framework/DialogHost.h"

namespace zul::ui {

template <std::size_t N>
class SecretText {
 public:
  // Reads field id, at most N - 1 characters, as GetDlgItemText does.
  void ReadFrom(const DialogHost& h, int id) { h.GetControlText(id, chars_.data(), N); }
  const char* c_str() const { return chars_.data(); }
  std::size_t size() const { return strnlen(chars_.data(), N); }
  void Wipe() { chars_.Wipe(); }

 private:
  PasswordBuffer<N> chars_;
};

}  // namespace zul::ui
