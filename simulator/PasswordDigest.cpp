#if defined(_WIN32)
// rand_s: the system's random numbers, from the C runtime linked already. It
// must be asked for before the first header that declares the runtime.
#define _CRT_RAND_S
#endif

#include "simulator/PasswordDigest.h"

#include <cstdlib>
#include <string>

#include "devicelink/SecureWipe.h"

#if !defined(_WIN32)
#include <sys/random.h>

#include <cerrno>
#endif

namespace zul::sim {
namespace {

std::vector<std::uint8_t> RandomSalt() {
  std::vector<std::uint8_t> salt(kSaltSize);
#if defined(_WIN32)
  for (std::size_t i = 0; i < salt.size(); i += 4) {
    unsigned int word = 0;
    if (rand_s(&word) != 0) std::abort();  // no random numbers: nothing safe to go on with
    for (std::size_t j = 0; j < 4 && i + j < salt.size(); ++j)
      salt[i + j] = std::uint8_t(word >> 8 * j);
  }
#else
  for (std::size_t done = 0; done < salt.size();) {
    const ssize_t n = getrandom(salt.data() + done, salt.size() - done, 0);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) std::abort();  // no random numbers: nothing safe to go on with
    done += static_cast<std::size_t>(n);
  }
#endif
  return salt;
}

Sha256Digest Salted(const std::vector<std::uint8_t>& salt, std::string_view password) {
  std::string input;
  input.reserve(salt.size() + password.size());  // one buffer, wiped below
  input.assign(salt.begin(), salt.end());
  input.append(password);
  const Sha256Digest digest = Sha256(input);
  SecureWipe(input.data(), input.size());
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
