// The one ordering between the perform routines and the operations that rewrite the string under them
// ("clear", the chain build's reset and DC-blocker design), through a word in the record. A routine
// holds the string in locals for a whole vector and stores it back at its end, so a reset made while a
// vector runs would be undone by that store. The audio thread never waits: a vector that finds a reset
// under way plays silence and leaves the record alone.
//
// No caller of a reset waits for another. The first takes the word (kResetting) and becomes its holder;
// a caller that finds it taken posts what it asks for (kSilence, kDesignDc) and returns. The holder
// serves every posted request before it lets go, so each is done by the time the word is free again.
// A silence asked for while the holder has already silenced the line (kSilent) is covered by it:
// nothing writes the line while the word is taken. The holder's one wait is for the vector already in
// flight when it took the word (every later vector keeps out), at most one vector's time; a host that
// sends messages on its audio thread, between vectors, never has one in flight.
#pragma once

namespace vibrel_gate {

using Word = unsigned int;
constexpr Word kVectorRunning = 1u; // set by the audio thread for the length of one vector
constexpr Word kResetting = 2u;     // a holder is resetting the string
constexpr Word kSilence = 4u;       // posted: silence the line and the filter memories
constexpr Word kDesignDc = 8u;      // posted: design the DC blocker for the record's dcRate
constexpr Word kSilent = 16u;       // the holder has silenced, or is silencing, the line in this hold
constexpr Word kRequests = kSilence | kDesignDc;

// Audio thread, at the start of a vector: one compare-exchange, never retried. False while a reset holds
// the string; the routine then touches nothing but its output.
inline bool enter_vector(Word &gate) {
    Word free = 0;
    return __atomic_compare_exchange_n(&gate, &free, kVectorRunning, false, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED);
}

// Audio thread, at the end of an entered vector: the vector's stores become visible to a reset that
// waits for it. Leaves the other bits as a reset may have set them meanwhile.
inline void leave_vector(Word &gate) { __atomic_fetch_and(&gate, ~kVectorRunning, __ATOMIC_RELEASE); }

inline void pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#elif defined(__aarch64__)
    __asm__ __volatile__("yield");
#endif
}

// Any thread: asks for the requests (kSilence, kDesignDc, or both). True when the caller has become the
// holder and must serve them (then wait_for_vector, serve, next_requests until it returns 0); false
// when the holder under way serves them, or has covered them, and the caller is done. A release
// compare-exchange publishes what the caller stored for its request (dcRate) to the holder.
inline bool hold_or_post(Word &gate, Word requests) {
    Word seen = __atomic_load_n(&gate, __ATOMIC_RELAXED);
    for (;;) {
        if (seen & kResetting) {
            const Word need = (seen & kSilent) ? requests & ~kSilence : requests;
            if (need == 0) return false;
            if (__atomic_compare_exchange_n(&gate, &seen, seen | need, true, __ATOMIC_RELEASE, __ATOMIC_RELAXED))
                return false;
        } else {
            const Word taken = seen | kResetting | ((requests & kSilence) ? kSilent : 0u);
            if (__atomic_compare_exchange_n(&gate, &seen, taken, true, __ATOMIC_ACQUIRE, __ATOMIC_RELAXED))
                return true;
        }
    }
}

// Holder, once after taking the word: waits for the vector in flight, if any (its stores then visible).
inline void wait_for_vector(Word &gate) {
    while (__atomic_load_n(&gate, __ATOMIC_ACQUIRE) & kVectorRunning) pause();
}

// Holder, after serving: the requests posted meanwhile (taken off the word; a silence marks the hold
// kSilent), or 0 when none came, and then the word is free and vectors run again.
inline Word next_requests(Word &gate) {
    Word seen = __atomic_load_n(&gate, __ATOMIC_RELAXED);
    for (;;) {
        const Word posted = seen & kRequests;
        const Word next = posted ? (seen & ~kRequests) | ((posted & kSilence) ? kSilent : 0u) : 0u;
        // Acquire: what the poster stored before posting; release: the reset, to the vectors after it.
        if (__atomic_compare_exchange_n(&gate, &seen, next, true, __ATOMIC_ACQ_REL, __ATOMIC_RELAXED)) return posted;
    }
}

} // namespace vibrel_gate
