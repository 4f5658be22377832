#pragma once
// For tests of the gadget: the largest single allocation through operator new
// while a probe is armed, and a cap above which it fails with std::bad_alloc
// as a small board's memory would. Linked into test programs only: it
// replaces the program's operator new and delete.

#include <cstddef>

namespace zul::gadget {

class AllocationProbe {
 public:
  explicit AllocationProbe(std::size_t cap);  // armed until it goes
  ~AllocationProbe();
  AllocationProbe(const AllocationProbe&) = delete;
  AllocationProbe& operator=(const AllocationProbe&) = delete;

  // The largest allocation asked for since the probe was armed, refused ones included.
  std::size_t Largest() const;
};

}  // namespace zul::gadget
