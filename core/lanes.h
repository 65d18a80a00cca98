// Several samples in the lanes of one vector, for the batched perform routines: the vector types,
// loads from the delay line, lane-wise selections and shifts. Each lane does IEEE arithmetic of its
// own, the same operation as the scalar code, so a lane's result has the scalar result's bits.
// A language extension of the compilers we build with (GCC, Clang); no processor header needed.
#pragma once

#include "shared.h"
#include "variant.h"

namespace VIBREL_NS::lanes {

#define VIBREL_LANES_INLINE inline __attribute__((always_inline))
// Loops over lanes and taps unrolled whole: constant indices, and the independent chains of
// products interleaved (each chain keeps its order).
#define VIBREL_UNROLLED _Pragma("GCC unroll 16")

typedef double D2 __attribute__((vector_size(2 * sizeof(double))));
typedef double D4 __attribute__((vector_size(4 * sizeof(double))));
typedef long long I2 __attribute__((vector_size(2 * sizeof(long long))));
typedef long long I4 __attribute__((vector_size(4 * sizeof(long long))));

template <class V> constexpr long kCount = (long)(sizeof(V) / sizeof(double));

// The integer vector of a double vector's width: the comparisons' masks and the lanes' bits.
template <class V> struct BitsOf;
template <> struct BitsOf<D2> { typedef I2 type; };
template <> struct BitsOf<D4> { typedef I4 type; };
template <class V> using Bits = typename BitsOf<V>::type;

template <class V> VIBREL_LANES_INLINE V splat(double s) {
    V v;
    VIBREL_UNROLLED
    for (long j = 0; j < kCount<V>; j++)
        v[j] = s;
    return v;
}

// Lane j: a[j] where mask[j] is set (all ones, as a comparison leaves it), b[j] elsewhere: bits moved.
template <class V> VIBREL_LANES_INLINE V select(const Bits<V> &mask, const V &a, const V &b) {
    return (V)((mask & (Bits<V>)a) | (~mask & (Bits<V>)b));
}

template <class V> VIBREL_LANES_INLINE Bits<V> splat_bits(long long s) {
    Bits<V> v;
    VIBREL_UNROLLED
    for (long j = 0; j < kCount<V>; j++)
        v[j] = s;
    return v;
}

// Whether any lane of a comparison's mask is set (each lane all ones or all zeros).
template <class V> VIBREL_LANES_INLINE bool any(const Bits<V> &m);
#if defined(__SSE2__)
// The lanes' sign bits in one move; four lanes as the union of their halves.
template <> VIBREL_LANES_INLINE bool any<D2>(const I2 &m) { return __builtin_ia32_movmskpd((D2)m) != 0; }
template <> VIBREL_LANES_INLINE bool any<D4>(const I4 &m) {
    return any<D2>(__builtin_shufflevector(m, m, 0, 1) | __builtin_shufflevector(m, m, 2, 3));
}
#elif defined(__wasm_simd128__)
// One v128.any_true (the lanes' bytes seen as 16 bytes).
typedef signed char Bytes16 __attribute__((vector_size(16)));
template <> VIBREL_LANES_INLINE bool any<D2>(const I2 &m) { return __builtin_wasm_any_true_v128((Bytes16)m); }
#endif
template <class V> VIBREL_LANES_INLINE bool any(const Bits<V> &m) {
    long long all = m[0];
    for (long j = 1; j < kCount<V>; j++)
        all |= m[j];
    return all != 0;
}

// Lane j: min(a[j], b[j]) as a < b ? a : b, the second where either is NaN (the SSE2 minimum);
// max_of: a > b ? a : b.
template <class V> VIBREL_LANES_INLINE V min_of(const V &a, const V &b) { return a < b ? a : b; }
template <class V> VIBREL_LANES_INLINE V max_of(const V &a, const V &b) { return a > b ? a : b; }

// fabs in each lane: the sign bit cleared.
template <class V> VIBREL_LANES_INLINE V abs(const V &v) {
    return (V)((Bits<V>)v & splat_bits<V>(0x7fffffffffffffffLL));
}

// Lane j of the result: a[N - S + j] for j < S, else b[j - S] (S = 1 or 2): when a holds the N
// samples before those of b, the samples S earlier than b's.
template <long S> VIBREL_LANES_INLINE D2 shift_in(const D2 &a, const D2 &b) {
    if constexpr (S == 1)
        return __builtin_shufflevector(a, b, 1, 2);
    else
        return a;
}
template <long S> VIBREL_LANES_INLINE D4 shift_in(const D4 &a, const D4 &b) {
    if constexpr (S == 1)
        return __builtin_shufflevector(a, b, 3, 4, 5, 6);
    else
        return __builtin_shufflevector(a, b, 2, 3, 4, 5);
}

// Consecutive samples from a record's input or output vector (no other thread writes them).
template <class V> VIBREL_LANES_INLINE V load(const double *p) {
    V v;
    __builtin_memcpy(&v, p, sizeof v);
    return v;
}

// Consecutive slots of the delay line, which a "clear" on the message thread may be rewriting (with
// relaxed stores, core/shared.h). A vector load is a plain move on every target (a relaxed atomic
// load of a double costs an integer move and a transfer); under the thread sanitizer, which would
// count a vector load against an atomic store as a data race, each lane is a relaxed load of its own:
// the same bits, and the routine around it runs unchanged. A stray value can come of the race, never
// an index: the indices are the routine's own.
#if defined(__SANITIZE_THREAD__)
#define VIBREL_LANES_TSAN 1
#elif defined(__has_feature)
#if __has_feature(thread_sanitizer)
#define VIBREL_LANES_TSAN 1
#endif
#endif

template <class V> VIBREL_LANES_INLINE V load_line(const double *p) {
#if defined(VIBREL_LANES_TSAN)
    V v;
    VIBREL_UNROLLED
    for (long j = 0; j < kCount<V>; j++)
        v[j] = vibrel_shared::load(p[j]);
    return v;
#else
    return load<V>(p);
#endif
}

// Consecutive slots of the line written: plain moves, or relaxed stores under the thread sanitizer.
template <class V> VIBREL_LANES_INLINE void store_lines(double *slots, const V &y) {
#if defined(VIBREL_LANES_TSAN)
    VIBREL_UNROLLED
    for (long j = 0; j < kCount<V>; j++)
        vibrel_shared::store(slots[j], y[j]);
#else
    __builtin_memcpy(slots, &y, sizeof y);
#endif
}

// One slot of the line for each lane: slot at[j] - back for lane j.
template <class V> VIBREL_LANES_INLINE V gather_line(const double *line, const long (&at)[kCount<V>], long back) {
    V v;
    VIBREL_UNROLLED
    for (long j = 0; j < kCount<V>; j++)
#if defined(VIBREL_LANES_TSAN)
        v[j] = vibrel_shared::load(line[at[j] - back]);
#else
        v[j] = line[at[j] - back];
#endif
    return v;
}

} // namespace VIBREL_NS::lanes
