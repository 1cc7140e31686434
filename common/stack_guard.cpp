// The stack protector's guard value and its failure calls, given here so
// that the toolchain's own (libssp) are not linked: its start-up opens a
// cryptographic provider for the guard, which under Wine alone costs some
// hundreds of requests to the server at every program start, more than a
// small list's whole work. The fortified string calls still come from
// libssp; they only need the failure call.
#include <windows.h>

namespace {

// RtlGenRandom: the system's random bytes without a provider.
extern "C" BOOLEAN NTAPI SystemFunction036(PVOID buffer, ULONG length);

// Says so and ends at once, as the system's own check of a stack cookie
// does: nothing more of a program whose memory is written over may run.
void fail(const char* message, DWORD length) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_ERROR_HANDLE), message, length, &written, nullptr);
  TerminateProcess(GetCurrentProcess(), static_cast<UINT>(STATUS_STACK_BUFFER_OVERRUN));
}

}  // namespace

extern "C" {

void* __stack_chk_guard = nullptr;

// Runs before every other constructor's protected code could return; it
// takes no address of a local, so it carries no guard of its own.
__attribute__((constructor(101), no_stack_protector)) static void set_stack_guard() {
  if (!SystemFunction036(&__stack_chk_guard, sizeof __stack_chk_guard) || !__stack_chk_guard)
    __stack_chk_guard = reinterpret_cast<void*>(static_cast<uintptr_t>(0xff0a0000));  // terminator bytes
}

__attribute__((noreturn)) void __stack_chk_fail() {
  static const char kMessage[] = "*** stack smashing detected ***: terminated\n";
  fail(kMessage, sizeof kMessage - 1);
  __builtin_unreachable();
}

__attribute__((noreturn)) void __stack_chk_fail_local() { __stack_chk_fail(); }

__attribute__((noreturn)) void __chk_fail() {
  static const char kMessage[] = "*** buffer overflow detected ***: terminated\n";
  fail(kMessage, sizeof kMessage - 1);
  __builtin_unreachable();
}

}  // extern "C"
