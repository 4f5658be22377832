#pragma once
// How a simulated camera keeps a password: a SHA-256 digest of a random salt
// followed by the password, never the password itself. The salt is drawn anew
// for every password set, so one password gives a different digest on every
// camera and in every state file.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "simulator/Sha256.h"

namespace zul::sim {

inline constexpr std::size_t kSaltSize = 16;

struct PasswordDigest {
  // kSaltSize random bytes; empty for a plain SHA-256 of the password, as a
  // scenario may give one.
  std::vector<std::uint8_t> salt;
  Sha256Digest digest{};

  bool operator==(const PasswordDigest&) const = default;
};

// The digest of password under a fresh random salt.
PasswordDigest DigestOfPassword(std::string_view password);

// Whether password is the one the digest was made of.
bool PasswordMatches(const PasswordDigest& stored, std::string_view password);

}  // namespace zul::sim
