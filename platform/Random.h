#pragma once
// Random bytes from the system's own source (getrandom on Linux, the C
// runtime's rand_s on Windows): win32/ and posix/ each define RandomBytes.

#include <cstddef>
#include <cstdint>

namespace zul::platform {

// Fills n bytes at out. Ends the program when the system has no random
// numbers to give: nothing that asks for them is safe to go on without.
void RandomBytes(std::uint8_t* out, std::size_t n);

}  // namespace zul::platform
