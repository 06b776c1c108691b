// Atomic changes of words that the host owns and shares between its script threads: the lock
// word of a script object and the reference count of a class.
#pragma once

#include "host/Types.h"

namespace vialmark {

// Compare-and-exchange on the host's word; answers the value found there.
i32 CompareExchange(i32* word, i32 expected, i32 desired);
// Interlocked increment and decrement; answer the new value.
i32 AtomicIncrement(i32* word);
i32 AtomicDecrement(i32* word);
// A read of a word that other threads change with the operations above.
i32 AtomicLoad(const i32* word);
// The store that releases a held lock bit.
void AtomicStore(i32* word, i32 value);

// How a thread waits for a held lock word: it yields its time slice for the first waits and
// sleeps a millisecond after that, without limit.
inline constexpr u32 kYieldingWaits = 10001;

struct WaitFunctions {
  void (*yield)();       // Sleep(0)
  void (*sleepOneMs)();  // Sleep(1)
};
// Replaceable so that tests can count the waits; the defaults are the platform's.
WaitFunctions& LockWaits();

// Reads a lock word, waiting while its lock bit is set; answers the unlocked value. `spins`
// counts the yielding waits so far, across the caller's retries.
i32 LoadUnlocked(i32* word, u32& spins);

}  // namespace vialmark
