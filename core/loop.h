// Pieces of the string loop shared by the coefficient design and the three perform routines:
// the loop-filter design, the interpolated read from the delay line, and one pass of the loop.
// The orders of operations are part of the design: every build must produce the same bits.
#pragma once

#include "cosine.h"
#include "flushed.h"
#include "shared.h"
#include "vibrel.h"

namespace VIBREL_NS {

// |v|, by clearing the sign bit in an SSE register: mingw's math.h defines fabs for 32-bit x86 with the
// x87 instruction, and no sample arithmetic may pass through the x87 unit.
inline double magnitude(double v) { return __builtin_fabs(v); }

// Largest gain of the interpolated read at any frequency, for integer delay d and tap-0 weight w0.
// Read around its centre the Lagrange interpolator never exceeds 1; but with d = 0, tap 0 is the slot
// about to be written, which still holds a sample bufLen old, and that stale term can add up to 2|w0|.
inline double read_gain_bound(long d, double w0) { return d == 0 ? 1.0 + 2.0 * magnitude(w0) : 1.0; }

// The whole samples of a delay v in [0, 2^31): truncation, which is its floor there, one SSE2 conversion
// on every target (mingw's floor rounds on the x87 unit). Any thread.
inline long whole_samples(double v) { return (long)v; }

// Cosine of the fundamental's angle for a loop delay in samples (core/cosine.h: the same bits on every
// target), apart so that a perform routine can issue it first. Any thread.
inline double loop_filter_cos(double loopDelay) { return cosine(kTwoPi / (loopDelay + 1.0)); }

// Loop-filter weights from the cosine c of a loop delay (the period minus 1, at least kHalf), a gain at
// the fundamental g and a gain at Nyquist gNyq (= brightness * g), with readGain from read_gain_bound.
// Any thread.
inline void design_loop_filter_cos(double c, double g, double gNyq, double readGain, double &outer,
                                   double &centre) {
    centre = (gNyq * c + g) / (c + 1.0); // 1 + c > 0: loopDelay + 1 >= 3
    outer = (centre - gNyq) * 0.5;
    if (outer < 0.0) { // only for a negative gain: a flat gain with one sample of delay
        outer = 0.0;
        centre = g;
    }
    // At short periods the design asks for more than unit gain at 0 Hz (|centre| + 2 outer, the
    // filter's largest gain); the DC blocker in the loop leaves a mode just above 0 Hz, and the string
    // would grow without bound. Scaling both weights by the same factor keeps the brightness, and
    // leaves every filter whose loop gain is 1 or less as it is. readGain is 1 but for the shortest
    // periods, where the stale tap would otherwise let the loop grow at high sample rates.
    const double peak = (magnitude(centre) + 2.0 * outer) * readGain;
    if (peak > 1.0) {
        centre = centre / peak;
        outer = outer / peak;
    }
}

// The same design from the loop delay in samples.
inline void design_loop_filter(double loopDelay, double g, double gNyq, double readGain, double &outer,
                               double &centre) {
    design_loop_filter_cos(loop_filter_cos(loopDelay), g, gNyq, readGain, outer, centre);
}

// A "period", "gain" or "brightness" message on the message thread may be rewriting the interpolator
// and loop-filter weights while a vector reads them. A set that mixes old and new values can pass more
// than unit loop gain, and a string raced that way often enough would grow. A whole set has weights that
// sum to 1 and a loop gain of at most 1, both to rounding: such a set is left exactly as read. Any other
// set is played for this vector as a pure delay of d0 + kHalf samples, with the loop filter scaled to
// unit loop gain. Audio thread, once per vector.
constexpr double kWeightSumTolerance = 1e-9;  // a whole set sums to 1 within a few units in the last place
constexpr double kLoopGainTolerance = 1e-12;  // a whole set's scaled filter may round just above 1
inline void hold_together(long d0, double (&c)[kTaps], double &outer, double &centre) {
    double sum = c[0];
    for (long k = 1; k < kTaps; k++) sum = sum + c[k];
    if (!(magnitude(sum - 1.0) <= kWeightSumTolerance))
        for (long k = 0; k < kTaps; k++) c[k] = k == kHalf ? 1.0 : 0.0;
    const double peak = (magnitude(centre) + 2.0 * outer) * read_gain_bound(d0, c[0]);
    if (peak > 1.0 + kLoopGainTolerance) {
        centre = centre / peak;
        outer = outer / peak;
    }
}

// Position of tap 0, d samples behind the write slot w: (w - d) mod L for 0 <= d < L.
inline long first_tap(long w, long d, long L) {
    const long p0 = w - d;
    return p0 < 0 ? p0 + L : p0;
}

// Interpolated read: the sum over k of weight[k] * B[(p0 - k) mod L], accumulated in ascending k.
// Unrolled at compile time so the weights stay in registers for a whole vector. Audio thread.
template <long K, bool F = flushed::kOn>
inline double tap_sum(const double *b, const double (&weight)[kTaps], double acc) {
    if constexpr (K == kTaps) {
        return acc;
    } else {
        return tap_sum<K + 1, F>(b, weight,
                                 flushed::add<F>(acc, flushed::mul<F>(weight[K], vibrel_shared::load(b[-K]))));
    }
}

template <long K, bool F = flushed::kOn>
inline double tap_sum_wrapping(const double *B, long L, long t, const double (&weight)[kTaps], double acc) {
    if constexpr (K == kTaps) {
        return acc;
    } else {
        if (--t < 0) t += L;
        return tap_sum_wrapping<K + 1, F>(B, L, t, weight,
                                          flushed::add<F>(acc, flushed::mul<F>(weight[K], vibrel_shared::load(B[t]))));
    }
}

template <bool F = flushed::kOn> inline double read_taps(const double *B, long L, long p0, const double (&weight)[kTaps]) {
    using vibrel_shared::load;
    if (p0 >= kOrder) { // no tap wraps: read straight down from p0
        const double *b = B + p0;
        return tap_sum<1, F>(b, weight, flushed::mul<F>(weight[0], load(b[0])));
    }
    return tap_sum_wrapping<1, F>(B, L, p0, weight, flushed::mul<F>(weight[0], load(B[p0])));
}

// The largest finite double: |v| above it is infinite, and NaN compares false.
constexpr double kLargestFinite = 0x1.fffffffffffffp+1023;

// An excitation sample as the loop takes it: infinite or NaN (a filter that blew up upstream, a
// division by zero in the patch) reads as 0, which would otherwise ring in the loop for good. Every
// finite value passes as it is.
inline double playable(double excitation) { return magnitude(excitation) <= kLargestFinite ? excitation : 0.0; }

// Running state of the loop filter and the DC blocker, held in locals for a vector.
struct LoopState {
    double lpfX1, lpfX2, dcX1, dcY1;
};

struct DcBlocker {
    double b0, b1, a1;
};

// One pass of the loop after the interpolated read x: loop filter, excitation, DC blocker.
// Returns the output sample, which is also the sample to write into the delay line. Every sum and
// product of the loop is flushed (flushed.h): v = ((outer x + centre x1) + outer x2) + excitation,
// y = (b0 v + b1 v1) + a1 y1.
template <bool F = flushed::kOn>
inline double loop_step(LoopState &s, const DcBlocker &dc, double x, double outer, double centre,
                        double excitation) {
    auto add = [](double a, double b) __attribute__((always_inline)) { return flushed::add<F>(a, b); };
    auto mul = [](double a, double b) __attribute__((always_inline)) { return flushed::mul<F>(a, b); };
    const double v = add(add(add(mul(outer, x), mul(centre, s.lpfX1)), mul(outer, s.lpfX2)), playable(excitation));
    const double y = add(add(mul(dc.b0, v), mul(dc.b1, s.dcX1)), mul(dc.a1, s.dcY1));
    s.lpfX2 = s.lpfX1;
    s.lpfX1 = x;
    s.dcX1 = v;
    s.dcY1 = y;
    return y;
}

// After a vector that wrote slots [w - n, w) of the line (modulo L) and out[0, n): the loop itself
// overflowed (only a finite excitation near the largest double does that) if the DC blocker's memory is
// not finite, for each output feeds back into the next (a1 * y1), so that one non-finite sample leaves
// every later one and y1 non-finite too. Then the non-finite outputs and slots are put to 0, which are
// the vector's last ones, and the memories; the samples before the overflow stay as they were played,
// and the string plays on from the next excitation. Audio thread, once per vector: one comparison, and
// at most n slots and n outputs in a vector that overflowed.
inline void recover_from_overflow(LoopState &s, double *B, long L, long w, double *out, long n) {
    if (magnitude(s.dcY1) <= kLargestFinite) return;
    for (long i = 0; i < n; i++)
        if (!(magnitude(out[i]) <= kLargestFinite)) out[i] = 0.0;
    for (long k = n < L ? n : L; k > 0; k--) {
        if (--w < 0) w += L;
        if (!(magnitude(vibrel_shared::load(B[w])) <= kLargestFinite)) vibrel_shared::store(B[w], 0.0);
    }
    s = LoopState{0.0, 0.0, 0.0, 0.0};
}

inline LoopState load_loop_state(const t_vibrel *x) {
    using vibrel_shared::load;
    return LoopState{load(x->lpfX1), load(x->lpfX2), load(x->dcX1), load(x->dcY1)};
}

inline void store_loop_state(t_vibrel *x, const LoopState &s) {
    using vibrel_shared::store;
    store(x->lpfX1, s.lpfX1);
    store(x->lpfX2, s.lpfX2);
    store(x->dcX1, s.dcX1);
    store(x->dcY1, s.dcY1);
}

} // namespace VIBREL_NS
