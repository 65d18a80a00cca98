// The batched parts of the perform routines: N consecutive samples in the N lanes of a vector, each
// lane doing the scalar operations in their order (identical bits). Only the DC blocker's feedback,
// y = u + a1 * y1, is carried from lane to lane. Lanes may share an interpolated read only where
// each lane's taps lie behind every slot that the batch writes: lane j's nearest tap d_j > j samples
// back (lane 0's may be the slot about to be written, read before it is). Included by vibrel.dsp.cpp.
#pragma once

#include "flushed.h"
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
template <long K, bool F, class V, class Taps>
VIBREL_LANES_INLINE V tap_sum(const V (&weight)[kTaps], const Taps &taps, const V &acc) {
    if constexpr (K == kTaps)
        return acc;
    else
        return tap_sum<K + 1, F>(weight, taps, flushed::add<F>(acc, flushed::mul<F>(weight[K], taps.tap(K))));
}

// The interpolated reads of a batch: sum over k of weight[k] * tap k, in ascending k.
template <bool F = flushed::kOn, class V, class Taps>
VIBREL_LANES_INLINE V read_lanes(const V (&weight)[kTaps], const Taps &taps) {
    return tap_sum<1, F>(weight, taps, flushed::mul<F>(weight[0], taps.tap(0)));
}

// Each lane's excitation as playable() takes it: infinite or NaN reads as 0.
template <class V> VIBREL_LANES_INLINE V playable(const V &excitation) {
    return select<V>((Bits<V>)(abs(excitation) <= splat<V>(kLargestFinite)), excitation, splat<V>(0.0));
}

