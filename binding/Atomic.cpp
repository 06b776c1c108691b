#include "binding/Atomic.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <sched.h>
#include <time.h>
#endif

namespace vialmark {

#if defined(_WIN32)

static_assert(sizeof(LONG) == sizeof(i32));

i32 CompareExchange(i32* word, i32 expected, i32 desired) {
  return InterlockedCompareExchange(reinterpret_cast<volatile LONG*>(word), desired, expected);
}
i32 AtomicIncrement(i32* word) {
  return InterlockedIncrement(reinterpret_cast<volatile LONG*>(word));
}
i32 AtomicDecrement(i32* word) {
  return InterlockedDecrement(reinterpret_cast<volatile LONG*>(word));
}

namespace {
void YieldSlice() { Sleep(0); }
void SleepOneMs() { Sleep(1); }
}  // namespace

#else

i32 CompareExchange(i32* word, i32 expected, i32 desired) {
  __atomic_compare_exchange_n(word, &expected, desired, false, __ATOMIC_SEQ_CST, __ATOMIC_SEQ_CST);
  return expected;
}
i32 AtomicIncrement(i32* word) { return __atomic_add_fetch(word, 1, __ATOMIC_SEQ_CST); }
i32 AtomicDecrement(i32* word) { return __atomic_sub_fetch(word, 1, __ATOMIC_SEQ_CST); }

namespace {
void YieldSlice() { sched_yield(); }
void SleepOneMs() {
  timespec pause{0, 1000000};
  nanosleep(&pause, nullptr);
}
}  // namespace

#endif

i32 AtomicLoad(const i32* word) { return __atomic_load_n(word, __ATOMIC_ACQUIRE); }
void AtomicStore(i32* word, i32 value) { __atomic_store_n(word, value, __ATOMIC_RELEASE); }

WaitFunctions& LockWaits() {
  static WaitFunctions waits{&YieldSlice, &SleepOneMs};
  return waits;
}

namespace {
void WaitForLock(u32& spins) {
  if (spins >= kYieldingWaits) {
    LockWaits().sleepOneMs();
  } else {
    LockWaits().yield();
    ++spins;
  }
}
}  // namespace

i32 LoadUnlocked(i32* word, u32& spins) {
  for (;;) {
    const i32 seen = AtomicLoad(word);
    if (seen >= 0) return seen;
    WaitForLock(spins);
  }
}

}  // namespace vialmark
