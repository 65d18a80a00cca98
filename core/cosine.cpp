// The cosine's exact path (the arguments whose fast result the rounding test cannot vouch for) and its
// arguments outside [0, pi]. Integer arithmetic only, apart from the reduction of arguments beyond pi:
// the same bits on every target. Any thread; no allocation.
#include <stdint.h>
#include <string.h>

#include "cosine.h"

// Only the n limbs in use are ever written or read; GCC cannot follow that through the column loops.
#if !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#endif

namespace VIBREL_NS::cosine_parts {

namespace {

// Fixed-point numbers: n limbs of 32 bits, least significant first, the top limb the integer part and
// the n - 1 below it 32(n - 1) fraction bits. Nothing here exceeds cosh(pi) < 12.
constexpr int kMaxLimbs = 34;
struct Fixed {
    uint32_t limb[kMaxLimbs];
};

// No limb array is ever zeroed by a loop of its own: compilers make such a loop a memset, which on macOS
// x86-64 becomes a call of __bzero, a function the plug-in does not import. Each limb is written with
// its value instead.

void set_one(Fixed &a, int n) {
    for (int i = 0; i < n; i++)
        a.limb[i] = i == n - 1 ? 1u : 0u;
}

// From a double in [2^-30, pi]: its 53 bits land whole above the lowest fraction bit (32(n - 1) >= 160).
void from_double(Fixed &a, double x, int n) {
    uint64_t bits;
    memcpy(&bits, &x, sizeof bits);
    const uint64_t mant = (bits & 0xfffffffffffffULL) | (1ULL << 52);
    const int lowBit = (int)(bits >> 52) - 1075 + 32 * (n - 1); // position of mant's bit 0 in a
    for (int i = 0; i < n; i++) {
        const int shift = lowBit - 32 * i; // of mant, to bring its bits of limb i to bit 0
        a.limb[i] = shift >= 32 || shift <= -53 ? 0u : (uint32_t)(shift >= 0 ? mant << shift : mant >> -shift);
    }
}

bool is_zero(const Fixed &a, int n) {
    for (int i = 0; i < n; i++)
        if (a.limb[i]) return false;
    return true;
}

// a * b, truncated to n limbs (an error below one unit of the last place): the product column by
// column, each column's sum (below n 2^64) carried into the next in three words.
void multiply(Fixed &out, const Fixed &a, const Fixed &b, int n) {
    uint64_t low = 0, high = 0; // the running column sum: high * 2^64 + low
    for (int c = 0; c <= 2 * n - 2; c++) {
        for (int i = c < n ? 0 : c - n + 1; i <= c && i < n; i++) {
            const uint64_t t = (uint64_t)a.limb[i] * b.limb[c - i];
            low += t;
            high += low < t;
        }
        if (c >= n - 1) out.limb[c - n + 1] = (uint32_t)low;
        low = (low >> 32) | (high << 32);
        high >>= 32;
    }
}

// a / d for d < 2^16, truncated in place (an error below one unit).
void divide(Fixed &a, uint32_t d, int n) {
    uint64_t rest = 0;
    for (int i = n - 1; i >= 0; i--) {
        const uint64_t t = (rest << 32) | a.limb[i];
        a.limb[i] = (uint32_t)(t / d);
        rest = t % d;
    }
}

void add(Fixed &a, const Fixed &b, int n) {
    uint64_t carry = 0;
    for (int i = 0; i < n; i++) {
        const uint64_t t = (uint64_t)a.limb[i] + b.limb[i] + carry;
        a.limb[i] = (uint32_t)t;
        carry = t >> 32;
    }
}

// a - b for a >= b.
void subtract(Fixed &a, const Fixed &b, int n) {
    uint64_t borrow = 0;
    for (int i = 0; i < n; i++) {
        const uint64_t t = (uint64_t)a.limb[i] - b.limb[i] - borrow;
        a.limb[i] = (uint32_t)t;
        borrow = (t >> 32) & 1;
    }
}

bool less(const Fixed &a, const Fixed &b, int n) {
    for (int i = n - 1; i >= 0; i--)
        if (a.limb[i] != b.limb[i]) return a.limb[i] < b.limb[i];
    return false;
}

// Whether a is below `units` units of the last place.
bool below_units(const Fixed &a, uint32_t units, int n) {
    for (int i = n - 1; i > 0; i--)
        if (a.limb[i]) return false;
    return a.limb[0] < units;
}

// a - units for a at least that.
void subtract_units(Fixed &a, uint32_t units, int n) {
    uint64_t borrow = units;
    for (int i = 0; i < n && borrow; i++) {
        const uint64_t t = (uint64_t)a.limb[i] - borrow;
        a.limb[i] = (uint32_t)t;
        borrow = (t >> 32) & 1;
    }
}

void add_units(Fixed &a, uint32_t units, int n) {
    uint64_t carry = units;
    for (int i = 0; i < n; i++) {
        const uint64_t t = (uint64_t)a.limb[i] + carry;
        a.limb[i] = (uint32_t)t;
        carry = t >> 32;
    }
}

bool bit(const Fixed &a, int i) { return i >= 0 && ((a.limb[i / 32] >> (i % 32)) & 1); }

// The double nearest to a (ties to even), a > 0 and at least 2^-70: built from its bits, exactly, with
// no conversion instruction (32-bit x86 would convert 64-bit integers on the x87 unit).
double nearest(const Fixed &a, int n) {
    int top = 32 * n - 1;
    while (!bit(a, top))
        top--;
    uint64_t mant = 0;
    for (int b = 0; b < 53; b++)
        mant = (mant << 1) | (uint64_t)bit(a, top - b);
    bool sticky = false;
    for (int b = top - 54; b >= 0 && !sticky; b--)
        sticky = bit(a, b);
    int exponent = top - 32 * (n - 1); // a's value is in [2^exponent, 2^(exponent + 1))
    if (bit(a, top - 53) && (sticky || (mant & 1))) {
        mant++;
        if (mant >> 53) {
            mant >>= 1;
            exponent++;
        }
    }
    const uint64_t bits = ((uint64_t)(exponent + 1023) << 52) | (mant & 0xfffffffffffffULL);
    double v;
    memcpy(&v, &bits, sizeof v);
    return v;
}

// cos x to within err units of the last of n limbs: sets y to the correctly rounded value, or returns
// false if that interval holds a rounding boundary (y then the rounding of its centre, an estimate)
// or reaches 0 (y left as it was).
//
// The series sum (-1)^k X^k / (2k)! with X = x * x truncated (x itself exact): since it is the cosine
// of sqrt(X), X's error (below 1 unit) moves the sum by less than half a unit. Each term is the previous
// one times X (truncated) divided by (2k - 1) 2k (truncated): term k's error e_k < e_(k-1) X / ((2k - 1) 2k)
// + 1/((2k - 1) 2k) + 1, where X / 12 < 0.83 from k = 2 on, so e_1 < 1.5 and every e_k < 7 units. The
// terms fall from k = 2 on, and alternate: once a computed term is 0, the rest of the true series is
// below that term's error, 7 units. So with K nonzero terms, the sum is within 7 (K + 1) + 1 units.
bool try_cosine(double x, int n, double &y) {
    Fixed xf, X, term, even, odd;
    from_double(xf, x, n);
    multiply(X, xf, xf, n);
    set_one(term, n);
    even = term;
    uint32_t nonzero = 0;
    for (uint32_t k = 1;; k++) {
        Fixed next;
        multiply(next, term, X, n);
        divide(next, (2 * k - 1) * (2 * k), n);
        if (is_zero(next, n)) break; // not at k = 1: X / 2 is at least 2^-61
        nonzero++;
        if (k == 1)
            odd = next;
        else
            add(k % 2 ? odd : even, next, n);
        term = next;
    }
    const uint32_t err = 7 * (nonzero + 1) + 1;
    const bool negative = less(even, odd, n);
    Fixed mag = negative ? odd : even;
    subtract(mag, negative ? even : odd, n);
    Fixed low = mag, high = mag;
    if (below_units(low, err, n)) return false;
    subtract_units(low, err, n);
    add_units(high, err, n);
    const double a = nearest(low, n), b = nearest(high, n);
    if (a != b) {
        const double centre = nearest(mag, n);
        y = negative ? -centre : centre;
        return false;
    }
    y = negative ? -a : a;
    return true;
}

// Calls of the exact path, for the tests; relaxed, as several threads may count.
unsigned long gExactCalls = 0;

} // namespace

// Below 2^-30, cos x lies within 2^-61 of 1 and rounds to 1. Above, fixed point of 160 fraction bits
// first, then 288, 544 and 1056: the cosine of a double is never a rounding boundary (cos x is
// transcendental for x != 0), so some precision decides; no double of [0, pi] is known to need more
// than 160 bits, and the tests compare every path with MPFR.
double cosine_exact(double x) {
    __atomic_fetch_add(&gExactCalls, 1, __ATOMIC_RELAXED);
    if (x < 0x1p-30) return 1.0;
    double y = 0.0;
    for (int n = 6; n <= kMaxLimbs; n = 2 * n - 2)
        if (try_cosine(x, n, y)) return y;
    return y; // not reached (see above); otherwise the estimate of the last precision that made one
}

namespace {
constexpr Splatted splatted(Named k) { return {{kNamedValue[k], kNamedValue[k], kNamedValue[k], kNamedValue[k]}}; }
} // namespace
const Splatted kSplatted[kNamedCount] = {
    splatted(kNamedSteps),   splatted(kNamedRoundShift), splatted(kNamedHalfPiCentre), splatted(kNamedHalfPi0),
    splatted(kNamedHalfPi1), splatted(kNamedHalfPi2),    splatted(kNamedStep),         splatted(kNamedSplitter),
    splatted(kNamedHalf),    splatted(kNamedCos2),       splatted(kNamedCos3),         splatted(kNamedSin1),
    splatted(kNamedSin2),    splatted(kNamedSin3),       splatted(kNamedRoundingTest)};
static_assert(kNamedCount == 15, "one row of kSplatted for each name");

unsigned long exact_calls() { return __atomic_load_n(&gExactCalls, __ATOMIC_RELAXED); }

// 2 pi as kTurn[0] + kTurn[1]: the first part of 26 bits, so that n kTurn[0] is exact for n < 2^27.
constexpr double kTurn[2] = {0x1.921fb5p+2, 0x1.110b4611a6263p-24};
constexpr double kInverseTurn = 0x1.45f306dc9c883p-3; // 1 / (2 pi)

// NaN gives NaN; cos is even; beyond pi, whole turns are taken off (about 1e-16 absolute error per
// turn below 2^27 turns, worse beyond): deterministic, but correctly rounded only within [0, pi].
// The string never asks for such an argument.
double cosine_beyond(double x) {
    if (x != x) return x;
    const double a = __builtin_fabs(x);
    if (a <= kPi) return cosine(a);
    const double turns = (a * kInverseTurn + kRoundShift) - kRoundShift;
    const double r = __builtin_fabs((a - turns * kTurn[0]) - turns * kTurn[1]);
    if (r != r) return r; // infinite argument
    return cosine(r < kPi ? r : kPi);
}

} // namespace VIBREL_NS::cosine_parts
