// The loop's sums and products as the native builds compute them under flush-to-zero (float_mode.h):
// a result below the smallest normal double is written as a zero of its sign. WebAssembly has no such
// mode, so there each sum and product is flushed in software, with the same bits as an x86 processor
// with FTZ and DAZ: a subnormal result of a sum is exact, and flushed; a product is flushed when it is
// tiny after rounding to 53 bits (x86 detects tininess after rounding), which only differs from its
// subnormal result being flushed where that result rounded up to the smallest normal. No operand is
// ever subnormal (every value of the loop comes out of these operations, every input and coefficient
// is normal or zero), so reading subnormal operands as 0 needs nothing more. Elsewhere both are the
// plain operations. For a double or a vector of doubles (core/lanes.h). Audio thread.
#pragma once

#include "lanes.h"

namespace VIBREL_NS::flushed {

#if defined(__wasm__)
#define VIBREL_SOFT_FLUSH 1
constexpr bool kOn = true; // the loop's default: flushed
#else
constexpr bool kOn = false;
#endif

constexpr double kSmallestNormal = 0x1p-1022;
constexpr double kScale = 0x1p512;          // a product's smaller factor scaled: its rounding has 53 bits
constexpr double kScaledNormal = 0x1p-510;  // kSmallestNormal * kScale

// A product whose magnitude came out at most kSmallestNormal, not 0: a zero of its sign, unless it rounds to
// kSmallestNormal itself with an unbounded exponent. Rare: only a string decaying past 2^-1022 gets here.
__attribute__((noinline)) inline double tiny_product(double a, double b, double r) {
    const double ma = __builtin_fabs(a), mb = __builtin_fabs(b);
    if (ma >= kSmallestNormal && mb >= kSmallestNormal) {
        // One factor is at most 2^-511: scaled by 2^512 it stays finite and exact.
        const double p = ma < mb ? (a * kScale) * b : a * (b * kScale);
        if (__builtin_fabs(p) >= kScaledNormal) return r;
    }
    return __builtin_copysign(0.0, r);
}

inline double soft_add(double a, double b) {
    const double r = a + b;
    return __builtin_fabs(r) < kSmallestNormal ? __builtin_copysign(0.0, r) : r;
}
inline double soft_mul(double a, double b) {
    const double r = a * b;
    return __builtin_expect(__builtin_fabs(r) <= kSmallestNormal && r != 0.0, 0) ? tiny_product(a, b, r) : r;
}

// Lanes: the sign bit alone kept where a lane's magnitude is below kSmallestNormal.
template <class V> VIBREL_LANES_INLINE V soft_add(const V &a, const V &b) {
    const V r = a + b;
    const lanes::Bits<V> tiny = (lanes::Bits<V>)(lanes::abs(r) < lanes::splat<V>(kSmallestNormal));
    return (V)((lanes::Bits<V>)r & ~(tiny & lanes::splat_bits<V>(0x7fffffffffffffffLL)));
}
template <class V> VIBREL_LANES_INLINE V soft_mul(const V &a, const V &b) {
    V r = a * b;
    const V zero = lanes::splat<V>(0.0);
    const lanes::Bits<V> tiny =
        (lanes::Bits<V>)(lanes::abs(r) <= lanes::splat<V>(kSmallestNormal)) & (lanes::Bits<V>)(r != zero);
    if (__builtin_expect(lanes::any<V>(tiny), 0))
        for (long j = 0; j < lanes::kCount<V>; j++)
            r[j] = soft_mul(a[j], b[j]);
    return r;
}

// The loop's sum and product: flushed in software where F (the soft-flush builds' default), plain
// where not (every other build, whose processors flush; and a soft-flush build's vector that is known
// to produce no number below 2^-1022, vibrel.dsp.cpp).
template <bool F = kOn, class T> VIBREL_LANES_INLINE T add(const T &a, const T &b) {
    if constexpr (F) return soft_add(a, b);
    else return a + b;
}
template <bool F = kOn, class T> VIBREL_LANES_INLINE T mul(const T &a, const T &b) {
    if constexpr (F) return soft_mul(a, b);
    else return a * b;
}

} // namespace VIBREL_NS::flushed
