// The string's cosine: correctly rounded (to nearest) for every double in [0, pi], from IEEE double
// operations in a fixed order and exact constants, so every target and every path gives the same bits.
// A fast path, the same operations in one lane or in the lanes of a vector, and an exact path
// (cosine.cpp) for the few arguments the fast path's rounding test cannot vouch for. Any thread.
#pragma once

#include <string.h>

#include "cosine_table.h"
#include "lanes.h"

namespace VIBREL_NS::cosine_parts {

constexpr double kPi = 0x1.921fb54442d18p+1; // the double nearest pi, just below it

// The exact path: the correctly rounded cosine of x in [0, kPi], in integer arithmetic.
double cosine_exact(double x);
// Any other argument: NaN gives NaN, a negative one its magnitude's cosine, beyond pi one of the same
// bits on every target (whole turns taken off), not correctly rounded.
double cosine_beyond(double x);
// Calls of cosine_exact so far in this process (for the tests).
unsigned long exact_calls();

#define VIBREL_COSINE_INLINE inline __attribute__((always_inline))

// The rounding test passes when yh + yl * kRoundingTest == yh. With yh + yl within eps |yh| of cos x
// and yh the nearest double to yh + yl: if the test passes, |yl| kRoundingTest (1 - 2^-53) is at most
// half the gap g from yh to its neighbour on yl's side, and g/2 >= 2^-54 |yh| (a power of two has the
// smaller gap below it). cos x, within |yl| + eps |yh| of yh, is then nearer yh than that neighbour when
// g/2 (1 - 1 / (kRoundingTest (1 - 2^-53))) > eps |yh|, which holds for kRoundingTest = 1 + 2^-12 and
// eps = 2^-67 (the fast path's bound, derived in cosine_fast): 2^-54 (2^-12 - 2^-24 - 2^-52) > 2^-67.
constexpr double kRoundingTest = 0x1.001p+0;

constexpr double kSteps = 256.0;             // centres k / kSteps
constexpr double kRoundShift = 0x1.8p52;     // x + kRoundShift - kRoundShift: x rounded to a whole number
constexpr double kSplitter = 0x1.0000002p27; // 2^27 + 1: splits a double into two halves of 26 bits
// Taylor coefficients, each the nearest double: 1/24, 1/720 (cosine); 1/6, 1/120, 1/5040 (sine).
constexpr double kCos2 = 0x1.5555555555555p-5, kCos3 = 0x1.6c16c16c16c17p-10;
constexpr double kSin1 = 0x1.5555555555555p-3, kSin2 = 0x1.1111111111111p-7, kSin3 = 0x1.a01a01a01a01ap-13;

// The fast path's constants, by name, for the vectors: a constant the compiler can see it rebuilds
// from its scalar at each use (a load and a shuffle); one it cannot see, held splatted in memory
// (cosine.cpp), is one full-width load, or the operand of the arithmetic itself.
enum Named : int {
    kNamedSteps,
    kNamedRoundShift,
    kNamedHalfPiCentre,
    kNamedHalfPi0,
    kNamedHalfPi1,
    kNamedHalfPi2,
    kNamedStep,
    kNamedSplitter,
    kNamedHalf,
    kNamedCos2,
    kNamedCos3,
    kNamedSin1,
    kNamedSin2,
    kNamedSin3,
    kNamedRoundingTest,
    kNamedCount
};
inline constexpr double kNamedValue[kNamedCount] = {kSteps,       kRoundShift, (double)kHalfPiCentre,
                                                    kHalfPi[0],   kHalfPi[1],  kHalfPi[2],
                                                    1.0 / kSteps, kSplitter,   0.5,
                                                    kCos2,        kCos3,       kSin1,
                                                    kSin2,        kSin3,       kRoundingTest};
// Each value in four lanes (the widest vector's), aligned for a full-width load.
struct alignas(32) Splatted {
    double lane[4];
};
#if defined(_WIN32)
extern const Splatted kSplatted[kNamedCount];
#else
// Hidden, as the plug-in's definition is: addressed directly, not through the global offset table.
extern const Splatted kSplatted[kNamedCount] __attribute__((visibility("hidden")));
#endif

// The table entry of x * 256 + kRoundShift: k in its low bits.
VIBREL_COSINE_INLINE const Centre &centre_of(double t) {
    unsigned long long bits;
    memcpy(&bits, &t, sizeof bits);
    return kCentre[(unsigned)bits & 1023u];
}

// One double or the lanes of a vector, for one body of the fast path.
template <class T> struct Lanes {
    static constexpr long kCount = lanes::kCount<T>;
    typedef lanes::Bits<T> Mask;
    static VIBREL_COSINE_INLINE T constant(double v) { return lanes::splat<T>(v); }
    static VIBREL_COSINE_INLINE T named(Named k) { return lanes::load<T>(kSplatted[k].lane); }
    static VIBREL_COSINE_INLINE T pick(const Mask &m, const T &a, const T &b) { return lanes::select<T>(m, a, b); }
    static VIBREL_COSINE_INLINE bool any(const Mask &m) { return lanes::any<T>(m); }
    static VIBREL_COSINE_INLINE bool failed(const Mask &m, long j) { return m[j] != 0; }
    // Each lane's table entry, the entries loaded whole and transposed.
    static VIBREL_COSINE_INLINE void centres(const T &t, T &ch, T &cl, T &sh, T &sl) {
        if constexpr (kCount == 2) {
            const T a0 = lanes::load<T>(&centre_of(t[0]).cosHi), b0 = lanes::load<T>(&centre_of(t[0]).sinHi);
            const T a1 = lanes::load<T>(&centre_of(t[1]).cosHi), b1 = lanes::load<T>(&centre_of(t[1]).sinHi);
            ch = __builtin_shufflevector(a0, a1, 0, 2);
            cl = __builtin_shufflevector(a0, a1, 1, 3);
            sh = __builtin_shufflevector(b0, b1, 0, 2);
            sl = __builtin_shufflevector(b0, b1, 1, 3);
        } else {
            const T e0 = lanes::load<T>(&centre_of(t[0]).cosHi), e1 = lanes::load<T>(&centre_of(t[1]).cosHi);
            const T e2 = lanes::load<T>(&centre_of(t[2]).cosHi), e3 = lanes::load<T>(&centre_of(t[3]).cosHi);
            const T hi01 = __builtin_shufflevector(e0, e1, 0, 4, 2, 6),
                    lo01 = __builtin_shufflevector(e0, e1, 1, 5, 3, 7);
            const T hi23 = __builtin_shufflevector(e2, e3, 0, 4, 2, 6),
                    lo23 = __builtin_shufflevector(e2, e3, 1, 5, 3, 7);
            ch = __builtin_shufflevector(hi01, hi23, 0, 1, 4, 5);
            sh = __builtin_shufflevector(hi01, hi23, 2, 3, 6, 7);
            cl = __builtin_shufflevector(lo01, lo23, 0, 1, 4, 5);
            sl = __builtin_shufflevector(lo01, lo23, 2, 3, 6, 7);
        }
    }
};
template <> struct Lanes<double> {
    static constexpr long kCount = 1;
    typedef bool Mask;
    static VIBREL_COSINE_INLINE double constant(double v) { return v; }
    static VIBREL_COSINE_INLINE double named(Named k) { return kNamedValue[k]; }
    static VIBREL_COSINE_INLINE double pick(bool m, double a, double b) { return m ? a : b; }
    static VIBREL_COSINE_INLINE bool any(bool m) { return m; }
    static VIBREL_COSINE_INLINE bool failed(bool m, long) { return m; }
    static VIBREL_COSINE_INLINE void centres(double t, double &ch, double &cl, double &sh, double &sl) {
        const Centre &e = centre_of(t);
        ch = e.cosHi;
        cl = e.cosLo;
        sh = e.sinHi;
        sl = e.sinLo;
    }
};

// The fast path for x in [0, kPi] in each lane: the nearest double yh to the approximation, and which
// lanes the rounding test (with the constant test, kRoundingTest but in the tests) cannot vouch for.
//
// x = c + r with c the centre k/256 nearest x (k = 402: pi/2 itself, where cos x has its zero), and
// cos x = C cos r - S sin r with C + S i from the table, |r| <= 2^-9 (2^-8.68 at pi/2):
//   r: x - k/256 is exact (Sterbenz); x - pi/2 is r0 = x - P0 (exact) less P1 + P2, as rh + rl with
//      |rl| <= 2^-52.9 |rh|, within 2^-105 |r| of r (r0 is 0 or at least 2^-52 > |P1|: Fast2Sum holds).
//   cos r = 1 - pc, pc = z (1/2 - z (1/24 - z / 720)), z = rh^2: truncation below r^8/8! < 2^-87;
//      pc <= 2^-19 within 3.01 ulp-relative errors (z, the inner sum, the product): 3.01 * 2^-72.
//   sin r = r - ps, ps = rh z (1/6 - z (1/120 - z / 5040)): truncation below |r| 2^-90; ps <= 2^-29.5,
//      within 5 u |ps| (7 u at pi/2, where z is of rh alone), u = 2^-53: at most 2^-70 |r|.
//   S r = p + pe + (Sl rh + Sh rl), p + pe = Sh rh exactly (Dekker's product, halves by Veltkamp).
//   Ch - p = s + se exactly (TwoSum); low = ((((se + Cl) - pe) - (Sl rh + Sh rl)) + Sh ps) - Ch pc, whose
//      roundings are below 2^-72 |Ch| + 2^-81; Cl pc and Sl ps, left out, below 2^-72 |Ch| + 2^-82.
//   yh + yl = s + low exactly (Fast2Sum: |low| <= 2^-17.6 |cos x| < |s|).
// Error: below 6.02 * 2^-72 |Ch| + 2^-78.8 + 2^-104 (|Ch| + |S r|) (table) at centres k/256, below
// 2^-69.9 |cos x| at pi/2. Away from pi/2's slot, |x - pi/2| >= 0.00146, so |cos x| >= 2^-9.42 and
// |Ch| <= |cos x| + 2^-9 <= 2.34 |cos x|: the error is below 2^-67.6 |cos x| <= 2^-67 |yh|.
template <class T>
VIBREL_COSINE_INLINE T cosine_fast(const T &x, typename Lanes<T>::Mask &unsure, double test = kRoundingTest) {
    typedef Lanes<T> L;
    const T t = x * L::named(kNamedSteps) + L::named(kNamedRoundShift); // x * 256 is at most 804.25: exact
    const T kd = t - L::named(kNamedRoundShift);
    T ch, cl, sh, sl;
    L::centres(t, ch, cl, sh, sl);
    const typename L::Mask atHalfPi = kd == L::named(kNamedHalfPiCentre);
    // In the lanes, pi/2's slot is left to the one-lane path (the lane reported unsure): the others'
    // r = x - k/256 is exact, rh alone (rl = 0, Sh rl = 0), with no selection of pi/2's parts.
    T rh, srl;
    if constexpr (L::kCount == 1) {
        const T p0 = L::pick(atHalfPi, L::named(kNamedHalfPi0), kd * L::named(kNamedStep));
        const T p1 = L::pick(atHalfPi, L::named(kNamedHalfPi1), L::constant(0.0));
        const T p2 = L::pick(atHalfPi, L::named(kNamedHalfPi2), L::constant(0.0));
        const T r0 = x - p0;
        rh = r0 - p1;
        const T rl = ((r0 - rh) - p1) - p2;
        srl = sl * rh + sh * rl;
    } else {
        rh = x - kd * L::named(kNamedStep);
        srl = sl * rh;
    }

    const T gr = rh * L::named(kNamedSplitter);
    const T rhh = gr - (gr - rh), rhl = rh - rhh;
    const T gs = sh * L::named(kNamedSplitter);
    const T shh = gs - (gs - sh), shl = sh - shh;
    const T p = sh * rh;
    const T pe = (((shh * rhh - p) + shh * rhl) + shl * rhh) + shl * rhl;

    const T z = rh * rh;
    const T pc = z * (L::named(kNamedHalf) - z * (L::named(kNamedCos2) - z * L::named(kNamedCos3)));
    const T ps = (rh * z) * (L::named(kNamedSin1) - z * (L::named(kNamedSin2) - z * L::named(kNamedSin3)));

    const T s = ch - p;
    const T sb = s - ch;
    const T se = (ch - (s - sb)) - (p + sb);
    const T low = ((((se + cl) - pe) - srl) + sh * ps) - ch * pc;
    const T yh = s + low;
    const T yl = low - (yh - s);
    const T testLanes = test == kRoundingTest ? L::named(kNamedRoundingTest) : L::constant(test);
    unsure = yh + yl * testLanes != yh;
    if constexpr (L::kCount > 1) {
        typename L::Mask halfPi = atHalfPi;
#if defined(__SSE2__)
        // Both masks held as the vectors they are: GCC otherwise takes their union apart lane by lane.
        // (Two lanes only: Clang refuses 32 bytes in an "x" register where AVX is not the default.)
        if constexpr (L::kCount == 2) __asm__("" : "+x"(unsure), "+x"(halfPi));
#endif
        unsure |= halfPi;
    }
    return yh;
}

// cos x, correctly rounded for x in [0, kPi]; see cosine_beyond for other arguments.
VIBREL_COSINE_INLINE double cosine(double x, double test = kRoundingTest) {
    if (!(x >= 0.0 && x <= kPi)) return cosine_beyond(x);
    bool unsure;
    const double y = cosine_fast(x, unsure, test);
    return unsure ? cosine_exact(x) : y;
}

// The cosine of each lane of x in [0, kPi], each with cosine's bits: the fast path in the lanes, then
// any lane that it leaves unsure (the rounding test, or pi/2's slot) one at a time. The loop filter's
// angles 2 pi / (delay + 1), delay + 1 at least 3, lie in (0, 2 pi / 3]: the perform routines need no
// range test.
template <class V> VIBREL_COSINE_INLINE V cosine_lanes_inside(const V &x, double test = kRoundingTest) {
    typedef Lanes<V> L;
    typename L::Mask unsure;
    V y = cosine_fast<V>(x, unsure, test);
    if (!L::any(unsure)) return y;
    for (long j = 0; j < L::kCount; j++)
        if (L::failed(unsure, j)) y[j] = cosine(x[j], test);
    return y;
}

// The cosine of each lane of x, each with cosine's bits; a lane outside [0, kPi] as cosine_beyond has it.
template <class V> VIBREL_COSINE_INLINE V cosine_lanes(const V &x, double test = kRoundingTest) {
    typedef Lanes<V> L;
    const typename L::Mask inside = (x >= L::constant(0.0)) & (x <= L::constant(kPi));
    V y = cosine_lanes_inside<V>(L::pick(inside, x, L::constant(0.0)), test);
    if (!L::any(~inside)) return y;
    for (long j = 0; j < L::kCount; j++)
        if (!L::failed(inside, j)) y[j] = cosine_beyond(x[j]);
    return y;
}

} // namespace VIBREL_NS::cosine_parts

namespace VIBREL_NS {
using cosine_parts::cosine;
using cosine_parts::cosine_lanes;
using cosine_parts::cosine_lanes_inside;
} // namespace VIBREL_NS
