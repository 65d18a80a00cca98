// The batched parts of the perform routines: N consecutive samples in the N lanes of a vector, each
// lane doing the scalar operations in their order (identical bits). Only the DC blocker's feedback,
// y = u + a1 * y1, is carried from lane to lane. Lanes may share an interpolated read only where
// each lane's taps lie behind every slot that the batch writes: lane j's nearest tap d_j > j samples
// back (lane 0's may be the slot about to be written, read before it is). Included by vibrel.dsp.cpp.
#pragma once

#include "lanes.h"
#include "loop.h"

namespace VIBREL_NS::lanes {

// Where a batch's taps come from: tap(k) is tap k of every lane.
template <class V> struct Straight { // consecutive samples: tap k of lane j is t[j - k]
    const double *t;
    VIBREL_LANES_INLINE V tap(long k) const { return load_line<V>(t - k); }
};
template <class V> struct Apart { // lane j's tap k is B[at[j] - k]
    const double *B;
    const long (&at)[kCount<V>];
    VIBREL_LANES_INLINE V tap(long k) const { return gather_line<V>(B, at, k); }
};

// acc + sum over k >= K of weight[k] * taps.tap(k), accumulated in ascending k.
template <long K, class V, class Taps>
VIBREL_LANES_INLINE V tap_sum(const V (&weight)[kTaps], const Taps &taps, const V &acc) {
    if constexpr (K == kTaps)
        return acc;
    else
        return tap_sum<K + 1>(weight, taps, acc + weight[K] * taps.tap(K));
}

// The interpolated reads of a batch: sum over k of weight[k] * tap k, in ascending k.
template <class V, class Taps> VIBREL_LANES_INLINE V read_lanes(const V (&weight)[kTaps], const Taps &taps) {
    return tap_sum<1>(weight, taps, weight[0] * taps.tap(0));
}

// Each lane's excitation as playable() takes it: infinite or NaN reads as 0.
template <class V> VIBREL_LANES_INLINE V playable(const V &excitation) {
    return select<V>((Bits<V>)(abs(excitation) <= splat<V>(kLargestFinite)), excitation, splat<V>(0.0));
}

// The loop filter, the excitation and the DC blocker's feed-forward half for the interpolated reads
// X of N samples: u = b0 * v + b1 * v1 per lane, v1 the previous sample's v. Xp and vp hold the
// reads and the v of the N samples before (only their last two and last one count); afterwards
// those of this batch. outer and centre per lane; the feedback is left to feed_back.
template <class V>
VIBREL_LANES_INLINE V feed_forward(V &Xp, V &vp, const DcBlocker &dc, const V &X, const V &outer, const V &centre,
                                   const V &excitation) {
    const V v = ((outer * X + centre * shift_in<1>(Xp, X)) + outer * shift_in<2>(Xp, X)) + playable(excitation);
    const V u = splat<V>(dc.b0) * v + splat<V>(dc.b1) * shift_in<1>(vp, v);
    Xp = X;
    vp = v;
    return u;
}

// The vectors of the samples before a batch, from the loop's memories, and back.
template <class V> VIBREL_LANES_INLINE void from_state(const LoopState &s, V &Xp, V &vp) {
    Xp = splat<V>(s.lpfX1);
    Xp[kCount<V> - 2] = s.lpfX2;
    vp = splat<V>(s.dcX1);
}
template <class V> VIBREL_LANES_INLINE void to_state(LoopState &s, const V &Xp, const V &vp) {
    s.lpfX2 = Xp[kCount<V> - 2];
    s.lpfX1 = Xp[kCount<V> - 1];
    s.dcX1 = vp[kCount<V> - 1];
}

// The feedback, lane after lane: y = u + a1 * y1 into the output and the line's slots wr[0, N).
template <class V>
VIBREL_LANES_INLINE void feed_back(LoopState &s, const DcBlocker &dc, const V &u, double *out, double *wr) {
    V y;
    double y1 = s.dcY1;
    VIBREL_UNROLLED
    for (long j = 0; j < kCount<V>; j++)
        y[j] = y1 = u[j] + dc.a1 * y1;
    __builtin_memcpy(out, &y, sizeof y);
    store_lines(wr, y);
    s.dcY1 = y1;
}

// Control rate: samples [0, run) of a straight run (b = B + p0, tap 0 of its first sample; wr = B + w
// its first write slot), taps and filter fixed for the vector. Needs d0 >= N. Returns how many
// samples it did, a multiple of N; the caller does the rest one at a time. From d0 >= 2N on the reads
// of the next batch lie behind this batch's writes as well and may be issued before its feedback, so
// that the feedback never waits for the next batch's chain of tap additions; that pays from 8N on
// (measured: nearer, those reads wait for the stores of the batches just before).
template <class V>
VIBREL_LANES_INLINE long control_batches(LoopState &s, const DcBlocker &dc, const double (&c)[kTaps], double outer,
                                         double centre, long d0, const double *b, double *wr, long run,
                                         const double *in, double *out) {
    constexpr long N = kCount<V>;
    if (run < N) return 0;
    V weight[kTaps];
    VIBREL_UNROLLED
    for (long k = 0; k < kTaps; k++)
        weight[k] = splat<V>(c[k]);
    const V O = splat<V>(outer), C = splat<V>(centre);
    V Xp, vp;
    from_state(s, Xp, vp);
    auto ahead = [&](long r) __attribute__((always_inline)) {
        return feed_forward(Xp, vp, dc, read_lanes(weight, Straight<V>{b + r}), O, C, load<V>(in + r));
    };
    long r = 0;
    if (d0 >= 8 * N) {
        V u = ahead(0);
        for (; r + 2 * N <= run; r += N) {
            const V next = ahead(r + N);
            feed_back(s, dc, u, out + r, wr + r);
            u = next;
        }
        feed_back(s, dc, u, out + r, wr + r);
        r += N;
    } else {
        for (; r + N <= run; r += N)
            feed_back(s, dc, ahead(r), out + r, wr + r);
    }
    to_state(s, Xp, vp);
    return r;
}

// What a signal-rate routine holds for a whole vector.
struct SignalSetup {
    double maxDelay;
    long L;
    double *B;
    DcBlocker dc;
    double brightness, fbGain, fbGainNyq;
    double denom[kTaps]; // lagDenom
};

// Signal rate: samples i .. i + N - 1, write slots w .. w + N - 1 (inside the line). The design of
// every lane (delay, gain, weights, loop filter) depends on the inputs alone and is always done in
// lanes; the reads too where the lanes' taps allow (see the top of this file), else one lane after
// the other. D: the last lane's fraction. Returns whether the reads were in lanes.
template <bool kGainSignal, class V>
VIBREL_LANES_INLINE bool signal_batch(const SignalSetup &u, LoopState &s, long w, const double *in,
                                      const double *gainIn, const double *periodIn, double *out, double &D) {
    constexpr long N = kCount<V>;
    typedef Bits<V> M;
    const V half = splat<V>((double)kHalf);
    V f = load<V>(periodIn) - splat<V>(1.0);
    f = select<V>(splat<V>(u.maxDelay) < f, splat<V>(u.maxDelay), f);
    f = select<V>((M)(f >= half), f, half); // NaN fails the test: the shortest delay

    const V cs = cosine_lanes_inside(splat<V>(kTwoPi) / (f + splat<V>(1.0))); // loop_filter_cos in each lane

    V G = splat<V>(u.fbGain), gNyq = splat<V>(u.fbGainNyq);
    if constexpr (kGainSignal) {
        const V bound = splat<V>(kGainBound);
        G = load<V>(gainIn);
        G = select<V>(bound < G, bound, G);
        G = select<V>(-bound > G, -bound, G);
        G = select<V>(G != G, splat<V>(0.0), G); // a NaN sample lets nothing recirculate
        gNyq = splat<V>(u.brightness) * G;
    }

    // f - kHalf is 0 or more and below 2^53: truncation is its floor.
    const V behind = f - half;
    long d[N];
    V whole;
    VIBREL_UNROLLED
    for (long j = 0; j < N; j++) {
        d[j] = (long)behind[j];
        whole[j] = (double)d[j];
    }
    const V frac = f - whole;
    D = frac[N - 1];

    // w(k) = lagDenom[k] * prod_{j != k} (D - j), the factors in ascending j.
    V diff[kTaps];
    VIBREL_UNROLLED
    for (long j = 0; j < kTaps; j++)
        diff[j] = frac - splat<V>((double)j);
    V weight[kTaps];
    VIBREL_UNROLLED
    for (long k = 0; k < kTaps; k++) {
        V p = splat<V>(u.denom[k]);
        VIBREL_UNROLLED
        for (long j = 0; j < kTaps; j++)
            if (j != k) p = p * diff[j];
        weight[k] = p;
    }

    // The loop filter: design_loop_filter_cos in lanes, both branches computed and selected.
    const V one = splat<V>(1.0), zero = splat<V>(0.0);
    V centre = (gNyq * cs + G) / (cs + one);
    V outer = (centre - gNyq) * splat<V>(0.5);
    const M flat = (M)(outer < zero);
    outer = select<V>(flat, zero, outer);
    centre = select<V>(flat, G, centre);
    const V readGain = select<V>(whole == zero, one + splat<V>(2.0) * abs(weight[0]), one);
    const V peak = (abs(centre) + splat<V>(2.0) * outer) * readGain;
    const M scaled = (M)(peak > one);
    centre = select<V>(scaled, centre / peak, centre);
    outer = select<V>(scaled, outer / peak, outer);

    long p0[N];
    bool apart = true;
    VIBREL_UNROLLED
    for (long j = 0; j < N; j++) {
        p0[j] = first_tap(w + j, d[j], u.L);
        apart = apart && p0[j] >= kOrder && (j == 0 || d[j] > j);
    }
    if (apart) {
        const V X = read_lanes(weight, Apart<V>{u.B, p0});
        V Xp, vp;
        from_state(s, Xp, vp);
        feed_back(s, u.dc, feed_forward(Xp, vp, u.dc, X, outer, centre, load<V>(in)), out, u.B + w);
        to_state(s, Xp, vp);
        return true;
    }
    // A lane reads a slot the batch writes, or its taps wrap: the reads one lane after the other.
    VIBREL_UNROLLED
    for (long j = 0; j < N; j++) {
        double c[kTaps];
        VIBREL_UNROLLED
        for (long k = 0; k < kTaps; k++)
            c[k] = weight[k][j];
        const double y = loop_step(s, u.dc, read_taps(u.B, u.L, p0[j], c), outer[j], centre[j], in[j]);
        out[j] = y;
        vibrel_shared::store(u.B[w + j], y);
    }
    return false;
}

} // namespace VIBREL_NS::lanes
