#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <new>

#include "devicelink/PassThroughBuffer.h"
#include "devicelink/Transfer.h"
#include "platform/SecureWipe.h"

namespace zul {
namespace {

// Read through volatile: the compiler takes a destroyed object's bytes as
// undefined and may drop or warn about a plain read.
bool AllZero(const volatile unsigned char* bytes, std::size_t n) {
  for (std::size_t i = 0; i < n; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

// Every kind of copy that may carry password characters is cleared when it
// goes: filled with a pattern, destroyed in storage the test owns, read back.
template <class T>
void ExpectClearedWhenItGoes() {
  alignas(T) unsigned char storage[sizeof(T)];
  T* copy = new (storage) T{};
  std::fill_n(reinterpret_cast<unsigned char*>(static_cast<void*>(copy)), sizeof(T), 0x5A);
  copy->~T();
  EXPECT_TRUE(AllZero(storage, sizeof storage));
}

TEST(WipedTest, CopiesClearThemselves) {
  ExpectClearedWhenItGoes<CommandBlock>();
  ExpectClearedWhenItGoes<ReplyBlock>();
  ExpectClearedWhenItGoes<platform::Wiped<ScsiPassThroughHeader>>();
  ExpectClearedWhenItGoes<platform::Wiped<std::array<std::uint8_t, 255>>>();
}

TEST(WipedTest, KeepsItsValueWhileItLives) {
  ReplyBlock a{};
  a[0] = 1;
  a[7] = 9;
  const ReplyBlock b = a;
  EXPECT_EQ(a, b);
  EXPECT_EQ(b[7], 9);
}

// An allocator beneath the wiping one that records what it is handed back.
std::array<unsigned char, 64> returned;
template <class T>
struct RecordingAllocator : std::allocator<T> {
  template <class U>
  struct rebind {
    using other = RecordingAllocator<U>;
  };
  void deallocate(T* p, std::size_t n) {
    std::copy_n(reinterpret_cast<unsigned char*>(p), n * sizeof(T), returned.begin());
    std::allocator<T>::deallocate(p, n);
  }
};

TEST(WipingAllocatorTest, ClearsABufferBeforeItIsFreed) {
  returned.fill(0xEE);
  {
    std::vector<unsigned char,
                platform::WipingAllocator<unsigned char, RecordingAllocator<unsigned char>>>
        data(64, 0x5A);
    EXPECT_EQ(data[63], 0x5A);
  }
  EXPECT_TRUE(AllZero(returned.data(), returned.size()));
}

}  // namespace
}  // namespace zul
