#include "gadget/AllocationProbe.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace zul::gadget {
namespace {

std::atomic<bool> armed = false;
std::atomic<std::size_t> cap = 0, largest = 0;

void* Allocate(std::size_t size) {
  if (armed.load(std::memory_order_relaxed)) {
    std::size_t seen = largest.load(std::memory_order_relaxed);
    while (size > seen && !largest.compare_exchange_weak(seen, size)) {
    }
    if (size > cap.load(std::memory_order_relaxed)) throw std::bad_alloc();
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

}  // namespace

AllocationProbe::AllocationProbe(std::size_t limit) {
  cap = limit;
  largest = 0;
  armed = true;
}
AllocationProbe::~AllocationProbe() {
  armed = false;
}
std::size_t AllocationProbe::Largest() const {
  return largest;
}

}  // namespace zul::gadget

void* operator new(std::size_t size) {
  return zul::gadget::Allocate(size);
}
void* operator new[](std::size_t size) {
  return zul::gadget::Allocate(size);
}
// Every form that pairs with the plain delete, so that each allocation and its
// release go through the same functions (sanitizers check that they match).
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
  try {
    return zul::gadget::Allocate(size);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}
void* operator new[](std::size_t size, const std::nothrow_t& tag) noexcept {
  return operator new(size, tag);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
