#include "simulator/PasswordDigest.h"

#include <cstdlib>
#include <string>

#include "platform/Random.h"
#include "platform/SecureWipe.h"

namespace zul::sim {
namespace {

std::vector<std::uint8_t> RandomSalt() {
  std::vector<std::uint8_t> salt(kSaltSize);
  platform::RandomBytes(salt.data(), salt.size());
  return salt;
}

Sha256Digest Salted(const std::vector<std::uint8_t>& salt, std::string_view password) {
  std::string input;
  input.reserve(salt.size() + password.size());  // one buffer, wiped below
  input.assign(salt.begin(), salt.end());
  input.append(password);
  const Sha256Digest digest = Sha256(input);
  platform::SecureWipe(input.data(), input.size());
  return digest;
}

}  // namespace

PasswordDigest DigestOfPassword(std::string_view password) {
  PasswordDigest d;
  d.salt = RandomSalt();
  d.digest = Salted(d.salt, password);
  return d;
}

bool PasswordMatches(const PasswordDigest& stored, std::string_view password) {
  const Sha256Digest digest = Salted(stored.salt, password);
  std::uint8_t differ = 0;  // every byte compared, whatever the first difference
  for (std::size_t i = 0; i < digest.size(); ++i) differ |= digest[i] ^ stored.digest[i];
  return differ == 0;
}

}  // namespace zul::sim
