// The three perform routines: period and gain from messages (1), period from a signal (2),
// period and gain from signals (3). Audio thread; any frame count, outputs may share inputs' memory.
// Each runs with flush-to-zero (float_mode.h) and leaves the caller's floating-point mode as it was.
#include <math.h>

#include "float_mode.h"
#include "loop.h"
#include "shared.h"
#include "vibrel.h"

namespace VIBREL_NS {

using vibrel_shared::load;
using vibrel_shared::store;

// Locals: L = bufLen, B = buffer, w = writeIndex, s = the four filter memories, c = lagCoeff.
void vibrel_dodsp1_64(t_vibrel *x, t_object *, double **ins, long, double **outs, long, long n, long, void *) {
    const vibrel_fp::FlushToZero mode;
    if (n <= 0) return;
    const long L = x->bufLen;
    double *const B = x->buffer;
    long w = load(x->writeIndex);
    LoopState s = load_loop_state(x);

    // Read once per vector: a "period" message lands whole at the next vector.
    const long d0 = (long)floor(load(x->loopDelay) - (double)kHalf);
    double c[kTaps];
    for (long k = 0; k < kTaps; k++) c[k] = load(x->lagCoeff[k]);
    double outer = load(x->lpfOuter);
    double centre = load(x->lpfCenter);
    hold_together(d0, c, outer, centre);
    const DcBlocker dc{x->dcB0, x->dcB1, x->dcA1};

    const double *in = ins[0];
    double *out = outs[0];
    long i = 0;
    while (i < n) {
        const long p0 = first_tap(w, d0, L);
        if (p0 < kOrder) { // a tap wraps: one sample the long way
            const double y = loop_step(s, dc, read_taps(B, L, p0, c), outer, centre, in[i]);
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
        for (long r = 0; r < run; r++) {
            const double y = loop_step(s, dc, tap_sum<1>(b + r, c, c[0] * load(b[r])), outer, centre, in[i + r]);
            out[i + r] = y;
            store(wr[r], y);
        }
        i += run;
        w += run;
        if (w >= L) w = 0;
    }

    store(x->writeIndex, w);
    store_loop_state(x, s);
}

// Lagrange weights in pairs of lanes (tap 2p in lane 0, tap 2p + 1 in lane 1): two products per
// instruction, each lane the same IEEE product as its scalar. A language extension of the compilers we
// build with (GCC, Clang), SSE2 on x86; no header needed.
typedef double WeightPair __attribute__((vector_size(2 * sizeof(double))));
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

// Shared body of routines 2 and 3. Per sample: the delay from the period signal, clamped to
// [kHalf, maxDelay]; Lagrange weights from lagDenom (no division); the loop filter designed afresh.
// Locals as in routine 1, plus f = delay, G = gain, gNyq = G * brightness, D = fractional position.
template <bool kGainSignal>
static void perform_signal_rate(t_vibrel *x, double **ins, double **outs, long n) {
    if (n <= 0) return;
    const double maxDelay = x->maxDelay;
    const long L = x->bufLen;
    double *const B = x->buffer;
    long w = load(x->writeIndex);
    LoopState s = load_loop_state(x);
    const DcBlocker dc{x->dcB0, x->dcB1, x->dcA1};
    const double brightness = load(x->brightness);
    const double fbGain = kGainSignal ? 0.0 : load(x->fbGain);
    const double fbGainNyq = brightness * fbGain;
    WeightPair denom[kPairs]; // lagDenom never changes after creation
    for (long p = 0; p < kPairs; p++) denom[p] = WeightPair{x->lagDenom[2 * p], x->lagDenom[2 * p + 1]};

    const double *in = ins[0];
    const double *gainIn = ins[1];
    const double *periodIn = ins[2];
    double *out = outs[0];
    double D = 0.0;
    for (long i = 0; i < n; i++) {
        double f = periodIn[i] - 1.0;
        if (maxDelay < f) f = maxDelay;
        if (!(f >= (double)kHalf)) f = (double)kHalf; // NaN fails the test: the shortest delay
        const double cs = loop_filter_cos(f);        // first, while little else is live across the call

        double G = fbGain;
        double gNyq = fbGainNyq;
        if (kGainSignal) {
            G = gainIn[i];
            if (kGainBound < G) G = kGainBound;
            if (-kGainBound > G) G = -kGainBound;
            if (G != G) G = 0.0; // a NaN sample lets nothing recirculate
            gNyq = brightness * G;
        }

        // f - kHalf is 0 or more and below 2^53: truncation is its floor.
        const long d = (long)(f - (double)kHalf);
        D = f - (double)d;
        WeightPair wp[kPairs];
        for (long p = 0; p < kPairs; p++) wp[p] = denom[p];
        weigh<0>(wp, D);
        double weight[kTaps];
        for (long p = 0; p < kPairs; p++) {
            weight[2 * p] = wp[p][0];
            weight[2 * p + 1] = wp[p][1];
        }

        const double xi = read_taps(B, L, first_tap(w, d, L), weight);
        double outer, centre;
        design_loop_filter_cos(cs, G, gNyq, read_gain_bound(d, weight[0]), outer, centre);
        const double y = loop_step(s, dc, xi, outer, centre, in[i]);
        out[i] = y;
        store(B[w], y);
        if (++w >= L) w = 0;
    }

    for (long j = 0; j < kTaps; j++) x->lagDiff[j] = D - (double)j; // the last sample's terms
    store(x->writeIndex, w);
    store_loop_state(x, s);
}

void vibrel_dodsp2_64(t_vibrel *x, t_object *, double **ins, long, double **outs, long, long n, long, void *) {
    const vibrel_fp::FlushToZero mode;
    perform_signal_rate<false>(x, ins, outs, n);
}

void vibrel_dodsp3_64(t_vibrel *x, t_object *, double **ins, long, double **outs, long, long n, long, void *) {
    const vibrel_fp::FlushToZero mode;
    perform_signal_rate<true>(x, ins, outs, n);
}

} // namespace VIBREL_NS
