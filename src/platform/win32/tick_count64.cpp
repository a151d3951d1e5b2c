#include "platform/win32/tick_count64.h"

#include <windows.h>

#include <atomic>

#include "platform/tick_wraps.h"

namespace corvanta {

namespace {

using TickCount64Fn = ULONGLONG(WINAPI*)();

TickCount64Fn SystemTickCount64() {
  // No function-local static: its guard would lock through the threads
  // library, which calls here. Racing threads find the same answer.
  static std::atomic<TickCount64Fn> fn{nullptr};
  static std::atomic<bool> looked{false};
  if (!looked.load(std::memory_order_acquire)) {
    fn.store(reinterpret_cast<TickCount64Fn>(reinterpret_cast<void*>(
                 GetProcAddress(GetModuleHandleA("kernel32.dll"), "GetTickCount64"))),
             std::memory_order_relaxed);
    looked.store(true, std::memory_order_release);
  }
  return fn.load(std::memory_order_relaxed);
}

uint64_t WrappedTickCount() {
  // Any thread may ask (the threads library does); the reading is taken under
  // the lock so that a wrap is counted exactly once.
  static volatile LONG lock = 0;
  static TickWraps wraps;
  while (InterlockedCompareExchange(&lock, 1, 0) != 0) Sleep(0);
  const uint64_t now = wraps.Extend(GetTickCount());
  InterlockedExchange(&lock, 0);
  return now;
}

ULONGLONG WINAPI TickCount64ForImports() {
  return TickCount64();
}

}  // namespace

uint64_t TickCount64() {
  if (const TickCount64Fn fn = SystemTickCount64()) return fn();
  return WrappedTickCount();
}

}  // namespace corvanta

// The threads library that the compiler links statically calls GetTickCount64
// through its import pointer, and a program that imports it does not start on
// XP (nor XP x64). Defining the pointer here keeps the import out of the
// program; this object is linked because Win32System uses TickCount64.
#if defined(__i386__)
#define CORVANTA_IMP_GETTICKCOUNT64 "__imp__GetTickCount64@0"
#else
#define CORVANTA_IMP_GETTICKCOUNT64 "__imp_GetTickCount64"
#endif
extern "C" {
extern ULONGLONG(WINAPI* const corvanta_imp_GetTickCount64)() __asm__(CORVANTA_IMP_GETTICKCOUNT64);
ULONGLONG(WINAPI* const corvanta_imp_GetTickCount64)() = corvanta::TickCount64ForImports;
}