// The loop filter, the excitation and the DC blocker's feed-forward half for the interpolated reads
// X of N samples: u = b0 * v + b1 * v1 per lane, v1 the previous sample's v. Xp and vp hold the
// reads and the v of the N samples before (only their last two and last one count); afterwards
// those of this batch. outer and centre per lane; the feedback is left to feed_back.
template <bool F = flushed::kOn, class V>
VIBREL_LANES_INLINE V feed_forward(V &Xp, V &vp, const DcBlocker &dc, const V &X, const V &outer, const V &centre,
                                   const V &excitation) {
    auto add = [](const V &a, const V &b) __attribute__((always_inline)) { return flushed::add<F>(a, b); };
    auto mul = [](const V &a, const V &b) __attribute__((always_inline)) { return flushed::mul<F>(a, b); };
    const V v = add(add(add(mul(outer, X), mul(centre, shift_in<1>(Xp, X))), mul(outer, shift_in<2>(Xp, X))),
                    playable(excitation));
    const V u = add(mul(splat<V>(dc.b0), v), mul(splat<V>(dc.b1), shift_in<1>(vp, v)));
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
template <bool F = flushed::kOn, class V>
VIBREL_LANES_INLINE void feed_back(LoopState &s, const DcBlocker &dc, const V &u, double *out, double *wr) {
    V y;
    double y1 = s.dcY1;
    VIBREL_UNROLLED
    for (long j = 0; j < kCount<V>; j++)
        y[j] = y1 = flushed::add<F>(u[j], flushed::mul<F>(dc.a1, y1));
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
template <class V, bool F = flushed::kOn>
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
        return feed_forward<F>(Xp, vp, dc, read_lanes<F>(weight, Straight<V>{b + r}), O, C, load<V>(in + r));
    };
    long r = 0;
    if (d0 >= 8 * N) {
        V u = ahead(0);
        for (; r + 2 * N <= run; r += N) {
            const V next = ahead(r + N);
            feed_back<F>(s, dc, u, out + r, wr + r);
            u = next;
        }
        feed_back<F>(s, dc, u, out + r, wr + r);
        r += N;
    } else {
        for (; r + N <= run; r += N)
            feed_back<F>(s, dc, ahead(r), out + r, wr + r);
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

// The design's constants spread across the lanes once per vector, so that each use is one full-width
// operand from memory rather than a scalar spread again at every batch.
template <class V> struct LaneConstants {
    V maxDelay, half, one, two, pointFive, twoPi, gainBound, brightness, fbGain, fbGainNyq;
    V denom[kTaps]; // lagDenom
    explicit LaneConstants(const SignalSetup &u)
        : maxDelay(splat<V>(u.maxDelay)), half(splat<V>((double)kHalf)), one(splat<V>(1.0)), two(splat<V>(2.0)),
          pointFive(splat<V>(0.5)), twoPi(splat<V>(kTwoPi)), gainBound(splat<V>(kGainBound)),
          brightness(splat<V>(u.brightness)), fbGain(splat<V>(u.fbGain)), fbGainNyq(splat<V>(u.fbGainNyq)) {
        for (long k = 0; k < kTaps; k++)
            denom[k] = splat<V>(u.denom[k]);
    }
};

// The design of N consecutive samples, one per lane: all that their reads and loop need.
template <class V> struct LaneDesign {
    V weight[kTaps];
    V outer, centre;
    V whole; // the whole samples of each lane's delay
};

// Each lane of v, 0 <= v < 2^52, truncated: v rounded to a whole number by adding and taking off 2^52
// (the routines round to nearest), less 1 where that rounded up. Exact, the same value as a conversion
// to a long and back, without taking the lanes apart.
template <class V> VIBREL_LANES_INLINE V truncate_lanes(const V &v, const V &one) {
    const V shift = splat<V>(0x1p52);
    const V r = (v + shift) - shift;
    return r - (V)((Bits<V>)(r > v) & (Bits<V>)one);
}

// Samples v[0, count) of a signal in lanes, count 1 to N; any spare lane a copy of the last sample.
template <class V> VIBREL_LANES_INLINE V batch_of(const double *v, long count) {
    if (count == kCount<V>) return load<V>(v);
    V r;
    VIBREL_UNROLLED
    for (long j = 0; j < kCount<V>; j++)
        r[j] = v[j < count ? j : count - 1];
    return r;
}

// The first part of the design of N samples from their period samples, each lane as design_signal does
// it: the delay, clamped to [kHalf, maxDelay], its whole samples and the Lagrange weights of its
// fraction into g. Returns the loop filter's angle 2 pi / (delay + 1) of each lane; D in frac.
template <class V>
VIBREL_LANES_INLINE V delay_lanes(const LaneConstants<V> &k, bool truncateInLanes, const V &period,
                                  LaneDesign<V> &g, V &frac) {
    // The clamps as design_signal has them: maxDelay < f ? maxDelay : f, then f >= kHalf ? f : kHalf,
    // which gives kHalf's bits where f equals it, as f > kHalf ? f : kHalf does; NaN: the shortest delay.
    const V f = max_of(min_of(k.maxDelay, period - k.one), k.half);

    // f - kHalf is 0 or more and at most maxDelay - kHalf: its floor is its truncation.
    const V behind = f - k.half;
    if (truncateInLanes) {
        g.whole = truncate_lanes(behind, k.one);
    } else { // beyond 2^52 samples (a line of 32 petabytes): lane by lane
        VIBREL_UNROLLED
        for (long j = 0; j < kCount<V>; j++)
            g.whole[j] = (double)(long)behind[j];
    }
    frac = f - g.whole;

    // w(k) = lagDenom[k] * prod_{j != k} (D - j), the factors in ascending j: the kTaps products of one
    // factor issued together, each weight's chain in its own order.
    VIBREL_UNROLLED
    for (long t = 0; t < kTaps; t++)
        g.weight[t] = k.denom[t];
    VIBREL_UNROLLED
    for (long j = 0; j < kTaps; j++) {
        const V diff = frac - splat<V>((double)j); // D - 0 is D itself
        VIBREL_UNROLLED
        for (long t = 0; t < kTaps; t++)
            if (t != j) g.weight[t] = g.weight[t] * diff;
    }
    return k.twoPi / (f + k.one);
}

// The rest of the design: the loop filter from each lane's cosine cs of its angle and gain sample
// (routine 3), design_loop_filter_cos in lanes: its branches' results selected lane by lane, each
// skipped where no lane takes it.
template <bool kGainSignal, class V>
VIBREL_LANES_INLINE void filter_lanes(const LaneConstants<V> &k, const V &cs, const V &gain, LaneDesign<V> &g) {
    typedef Bits<V> M;
    V G = k.fbGain, gNyq = k.fbGainNyq;
    if constexpr (kGainSignal) {
        G = max_of(-k.gainBound, min_of(k.gainBound, gain)); // the scalar clamps' comparisons exactly
        G = select<V>(G != G, splat<V>(0.0), G); // a NaN sample lets nothing recirculate
        gNyq = k.brightness * G;
    }
    const V zero = splat<V>(0.0);
    V centre = (gNyq * cs + G) / (cs + k.one);
    V outer = (centre - gNyq) * k.pointFive;
    // The selections where some lane needs them: a negative gain's flat filter, a delay of 0 samples'
    // read gain (peak * 1 is peak itself).
    const M flat = (M)(outer < zero);
    if (any<V>(flat)) {
        outer = select<V>(flat, zero, outer);
        centre = select<V>(flat, G, centre);
    }
    V peak = abs(centre) + k.two * outer;
    const M atZero = (M)(g.whole == zero);
    if (any<V>(atZero)) peak = peak * select<V>(atZero, k.one + k.two * abs(g.weight[0]), k.one);
    const M scaled = (M)(peak > k.one);
    if (any<V>(scaled)) {
        centre = select<V>(scaled, centre / peak, centre);
        outer = select<V>(scaled, outer / peak, outer);
    }
    g.outer = outer;
    g.centre = centre;
}

// The whole design of N samples, each lane as design_signal does it. Returns each lane's D.
template <bool kGainSignal, class V>
VIBREL_LANES_INLINE V design_lanes(const LaneConstants<V> &k, bool truncateInLanes, const V &period, const V &gain,
                                   LaneDesign<V> &g) {
    V frac;
    const V cs = cosine_lanes_inside(delay_lanes(k, truncateInLanes, period, g, frac));
    filter_lanes<kGainSignal>(k, cs, gain, g);
    return frac;
}

// Whether every lane of v holds lane 0's value.
template <class V> VIBREL_LANES_INLINE bool same_lanes(const V &v) { return !any<V>((Bits<V>)(v != splat<V>(v[0]))); }

// The common batch: every lane the same delay d >= N (so each lane's taps lie behind the batch's
// writes), taps and write slots w .. w + N - 1 inside the line. Its reads come from consecutive slots;
// Xp, vp and s.dcY1 carry the loop from batch to batch (feed_forward, feed_back). Returns false, and
// does nothing, for any other batch.
template <class V>
VIBREL_LANES_INLINE bool loop_straight(const SignalSetup &u, LoopState &s, long w, const LaneDesign<V> &g, V &Xp,
                                       V &vp, const double *in, double *out) {
    constexpr long N = kCount<V>;
    const long d = (long)g.whole[0];
    const long p0 = w - d;
    if (!(d >= N && p0 >= kOrder && u.L - w >= N && same_lanes(g.whole))) return false;
    const V X = read_lanes(g.weight, Straight<V>{u.B + p0});
    feed_back(s, u.dc, feed_forward(Xp, vp, u.dc, X, g.outer, g.centre, load<V>(in)), out, u.B + w);
    return true;
}

// One sample's read and loop from lane j of a design, write slot w.
template <class V>
VIBREL_LANES_INLINE void loop_lane(const SignalSetup &u, LoopState &s, long w, const LaneDesign<V> &g, long j,
                                   double excitation, double &out) {
    double c[kTaps];
    VIBREL_UNROLLED
    for (long k = 0; k < kTaps; k++)
        c[k] = g.weight[k][j];
    const long p0 = first_tap(w, (long)g.whole[j], u.L);
    const double y = loop_step(s, u.dc, read_taps(u.B, u.L, p0, c), g.outer[j], g.centre[j], excitation);
    out = y;
    vibrel_shared::store(u.B[w], y);
}

// Any other batch of N samples designed in lanes, write slots w .. w + N - 1 (inside the line): the
// reads in lanes where the lanes' taps allow (see the top of this file), else one lane after the other.
template <class V>
VIBREL_LANES_INLINE void loop_lanes(const SignalSetup &u, LoopState &s, long w, const LaneDesign<V> &g,
                                    const double *in, double *out) {
    constexpr long N = kCount<V>;
    long p0[N];
    bool apart = true;
    VIBREL_UNROLLED
    for (long j = 0; j < N; j++) {
        const long d = (long)g.whole[j];
        p0[j] = first_tap(w + j, d, u.L);
        apart = apart && p0[j] >= kOrder && (j == 0 || d > j);
    }
    if (!apart) { // a lane reads a slot the batch writes, or its taps wrap
        VIBREL_UNROLLED
        for (long j = 0; j < N; j++)
            loop_lane(u, s, w + j, g, j, in[j], out[j]);
        return;
    }
    V Xp, vp;
    from_state(s, Xp, vp);
    feed_back(s, u.dc, feed_forward(Xp, vp, u.dc, read_lanes(g.weight, Apart<V>{u.B, p0}), g.outer, g.centre,
                                    load<V>(in)),
              out, u.B + w);
    to_state(s, Xp, vp);
}

} // namespace VIBREL_NS::lanes
