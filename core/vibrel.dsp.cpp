// The three perform routines: period and gain from messages (1), period from a signal (2),
// period and gain from signals (3). Audio thread; any frame count, outputs may share inputs' memory.
// Each runs in its own floating-point mode (float_mode.h), leaves the caller's as it was, and keeps out
// of the record while "clear" or a chain build rewrites it (gate.h).
#include <math.h>

// The lane helpers (core/lanes.h, core/batch.h) pass vectors by value. Every one is inlined into a
// routine of this file (always_inline: the build fails if one is not), so the calling convention of
// 32-byte vectors in functions compiled without AVX, which the compiler warns about, never applies.
#pragma GCC diagnostic ignored "-Wpsabi"

#include "batch.h"
#include "float_mode.h"
#include "gate.h"
#include "isa.h"
#include "loop.h"
#include "shared.h"
#include "vibrel.h"

namespace VIBREL_NS {

using vibrel_shared::load;
using vibrel_shared::store;

namespace {

// Each routine has one body, a template over its lanes V: a double for one sample at a time (the
// scalar path), a vector of two or four doubles for the batched paths (core/batch.h), which fall
// back to the scalar steps wherever a batch cannot be formed. Each path is instantiated into a
// function of its own below; a path's routine is chosen once per vector.
using lanes::kCount;
// Integer delays below which one sample at a time is as fast: there the chain through the line (each
// sample waits for one written kTwoLaneDelay samples before) is the limit, shorter with fewer taps.
constexpr long kTwoLaneDelay = kTaps >= 8 ? 8 : 10;
constexpr long kFourLaneDelay = 24;

// Samples [0, n) of a vector whose delay (integer part d0) and weights are the same throughout, from
// write slot w; returns the write slot after them. The batches of the path V where the taps allow,
// the one-sample steps elsewhere: the same bits either way.
// Locals: L = bufLen, B = buffer, w = writeIndex, s = the four filter memories, c = lagCoeff.
template <class V, bool F = flushed::kOn>
VIBREL_LANES_INLINE long run_fixed(LoopState &s, const DcBlocker &dc, double *const B, const long L, long w,
                                   const long d0, const double (&c)[kTaps], const double outer, const double centre,
                                   const double *in, double *out, const long n) {
    long i = 0;
    while (i < n) {
        const long p0 = first_tap(w, d0, L);
        if (p0 < kOrder) { // a tap wraps: one sample the long way
            const double y = loop_step<F>(s, dc, read_taps<F>(B, L, p0, c), outer, centre, in[i]);
            out[i++] = y;
            store(B[w], y);
            if (++w >= L) w = 0;
            continue;
        }
        // A run in which neither the taps nor the write slot reach the end of the line: straight
        // pointers, no index arithmetic. Each sample reads its taps before it writes its slot.
        long run = n - i;
        if (L - w < run) run = L - w;
        if (L - p0 < run) run = L - p0;
        const double *b = B + p0;
        double *const wr = B + w;
        long r = 0;
        // Batches need every lane's taps at least as far back as the batch is long. Four lanes wait
        // for the newest of four samples: below kFourLaneDelay two lanes go faster.
        if constexpr (kCount<V> == 4) {
            if (d0 >= kFourLaneDelay)
                r = lanes::control_batches<V, F>(s, dc, c, outer, centre, d0, b, wr, run, in + i, out + i);
            else if (d0 >= kTwoLaneDelay)
                r = lanes::control_batches<lanes::D2, F>(s, dc, c, outer, centre, d0, b, wr, run, in + i, out + i);
        } else if constexpr (kCount<V> == 2) {
            if (d0 >= kTwoLaneDelay)
                r = lanes::control_batches<V, F>(s, dc, c, outer, centre, d0, b, wr, run, in + i, out + i);
        }
        for (; r < run; r++) {
            const double y = loop_step<F>(s, dc, tap_sum<1, F>(b + r, c, flushed::mul<F>(c[0], load(b[r]))), outer,
                                          centre, in[i + r]);
            out[i + r] = y;
            store(wr[r], y);
        }
        i += run;
        w += run;
        if (w >= L) w = 0;
    }
    return w;
}

#if defined(VIBREL_SOFT_FLUSH)
// Where the loop flushes in software (flushed.h), a vector whose every sum and product is known to be 0
// or a normal number runs on plain arithmetic: the same bits, at a fraction of the cost. With every
// coefficient that multiplies the loop's numbers 0 or at least 2^-86 in magnitude, the line's slots
// and the DC blocker's output memory 0 or at least 2^-600, the interpolated reads' memories 0 or at
// least 2^-740, the loop filter's output memory 0 or at least 2^-880 and the excitation 0 or at least
// 2^-800: each product is 0 or at least 2^-966, and a sum of such terms, however they cancel, 0 or at
// least 2^-54 times its smallest term (its terms share that term's last place, and a sum below half
// that term is more than half of it), so at least 2^-1020. Each read is then 0 or at least 2^-740 and
// each filter output 0 or at least 2^-880, so the bounds hold sample after sample, provided each output
// written to the line is 0 or at least 2^-600: checked after the vector, which is run again flushed
// where one is not.
constexpr double kLineFloor = 0x1p-600, kReadFloor = 0x1p-740, kFilterFloor = 0x1p-880;
constexpr double kInputFloor = 0x1p-800, kWeightFloor = 0x1p-86;
constexpr long kPlainChunk = 128; // samples saved per try: the line's slots and the excitation

// Whether v is not below floor in magnitude but for 0: NaN and infinities pass, for they only come of
// an overflow, flushed or not alike (and recovered from after the vector).
inline bool not_tiny(double v, double floor) {
    const double a = magnitude(v);
    return !(a > 0.0 && a < floor);
}
inline bool none_tiny(const double *v, long n, double floor) {
    bool ok = true;
    for (long i = 0; i < n; i++)
        ok &= not_tiny(v[i], floor);
    return ok;
}

inline bool plain_weights(const double (&c)[kTaps], double outer, double centre, const DcBlocker &dc) {
    bool ok = not_tiny(outer, kWeightFloor) && not_tiny(centre, kWeightFloor) && not_tiny(dc.b0, kWeightFloor) &&
              not_tiny(dc.b1, kWeightFloor) && not_tiny(dc.a1, kWeightFloor);
    return ok && none_tiny(c, kTaps, kWeightFloor);
}

// After a vector (or a try) wrote out[0, n) to the line: the newest slots not below kLineFloor, counted
// up to the line's length.
inline void count_normal(t_vibrel *x, const double *out, long n) {
    const long L = x->bufLen;
    if (none_tiny(out, n, kLineFloor)) {
        x->normalRun = x->normalRun < L - n ? x->normalRun + n : L;
        return;
    }
    long good = 0;
    while (not_tiny(out[n - 1 - good], kLineFloor))
        good++;
    x->normalRun = good;
}

// Copies n slots of the line from slot w on, to or from `saved`.
inline void copy_slots(double *B, long L, long w, double *saved, long n, bool restore) {
    const long first = L - w < n ? L - w : n;
    if (restore) {
        __builtin_memcpy(B + w, saved, sizeof(double) * (size_t)first);
        __builtin_memcpy(B, saved + first, sizeof(double) * (size_t)(n - first));
    } else {
        __builtin_memcpy(saved, B + w, sizeof(double) * (size_t)first);
        __builtin_memcpy(saved + first, B, sizeof(double) * (size_t)(n - first));
    }
}

// run_fixed plain (F false) or flushed, each a function of its own: inlined together into one routine,
// the two loops would share its registers.
template <class V, bool F>
__attribute__((noinline)) long run_fixed_apart(LoopState &s, const DcBlocker &dc, double *const B, const long L, long w,
                                               const long d0, const double (&c)[kTaps], const double outer,
                                               const double centre, const double *in, double *out, const long n) {
    LoopState local = s; // in registers: the line's stores cannot be the memories'
    const long next = run_fixed<V, F>(local, dc, B, L, w, d0, c, outer, centre, in, out, n);
    s = local;
    return next;
}

// run_fixed over [0, n) in tries of kPlainChunk samples: plain where the bounds above allow, else (or
// where an output falls below kLineFloor) from the try's start again, flushed. Single-threaded hosts
// only (the browser's): the line's slots are copied without the relaxed accesses a "clear" from
// another thread would need.
template <class V>
VIBREL_LANES_INLINE long run_fixed_soft(t_vibrel *x, LoopState &s, const DcBlocker &dc, long w, const long d0,
                                        const double (&c)[kTaps], const double outer, const double centre,
                                        const double *in, double *out, const long n) {
    double *const B = x->buffer;
    const long L = x->bufLen;
    const bool weightsOk = plain_weights(c, outer, centre, dc);
    for (long at = 0; at < n; at += kPlainChunk) {
        const long m = n - at < kPlainChunk ? n - at : kPlainChunk;
        double excitation[kPlainChunk], slots[kPlainChunk];
        __builtin_memcpy(excitation, in + at, sizeof(double) * (size_t)m); // out may be in: kept apart
        bool plain = weightsOk && x->normalRun >= L && not_tiny(s.dcY1, kLineFloor) &&
                     not_tiny(s.lpfX1, kReadFloor) && not_tiny(s.lpfX2, kReadFloor) &&
                     not_tiny(s.dcX1, kFilterFloor) && none_tiny(excitation, m, kInputFloor);
        long next = w;
        if (plain) {
            const LoopState before = s;
            copy_slots(B, L, w, slots, m, false);
            next = run_fixed_apart<V, false>(s, dc, B, L, w, d0, c, outer, centre, excitation, out + at, m);
            if (!none_tiny(out + at, m, kLineFloor)) {
                plain = false;
                s = before;
                copy_slots(B, L, w, slots, m, true);
            }
        }
        if (!plain) next = run_fixed_apart<V, true>(s, dc, B, L, w, d0, c, outer, centre, excitation, out + at, m);
        count_normal(x, out + at, m);
        w = next;
    }
    return w;
}
#endif

template <class V> VIBREL_LANES_INLINE void perform_control(t_vibrel *x, double **ins, double **outs, long n) {
    if (n <= 0) return;
    LoopState s = load_loop_state(x);

    // Read once per vector: a "period" message lands whole at the next vector.
    const long d0 = whole_samples(load(x->loopDelay) - (double)kHalf);
    double c[kTaps];
    for (long k = 0; k < kTaps; k++)
        c[k] = load(x->lagCoeff[k]);
    double outer = load(x->lpfOuter);
    double centre = load(x->lpfCenter);
    hold_together(d0, c, outer, centre);
    const DcBlocker dc{x->dcB0, x->dcB1, x->dcA1};

#if defined(VIBREL_SOFT_FLUSH)
    const long w = run_fixed_soft<V>(x, s, dc, load(x->writeIndex), d0, c, outer, centre, ins[0], outs[0], n);
#else
    const long w =
        run_fixed<V>(s, dc, x->buffer, x->bufLen, load(x->writeIndex), d0, c, outer, centre, ins[0], outs[0], n);
#endif
    recover_from_overflow(s, x->buffer, x->bufLen, w, outs[0], n);
    store(x->writeIndex, w);
    store_loop_state(x, s);
}

// Lagrange weights in pairs of lanes (tap 2p in lane 0, tap 2p + 1 in lane 1): two products per
// instruction, each lane the same IEEE product as its scalar.
typedef lanes::D2 WeightPair;
static_assert(kTaps % 2 == 0, "the weights go in pairs");
constexpr long kPairs = kTaps / 2;

// Multiplies every weight but weight j by dj = D - j; weight j is multiplied by 1.0, which is exact.
template <long J, long P> inline void weigh_pairs(WeightPair (&w)[kPairs], double dj) {
    if constexpr (P < kPairs) {
        if constexpr (J == 2 * P)
            w[P] = w[P] * WeightPair{1.0, dj};
        else if constexpr (J == 2 * P + 1)
            w[P] = w[P] * WeightPair{dj, 1.0};
        else
            w[P] = w[P] * WeightPair{dj, dj};
        weigh_pairs<J, P + 1>(w, dj);
    }
}

// w(k) = lagDenom[k] * prod_{j != k} (D - j), the factors multiplied in ascending j from lagDenom[k].
template <long J> inline void weigh(WeightPair (&w)[kPairs], double D) {
    if constexpr (J < kTaps) {
        weigh_pairs<J, 0>(w, D - (double)J);
        weigh<J + 1>(w, D);
    }
}

// The design of one sample of routines 2 and 3: the delay from the period signal, clamped to
// [kHalf, maxDelay]; Lagrange weights from lagDenom (no division); the loop filter designed afresh.
// Locals: f = delay, G = gain, gNyq = G * brightness.
struct SignalDesign {
    long d;   // whole samples of the delay
    double D; // its fractional position
    double weight[kTaps];
    double outer, centre;
};
template <bool kGainSignal>
VIBREL_LANES_INLINE void design_signal(const lanes::SignalSetup &u, const WeightPair (&denom)[kPairs], double gain,
                                       double period, SignalDesign &g) {
    double f = period - 1.0;
    if (u.maxDelay < f) f = u.maxDelay;
    if (!(f >= (double)kHalf)) f = (double)kHalf; // NaN fails the test: the shortest delay
    const double cs = loop_filter_cos(f);         // first, while little else is live across the call

    double G = u.fbGain;
    double gNyq = u.fbGainNyq;
    if (kGainSignal) {
        G = gain;
        if (kGainBound < G) G = kGainBound;
        if (-kGainBound > G) G = -kGainBound;
        if (G != G) G = 0.0; // a NaN sample lets nothing recirculate
        gNyq = u.brightness * G;
    }

    // f - kHalf is 0 or more and below 2^53: truncation is its floor.
    g.d = (long)(f - (double)kHalf);
    g.D = f - (double)g.d;
    WeightPair wp[kPairs];
    for (long p = 0; p < kPairs; p++) wp[p] = denom[p];
    weigh<0>(wp, g.D);
    for (long p = 0; p < kPairs; p++) {
        g.weight[2 * p] = wp[p][0];
        g.weight[2 * p + 1] = wp[p][1];
    }
    design_loop_filter_cos(cs, G, gNyq, read_gain_bound(g.d, g.weight[0]), g.outer, g.centre);
}

// One sample of routines 2 and 3 at write slot w, designed afresh. Returns D, the fractional position.
template <bool kGainSignal>
VIBREL_LANES_INLINE double signal_step(const lanes::SignalSetup &u, const WeightPair (&denom)[kPairs], LoopState &s,
                                       long w, double excitation, double gain, double period, double &out) {
    SignalDesign g;
    design_signal<kGainSignal>(u, denom, gain, period, g);
    const double xi = read_taps(u.B, u.L, first_tap(w, g.d, u.L), g.weight);
    const double y = loop_step(s, u.dc, xi, g.outer, g.centre, excitation);
    out = y;
    store(u.B[w], y);
    return g.D;
}

#if defined(VIBREL_SOFT_FLUSH)
// signal_step where the loop flushes in software: each sample on plain arithmetic where the bounds of
// run_fixed_soft hold for it (its design's weights, the memories and its excitation checked, every slot
// of the line not below kLineFloor while lineOk), else flushed. A sample whose operands are within the
// bounds computes no number below 2^-1022, so either way its bits are the flushed ones: nothing is run
// twice. lineOk ends at the first output below kLineFloor, whichever way it was computed.
template <bool kGainSignal>
VIBREL_LANES_INLINE double signal_step_soft(const lanes::SignalSetup &u, const WeightPair (&denom)[kPairs],
                                            LoopState &s, long w, double excitation, double gain, double period,
                                            double &out, bool dcOk, bool &lineOk) {
    SignalDesign g;
    design_signal<kGainSignal>(u, denom, gain, period, g);
    const bool plain = lineOk && dcOk && not_tiny(s.dcY1, kLineFloor) && not_tiny(s.lpfX1, kReadFloor) &&
                       not_tiny(s.lpfX2, kReadFloor) && not_tiny(s.dcX1, kFilterFloor) &&
                       not_tiny(playable(excitation), kInputFloor) && not_tiny(g.outer, kWeightFloor) &&
                       not_tiny(g.centre, kWeightFloor) && none_tiny(g.weight, kTaps, kWeightFloor);
    const long p0 = first_tap(w, g.d, u.L);
    const double y = plain ? loop_step<false>(s, u.dc, read_taps<false>(u.B, u.L, p0, g.weight), g.outer, g.centre,
                                              excitation)
                           : loop_step<true>(s, u.dc, read_taps<true>(u.B, u.L, p0, g.weight), g.outer, g.centre,
                                             excitation);
    lineOk = lineOk && not_tiny(y, kLineFloor);
    out = y;
    store(u.B[w], y);
    return g.D;
}
#endif

// Whether v[0, n) holds one value, bit for bit: then so are the designs of its samples (a constant
// period from a sig~, the common case). Stops at the first sample that differs, as a vibrato's does.
inline bool constant_signal(const double *v, long n) {
    unsigned long long first, other;
    __builtin_memcpy(&first, v, sizeof first);
    for (long i = 1; i < n; i++) {
        __builtin_memcpy(&other, v + i, sizeof other);
        if (other != first) return false;
    }
    return true;
}

// Shared body of routines 2 and 3.
template <bool kGainSignal, class V>
VIBREL_LANES_INLINE void perform_signal_rate(t_vibrel *x, double **ins, double **outs, long n) {
    if (n <= 0) return;
    lanes::SignalSetup u;
    u.maxDelay = x->maxDelay;
    u.L = x->bufLen;
    u.B = x->buffer;
    u.dc = DcBlocker{x->dcB0, x->dcB1, x->dcA1};
    u.brightness = load(x->brightness);
    u.fbGain = kGainSignal ? 0.0 : load(x->fbGain);
    u.fbGainNyq = u.brightness * u.fbGain;
    for (long k = 0; k < kTaps; k++) u.denom[k] = x->lagDenom[k]; // lagDenom never changes after creation
    WeightPair denom[kPairs];
    for (long p = 0; p < kPairs; p++) denom[p] = WeightPair{u.denom[2 * p], u.denom[2 * p + 1]};
    long w = load(x->writeIndex);
    LoopState s = load_loop_state(x);

    const double *in = ins[0];
    const double *gainIn = ins[1];
    const double *periodIn = ins[2];
    double *out = outs[0];
    constexpr long N = kCount<V>;
    double D = 0.0;
    if constexpr (N == 1) {
#if defined(VIBREL_SOFT_FLUSH)
        const bool dcOk = not_tiny(u.dc.b0, kWeightFloor) && not_tiny(u.dc.b1, kWeightFloor) &&
                          not_tiny(u.dc.a1, kWeightFloor);
        bool lineOk = x->normalRun >= u.L;
        for (long i = 0; i < n; i++) {
            D = signal_step_soft<kGainSignal>(u, denom, s, w, in[i], kGainSignal ? gainIn[i] : 0.0, periodIn[i],
                                              out[i], dcOk, lineOk);
            if (++w >= u.L) w = 0;
        }
#else
        for (long i = 0; i < n; i++) {
            D = signal_step<kGainSignal>(u, denom, s, w, in[i], kGainSignal ? gainIn[i] : 0.0, periodIn[i], out[i]);
            if (++w >= u.L) w = 0;
        }
#endif
    } else if (constant_signal(periodIn, n) && (!kGainSignal || constant_signal(gainIn, n))) {
        // A vector whose period signal (and gain signal) holds one value: each sample's design would be
        // the same bits. Designed once and run as the control-rate routine runs a vector. The scalar
        // path designs every sample, and so checks this one against it (tests/core/path_test).
        SignalDesign g;
        design_signal<kGainSignal>(u, denom, kGainSignal ? gainIn[0] : 0.0, periodIn[0], g);
        w = run_fixed<V>(s, u.dc, u.B, u.L, w, g.d, g.weight, g.outer, g.centre, in, out, n);
        D = g.D;
    } else {
        // N samples at a time: their design in lanes (it depends on the inputs alone), then their reads
        // and loop, whose memories stay in registers from batch to batch while the reads are in lanes.
        const lanes::LaneConstants<V> k(u);
        const bool truncateInLanes = u.maxDelay < 0x1p52;
        V frac = lanes::splat<V>(0.0), Xp, vp;
        lanes::from_state(s, Xp, vp);
        for (long i = 0; i < n; i += N) {
            const long count = n - i < N ? n - i : N;
            const V gain = kGainSignal ? lanes::batch_of<V>(gainIn + i, count) : lanes::splat<V>(0.0);
            lanes::LaneDesign<V> g;
            frac = lanes::design_lanes<kGainSignal>(k, truncateInLanes, lanes::batch_of<V>(periodIn + i, count), gain,
                                                    g);
            if (count == N && lanes::loop_straight(u, s, w, g, Xp, vp, in + i, out + i)) {
                w += N;
                if (w >= u.L) w = 0;
                continue;
            }
            lanes::to_state(s, Xp, vp);
            if (count == N && u.L - w >= N) { // N samples whose write slots do not wrap
                lanes::loop_lanes(u, s, w, g, in + i, out + i);
                w += N;
                if (w >= u.L) w = 0;
            } else {
                for (long j = 0; j < count; j++) {
                    lanes::loop_lane(u, s, w, g, j, in[i + j], out[i + j]);
                    if (++w >= u.L) w = 0;
                }
            }
            lanes::from_state(s, Xp, vp);
        }
        lanes::to_state(s, Xp, vp);
        D = frac[N - 1]; // the last sample's lane, or a copy of it
    }

    recover_from_overflow(s, u.B, u.L, w, out, n);
#if defined(VIBREL_SOFT_FLUSH)
    count_normal(x, out, n);
#endif
    for (long j = 0; j < kTaps; j++) x->lagDiff[j] = D - (double)j; // the last sample's terms
    store(x->writeIndex, w);
    store_loop_state(x, s);
}

// The routines of each path. The AVX ones are compiled for AVX (their inlined bodies included) and
// called only when the processor check found it; nothing else in the module uses AVX instructions.
void control_scalar(t_vibrel *x, double **ins, double **outs, long n) { perform_control<double>(x, ins, outs, n); }
void control_two_lanes(t_vibrel *x, double **ins, double **outs, long n) {
    perform_control<lanes::D2>(x, ins, outs, n);
}
template <bool kGainSignal> void signal_scalar(t_vibrel *x, double **ins, double **outs, long n) {
    perform_signal_rate<kGainSignal, double>(x, ins, outs, n);
}
template <bool kGainSignal> void signal_two_lanes(t_vibrel *x, double **ins, double **outs, long n) {
    perform_signal_rate<kGainSignal, lanes::D2>(x, ins, outs, n);
}

#if defined(__x86_64__) || defined(__i386__)
#define VIBREL_AVX_PATHS 1
__attribute__((target("avx"))) void control_avx(t_vibrel *x, double **ins, double **outs, long n) {
    perform_control<lanes::D4>(x, ins, outs, n);
}
template <bool kGainSignal>
__attribute__((target("avx"))) void signal_avx(t_vibrel *x, double **ins, double **outs, long n) {
    perform_signal_rate<kGainSignal, lanes::D4>(x, ins, outs, n);
}
#endif

template <bool kGainSignal> void perform_signal_path(t_vibrel *x, double **ins, double **outs, long n) {
    switch (vibrel_chosenPath()) {
#if defined(VIBREL_AVX_PATHS)
    case kPathAvx: signal_avx<kGainSignal>(x, ins, outs, n); return;
#endif
    case kPathTwoLanes: signal_two_lanes<kGainSignal>(x, ins, outs, n); return;
    default: signal_scalar<kGainSignal>(x, ins, outs, n); return;
    }
}

// One vector's hold on the record (core/gate.h). A vector that finds a reset under way writes exact 0
// to its output and leaves the line and the state alone: the string is being silenced. What the gate
// adds to a vector is one compare-exchange and one atomic AND, or writing the n zeros of a vector that
// is kept out; never a wait.
class Vector {
  public:
    Vector(t_vibrel *x, double **outs, long n) : gate_(x->gate), entered_(vibrel_gate::enter_vector(gate_)) {
        if (!entered_)
            for (long i = 0; i < n; i++) outs[0][i] = 0.0;
    }
    ~Vector() {
        if (entered_) vibrel_gate::leave_vector(gate_);
    }
    Vector(const Vector &) = delete;
    Vector &operator=(const Vector &) = delete;
    bool entered() const { return entered_; }

