#pragma once
// Passwords from standard input (or --password-file): one a line, never echoed on a terminal, kept
// in a fixed buffer that is wiped when it goes.

#include <cstddef>
#include <cstdio>
#include <ostream>
#include <string_view>

#include "cameradata/CameraVocabulary.h"
#include "cameradata/PasswordBuffer.h"

namespace zul::cli {

class Secret {
 public:
  static constexpr std::size_t kKept = kMaxPassword + 1;  // one more than a password may hold

  // The characters kept (at most kKept).
  std::string_view text() const { return {buffer_.data(), kept_}; }
  // The length of the line as given, which may exceed what was kept.
  std::size_t length() const { return length_; }

 private:
  friend bool ReadSecretLine(std::FILE*, const char*, std::ostream&, Secret&);
  PasswordBuffer<kKept + 1> buffer_;
  std::size_t kept_ = 0;
  std::size_t length_ = 0;
};

// Reads one line (without its line break, and without a carriage return
// before it) into secret. When in is a terminal, prompts on prompts and turns
// the echo off for the line. Returns false at the end of the input before
// any character or line break. Make in unbuffered before its first use, so
// that no stdio buffer keeps a copy of the line.
bool ReadSecretLine(std::FILE* in, const char* prompt, std::ostream& prompts, Secret& secret);

}  // namespace zul::cli
