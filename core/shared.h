// Access to record fields that the message thread and the audio thread share without a lock.
// Relaxed loads and stores of the field's own width: plain moves on every target, but a data race
// in neither the language's model nor the thread sanitizer's. Nothing is ordered by them.
#pragma once

namespace vibrel_shared {

template <typename T> inline T load(const T &field) {
    T value;
    __atomic_load(&field, &value, __ATOMIC_RELAXED);
    return value;
}

template <typename T> inline void store(T &field, T value) { __atomic_store(&field, &value, __ATOMIC_RELAXED); }

} // namespace vibrel_shared
