// Coefficient design at control rate: Lagrange interpolator, loop filter, DC blocker.
#include <math.h>

#include "loop.h"
#include "shared.h"
#include "vibrel.h"

namespace VIBREL_NS {

using vibrel_shared::load;
using vibrel_shared::store;

// lagDenom[k] = 1 / prod_{j != k} (k - j), divided out in ascending j. Creation, once.
void vibrel_ccCalc(t_vibrel *x) {
    for (long k = 0; k < kTaps; k++) {
        double r = 1.0;
        for (long j = 0; j < kTaps; j++)
            if (j != k) r = r / (double)(k - j);
        x->lagDenom[k] = r;
    }
}

namespace {

// The parameter word (record field params). Each sender stores its value in wanted<Parameter>, then
// sets its parameter's bit and, if no thread is designing, kDesigning: then it is the designer. The
// designer takes the bits set since its last pass and designs from the wanted values, pass after
// pass, until no new one came; a sender that finds a designer at work leaves its value to it. So
// whatever threads send at once, the last value each parameter received is designed whole (the
// weights and loop filter of one period, one gain, one brightness), nobody waits for anybody, and the
// designer's passes are bounded by the messages sent while it designs. One thread alone designs at
// once, in its own call, with the stores in the order it always made.
using vibrel_gate::Word;
constexpr Word kDesigning = 1u;
constexpr Word kPeriodSent = 2u;
constexpr Word kGainSent = 4u;
constexpr Word kBrightnessSent = 8u;
constexpr Word kSent = kPeriodSent | kGainSent | kBrightnessSent;

// loopDelay, then lagCoeff[0..M], for a clamped period in samples.
void design_period(t_vibrel *x, double p) {
    const double loopDelay = p - 1.0;
    store(x->loopDelay, loopDelay);

    // D in [kHalf, kHalf + 1): the fractional position stays within half a sample of the centre M/2.
    const long n = whole_samples(loopDelay - (double)kHalf);
    const double D = loopDelay - (double)n;
    for (long k = 0; k < kTaps; k++) {
        // Each factor is a quotient of its own, multiplied in ascending j from the first.
        const long j0 = (k == 0) ? 1 : 0;
        double c = (D - (double)j0) / (double)(k - j0);
        for (long j = j0 + 1; j < kTaps; j++)
            if (j != k) c = c * ((D - (double)j) / (double)(k - j));
        store(x->lagCoeff[k], c);
    }
}

// A sender's part: `sent` is its parameter's bit, its value already in the record's wanted field.
void send(t_vibrel *x, Word sent) {
    // Acquire and release: the designer before sees the wanted value, and this one the last designs.
    Word seen = __atomic_fetch_or(&x->params, sent | kDesigning, __ATOMIC_ACQ_REL);
    if (seen & kDesigning) return;
    for (;;) {
        // The bits sent so far (this sender's at first) are taken for a pass; with none the word is 0 again.
        Word todo;
        seen = __atomic_load_n(&x->params, __ATOMIC_RELAXED);
        do
            todo = seen & kSent;
        while (!__atomic_compare_exchange_n(&x->params, &seen, todo ? kDesigning : 0u, true, __ATOMIC_ACQ_REL,
                                            __ATOMIC_RELAXED));
        if (!todo) return;
        if (todo & kPeriodSent) design_period(x, load(x->wantedPeriod));
        if (todo & kGainSent) store(x->fbGain, load(x->wantedGain));
        if (todo & kBrightnessSent) store(x->brightness, load(x->wantedBrightness));
        vibrel_calcLpfCoeffs(x);
    }
}

} // namespace

// Period in samples, clamped to [kMinPeriod, maxDelay] (upper bound first); NaN is ignored.
// Any message thread. Writes loopDelay, lagCoeff[0..M], then the loop filter.
void vibrel_setDelayTime(t_vibrel *x, double period) {
    if (period != period) return;
    double p = period;
    if (p > x->maxDelay) p = x->maxDelay;
    if (p < kMinPeriod) p = kMinPeriod;
    store(x->wantedPeriod, p);
    send(x, kPeriodSent);
}

// Gain at the fundamental, clamped to [-kGainBound, kGainBound]; NaN is ignored. Any message thread.
void vibrel_setFbGain(t_vibrel *x, double gain) {
    if (gain != gain) return;
    double g = gain;
    if (g < -kGainBound)
        g = -kGainBound;
    else if (g > kGainBound)
        g = kGainBound;
    store(x->wantedGain, g);
    send(x, kGainSent);
}

// Gain at Nyquist relative to the fundamental, clamped to [0, kGainBound]; NaN is ignored. Any
// message thread.
void vibrel_setBrightness(t_vibrel *x, double brightness) {
    if (brightness != brightness) return;
    double b = brightness;
    if (b > kGainBound)
        b = kGainBound;
    else if (b < 0.0)
        b = 0.0;
    store(x->wantedBrightness, b);
    send(x, kBrightnessSent);
}

// Loop filter from loopDelay, lagCoeff[0], fbGain and brightness; lpfCenter is stored before lpfOuter.
// Message thread.
void vibrel_calcLpfCoeffs(t_vibrel *x) {
    const double g = load(x->fbGain);
    const double loopDelay = load(x->loopDelay);
    const long d0 = whole_samples(loopDelay - (double)kHalf);
    double outer, centre;
    design_loop_filter(loopDelay, g, load(x->brightness) * g, read_gain_bound(d0, load(x->lagCoeff[0])), outer,
                       centre);
    store(x->lpfCenter, centre);
    store(x->lpfOuter, outer);
}

// First-order DC blocker with a 20 Hz corner for a sample rate in Hz. A rate below 1 Hz, infinite or
// NaN has no meaningful corner and is designed as kFallbackRate, so the loop never sees a NaN weight.
// Chain build, while the old chain's routine may still run: the three are written between its vectors
// (core/gate.h), so that no vector reads a mixed set.
void vibrel_calcDcCoeffs(t_vibrel *x, double sampleRate) { vibrel_reset(x, vibrel_gate::kDesignDc, sampleRate); }

// The three weights of vibrel_calcDcCoeffs; the holder of a reset, while no vector runs.
void vibrel_designDc(t_vibrel *x, double sampleRate) {
    const double sr = (sampleRate >= 1.0 && sampleRate < HUGE_VAL) ? sampleRate : kFallbackRate;
    const double b = (kDcCornerTwoPi / sr) * 0.5; // stands in for the pre-warping tangent
    const double c = 1.0 / (b + 1.0);
    x->dcB0 = c;
    x->dcB1 = -c;
    x->dcA1 = (1.0 - b) * c;
}

} // namespace VIBREL_NS
