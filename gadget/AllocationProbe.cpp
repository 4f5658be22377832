#include "AllocationProbe.h"

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
void operator delete(void* p) noexcept {
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
