#pragma once
// SHA-256, for the simulated camera's password store: the camera keeps and
// saves digests, never the passwords themselves.

#include <array>
#include <cstdint>
#include <string_view>

namespace zul::sim {

using Sha256Digest = std::array<std::uint8_t, 32>;

Sha256Digest Sha256(std::string_view bytes);

}  // namespace zul::sim
