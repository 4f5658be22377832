#pragma once
// Clearing memory that held a password in a way the compiler may not drop as
// a dead store, and storage that clears itself when it goes.

#include <cstddef>
#include <memory>
#include <type_traits>
#include <vector>

namespace zul::platform {

// Sets n bytes at p to zero through volatile accesses.
void SecureWipe(void* p, std::size_t n);

// A copy of something that may carry password characters (a command block, a
// reply, a pass-through header): used as T, and cleared when it goes, however
// the scope is left.
template <class T>
requires std::is_trivially_copyable_v<T> && std::is_class_v<T>
struct Wiped : T {
  ~Wiped() { SecureWipe(static_cast<T*>(this), sizeof(T)); }
};

// An allocator that clears what it hands back, for buffers of a size known
// only at run time. Base does the allocating.
template <class T, class Base = std::allocator<T>>
struct WipingAllocator : Base {
  using value_type = T;
  WipingAllocator() = default;
  template <class U, class B>
  WipingAllocator(const WipingAllocator<U, B>&) noexcept {}
  template <class U>
  struct rebind {
    using other =
        WipingAllocator<U, typename std::allocator_traits<Base>::template rebind_alloc<U>>;
  };
  void deallocate(T* p, std::size_t n) {
    SecureWipe(p, n * sizeof(T));
    Base::deallocate(p, n);
  }
};

using WipedBytes = std::vector<unsigned char, WipingAllocator<unsigned char>>;

}  // namespace zul::platform
