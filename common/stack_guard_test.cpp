// The hardened build's checks end the program with their message: a
// written-over stack guard and an overlong fortified copy.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>

extern "C" void* __stack_chk_guard;

namespace {

__attribute__((noipa)) void write_past(size_t count) {
  char buffer[8];
  for (size_t i = 0; i < count; ++i) reinterpret_cast<volatile char*>(buffer)[i] = 'x';
}

__attribute__((noipa)) void copy_into_small(const char* source, size_t count) {
  char buffer[8];
  std::memcpy(buffer, source, count);
  reinterpret_cast<volatile char*>(buffer)[0] = buffer[1];
}

TEST(StackGuard, OverrunsEndTheProgram) {
  // Random at every start: neither zero nor the fixed fallback.
  EXPECT_NE(__stack_chk_guard, nullptr);
  EXPECT_NE(reinterpret_cast<uintptr_t>(__stack_chk_guard), uintptr_t{0xff0a0000});
  write_past(4);
  const auto overrun = ::testing::ExitedWithCode(static_cast<int>(STATUS_STACK_BUFFER_OVERRUN));
  EXPECT_EXIT(write_past(64), overrun, "stack smashing detected");
  static const char kSource[64] = "sixty-four bytes of text, far more than the buffer can hold";
  EXPECT_EXIT(copy_into_small(kSource, sizeof kSource), overrun, "buffer overflow detected");
}

}  // namespace