  private:
    vibrel_gate::Word &gate_;
    const bool entered_;
};

} // namespace

void vibrel_dodsp1_64(t_vibrel *x, t_object *, double **ins, long, double **outs, long, long n, long, void *) {
    const vibrel_fp::AudioMode mode;
    const Vector vector(x, outs, n);
    if (!vector.entered()) return;
    // With an integer delay below kTwoLaneDelay (floor(loopDelay - kHalf) < kTwoLaneDelay) no batch
    // pays: the one-sample routine itself, not its copy inside a batched one.
    const bool shortDelay = load(x->loopDelay) < (double)(kHalf + kTwoLaneDelay);
    switch (shortDelay ? (int)kPathScalar : vibrel_chosenPath()) {
#if defined(VIBREL_AVX_PATHS)
    case kPathAvx: control_avx(x, ins, outs, n); return;
#endif
    case kPathTwoLanes: control_two_lanes(x, ins, outs, n); return;
    default: control_scalar(x, ins, outs, n); return;
    }
}

void vibrel_dodsp2_64(t_vibrel *x, t_object *, double **ins, long, double **outs, long, long n, long, void *) {
    const vibrel_fp::AudioMode mode;
    const Vector vector(x, outs, n);
    if (!vector.entered()) return;
    perform_signal_path<false>(x, ins, outs, n);
}

void vibrel_dodsp3_64(t_vibrel *x, t_object *, double **ins, long, double **outs, long, long n, long, void *) {
    const vibrel_fp::AudioMode mode;
    const Vector vector(x, outs, n);
    if (!vector.entered()) return;
    perform_signal_path<true>(x, ins, outs, n);
}

} // namespace VIBREL_NS
