#pragma once
// Clearing memory that held a password in a way the compiler may not drop as
// a dead store.

#include <cstddef>

namespace zul {

// Sets n bytes at p to zero through volatile accesses.
void SecureWipe(void* p, std::size_t n);

}  // namespace zul
