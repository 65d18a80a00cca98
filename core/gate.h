// The one ordering between the perform routines and the operations that rewrite the string under them
// ("clear", the chain build's reset and DC-blocker design), through a word in the record. A routine
// holds the string in locals for a whole vector and stores it back at its end, so a reset made while a
// vector runs would be undone by that store. The audio thread never waits: a vector that finds a reset
// under way plays silence and leaves the record alone. The message thread waits for the one vector
// already in flight, never more (every later vector keeps out). A host that sends messages on its audio
// thread, between vectors, always finds the word free.
#pragma once

namespace vibrel_gate {

using Word = unsigned int;
constexpr Word kVectorRunning = 1u; // set by the audio thread for the length of one vector
constexpr Word kResetting = 2u;     // set by a message thread for the length of a reset

// Audio thread, at the start of a vector: one compare-exchange, never retried. False while a reset holds
// the string; the routine then touches nothing but its output.
inline bool enter_vector(Word &gate) {
    Word free = 0;
    return __atomic_compare_exchange_n(&gate, &free, kVectorRunning, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED);
}

// Audio thread, at the end of an entered vector: the vector's stores become visible to a reset that
// waits for it. Leaves kResetting as a message thread may have set it meanwhile.
inline void leave_vector(Word &gate) { __atomic_fetch_and(&gate, ~kVectorRunning, __ATOMIC_RELEASE); }

inline void pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    __asm__ __volatile__("yield");
#endif
}

// Message thread: the string held still for the guard's lifetime. Spins against another
// message thread's reset (the host's main and scheduler threads may both send "clear"), then for the
// vector in flight, at most one vector's time.
class Reset {
  public:
    explicit Reset(Word &gate) : gate_(gate) {
        Word seen = __atomic_load_n(&gate_, __ATOMIC_RELAXED);
        for (;;) {
            if (seen & kResetting) {
                pause();
                seen = __atomic_load_n(&gate_, __ATOMIC_RELAXED);
            } else if (__atomic_compare_exchange_n(&gate_, &seen, seen | kResetting, true, __ATOMIC_ACQUIRE,
                                                   __ATOMIC_RELAXED)) {
                break;
            }
        }
        while (__atomic_load_n(&gate_, __ATOMIC_ACQUIRE) & kVectorRunning) pause();
    }
    // No vector can have entered since: the word is kResetting alone.
    ~Reset() { __atomic_store_n(&gate_, 0u, __ATOMIC_RELEASE); }
    Reset(const Reset &) = delete;
    Reset &operator=(const Reset &) = delete;

  private:
    Word &gate_;
};

} // namespace vibrel_gate
