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

// Period in samples, clamped to [kMinPeriod, maxDelay] (upper bound first); NaN is ignored.
// Message thread. Writes loopDelay, lagCoeff[0..M], then the loop filter.
void vibrel_setDelayTime(t_vibrel *x, double period) {
    if (period != period) return;
    double p = period;
    if (p > x->maxDelay) p = x->maxDelay;
    if (p < kMinPeriod) p = kMinPeriod;
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
    vibrel_calcLpfCoeffs(x);
}

// Gain at the fundamental, clamped to [-kGainBound, kGainBound]; NaN is ignored. Message thread.
void vibrel_setFbGain(t_vibrel *x, double gain) {
    if (gain != gain) return;
    double g = gain;
    if (g < -kGainBound)
        g = -kGainBound;
    else if (g > kGainBound)
        g = kGainBound;
    store(x->fbGain, g);
    vibrel_calcLpfCoeffs(x);
}

// Gain at Nyquist relative to the fundamental, clamped to [0, kGainBound]; NaN is ignored. Message thread.
void vibrel_setBrightness(t_vibrel *x, double brightness) {
    if (brightness != brightness) return;
    double b = brightness;
    if (b > kGainBound)
        b = kGainBound;
    else if (b < 0.0)
        b = 0.0;
    store(x->brightness, b);
    vibrel_calcLpfCoeffs(x);
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
void vibrel_calcDcCoeffs(t_vibrel *x, double sampleRate) {
    const double sr = (sampleRate >= 1.0 && sampleRate < HUGE_VAL) ? sampleRate : kFallbackRate;
    const double b = (kDcCornerTwoPi / sr) * 0.5; // stands in for the pre-warping tangent
    const double c = 1.0 / (b + 1.0);
    const vibrel_gate::Reset reset(x->gate);
    x->dcB0 = c;
    x->dcB1 = -c;
    x->dcA1 = (1.0 - b) * c;
}

} // namespace VIBREL_NS
